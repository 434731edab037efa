#include "data/TableRebuild.h"

#include <memory>

#include "data/FileIo.h"
#include "data/TableSwitch.h"

namespace data {

std::vector<FieldDef> DefinitionsLike(const std::vector<FieldInfo>& fields) {
  std::vector<FieldDef> defs;
  for (const FieldInfo& c : fields) {
    FieldDef d;
    d.name = c.name;
    if (c.type == 'N' && c.length == 20 && c.decimals == 4) {
      d.kind = FieldKind::Float;
    } else if (c.type == 'N' && c.length == 11 && c.decimals == 0) {
      d.kind = FieldKind::Integer;
    } else if (c.type == 'D' && c.length == 8) {
      d.kind = FieldKind::Date;
    } else if (c.type == 'M') {
      d.kind = FieldKind::Memo;
    } else if (c.type == 'C' && c.length >= 1 && c.length <= 254) {
      d.kind = FieldKind::String;
      d.length = c.length;
    } else {
      throw DbError("El campo " + c.name + " (" + std::string(1, c.type) + " " + std::to_string(c.length) + "," +
                    std::to_string(c.decimals) + ") no se puede copiar igual.");
    }
    defs.push_back(d);
  }
  return defs;
}

namespace {

// Rebuilds `old`, open exclusively, and returns its new .DBF still locked
// against every other open.
File RebuildOpen(Table& old, const std::string& folder, const std::string& tableName,
                 const std::vector<IndexDef>& indexes, const std::function<void()>& copied) {
  try {
    const std::vector<FieldDef> defs = DefinitionsLike(old.Fields());
    Table fresh(folder, StagingTableName(tableName));
    fresh.Create(defs);
    fresh.Open(OpenMode::Exclusive);
    if (copied) fresh.OnAfterPost = [&copied](Table&) { copied(); };
    fresh.AppendAllFrom(old);
    fresh.OnAfterPost = nullptr;
    for (const IndexDef& ix : indexes) fresh.AddIndex(ix);
    fresh.Close();
    return SwitchToStaged(folder, tableName);
  } catch (...) {
    // Before the switch was decided the old table is whole: the copy goes.
    // After it, the next open finishes the switch.
    try {
      RemoveUnfinishedBuild(folder, tableName);
    } catch (...) {
    }
    throw;
  }
}

}  // namespace

void RebuildTable(const std::string& folder, const std::string& tableName, const std::vector<IndexDef>& indexes,
                  const std::function<void()>& copied) {
  Table old(folder, tableName);
  old.Open(OpenMode::Exclusive);  // finishes an interrupted switch first
  File held = RebuildOpen(old, folder, tableName, indexes, copied);
  old.Close();
}

void RebuildTables(const std::string& folder, const std::vector<TableToRebuild>& tables,
                   const std::function<void(const std::string&)>& before) {
  // All of them first: a table in use refuses the run before anything
  // changed.
  std::vector<std::unique_ptr<Table>> olds;
  for (const TableToRebuild& t : tables) {
    auto old = std::make_unique<Table>(folder, t.name);
    if (old->Exists()) old->Open(OpenMode::Exclusive);
    olds.push_back(std::move(old));
  }
  // A rebuilt table stays held through its new .DBF.
  std::vector<File> held;
  for (size_t i = 0; i < tables.size(); ++i) {
    if (before) before(tables[i].name);
    if (!olds[i]->Active()) continue;
    held.push_back(RebuildOpen(*olds[i], folder, tables[i].name, tables[i].indexes, {}));
    olds[i]->Close();
  }
}

}  // namespace data
