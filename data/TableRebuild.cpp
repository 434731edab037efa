#include "data/TableRebuild.h"

#include <algorithm>
#include <memory>

#include "data/FileIo.h"
#include "data/NameCase.h"
#include "data/TableSwitch.h"

namespace data {

namespace {
// The tags the new files get: the ones asked for, each on the expression of
// the old table's tag of that name (its field when there is none), then the
// old table's other tags as they are.
std::vector<IndexDef> TagsFor(const Table& old, const std::vector<IndexDef>& asked) {
  const std::vector<TagInfo> tags = old.Tags();
  std::vector<IndexDef> out;
  for (IndexDef def : asked) {
    for (const TagInfo& tag : tags)
      if (tag.name == Upper(def.name)) def.field = tag.expression;
    out.push_back(def);
  }
  for (const TagInfo& tag : tags)
    if (std::none_of(asked.begin(), asked.end(), [&](const IndexDef& d) { return Upper(d.name) == tag.name; }))
      out.push_back({tag.name, tag.expression, tag.unique});
  return out;
}
}  // namespace

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
    for (const IndexDef& ix : TagsFor(old, indexes)) fresh.AddIndex(ix);
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
