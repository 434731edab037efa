#pragma once
// Replacing the files of a table by a complete new set, so that a crash at
// any moment leaves one complete table: the old one or the new one.
//
// The new files are written first, whole and synced, under staging names
// beside the table (".~NAME.new.DBF", ".DBT", ".MDX"). The switch then
// writes a small record of what it is about to do (".~NAME.switch", synced,
// and in place by one rename): from that moment the new table is the table.
// It renames each new file over the old one, removes old family files the
// new set lacks, and removes its record. The next open of the table, in any
// copy of the program, finishes a switch whose record is there; staging
// files without a record are an unfinished build and are removed (they never
// hold the only copy: the old table is whole until the record exists).
#include <string>

#include "data/FileIo.h"

namespace data {

// A table name without ".DBF" and without its folder.
std::string TableStem(const std::string& tableName);

// Where a table's new files are built: pass `Name` to Table to build there.
std::string StagingTableName(const std::string& tableName);
struct StagingPaths {
  std::string dbf, memo, mdx, journal;
};
StagingPaths StagingFor(const std::string& folder, const std::string& tableName);

// True when a switch of the table was interrupted after it was decided.
bool SwitchPending(const std::string& folder, const std::string& tableName);

// Finishes a switch that was interrupted after it was decided; nothing when
// there is none. Safe to run by several copies at once.
void FinishInterruptedSwitch(const std::string& folder, const std::string& tableName);

// Removes staging files of a build that never reached its switch. Only
// while holding a lock on the table's .DBF (no build can be running then).
void RemoveUnfinishedBuild(const std::string& folder, const std::string& tableName);

// Opens the table's .DBF and locks it against every other open, after
// finishing an interrupted switch and removing an unfinished build. A table
// that does not exist gives a closed File. DbError while anyone else has
// the table open.
File HoldExclusively(const std::string& folder, const std::string& tableName);

// Switches the table to the files under its staging names (complete and
// synced; the memo and index files are optional). The caller holds the
// table (HoldExclusively or an exclusive Table); the new .DBF is locked
// for the whole switch, so no other copy opens either table meanwhile, and
// returned still locked: the caller holds the new table as long as it keeps
// it.
File SwitchToStaged(const std::string& folder, const std::string& tableName);

}  // namespace data
