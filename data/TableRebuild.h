#pragma once
// Rebuilding a table into new files: its visible records are copied in file
// order into a fresh table beside it (memo texts compacted, deleted records
// left behind), its production index made anew, and the new files switched
// in crash-safely (TableSwitch.h). At every instant the folder holds one
// complete table, the old or the new.
#include <functional>
#include <string>
#include <vector>

#include "data/Table.h"

namespace data {

// Rebuilds `tableName` of `folder` with `indexes` (in that order), each on
// the key expression of the table's own tag of that name when it has one,
// then the table's other tags as they were. The table is held exclusively
// for the whole run: DbError while anyone else has it open, or when a tag
// is on an expression the engine cannot evaluate (nothing is written then). `copied`, when set, runs after every record copied.
void RebuildTable(const std::string& folder, const std::string& tableName, const std::vector<IndexDef>& indexes,
                  const std::function<void()>& copied = {});

struct TableToRebuild {
  std::string name;  // "AGENDA.DBF"
  std::vector<IndexDef> indexes;
};

// Rebuilds, one after the other, those of `tables` that exist in `folder`.
// Every one of them is held exclusively from before the first is touched
// until the last is done, so no other copy opens any of them in the middle:
// DbError, with nothing changed, while anyone else has one open.
// `before(name)` runs before each table, present or not. The first failure
// ends the run; the tables rebuilt by then stay rebuilt.
void RebuildTables(const std::string& folder, const std::vector<TableToRebuild>& tables,
                   const std::function<void(const std::string& name)>& before = {});

// The field definitions that create a table with exactly these columns;
// DbError for a column the engine cannot create alike.
std::vector<FieldDef> DefinitionsLike(const std::vector<FieldInfo>& fields);

}  // namespace data
