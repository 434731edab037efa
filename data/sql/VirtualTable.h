#pragma once
// SQLite virtual tables served by the dBase table engine: every table of a
// data folder becomes a read-only SQL table of the same name.
//
// Column types as SQL sees them: numbers are INTEGER (no decimals) or REAL,
// dates are whole days since 30/12/1899 (declared DATE, so they compare as
// numbers with date parameters that carry a time), text and memo fields are
// TEXT without their trailing blanks, logicals 1/0. A blank number, date or
// logical is NULL; a blank text is ''. Records marked as deleted never show.
//
// Equality and range constraints on a column with an index tag are answered
// by a range scan of that tag; everything else by a scan in file order.
// SQLite checks every constraint again on the rows it gets, so the scans only
// have to return a superset of the matching rows. A MATCH on the hidden text
// filter column (LikePushdown.h) makes the scan step over the records whose
// text fails its LIKE terms. When the ORDER BY starts
// with the scanned number or date column, the scan hands the rows out in the
// ORDER BY's order (records with equal keys sorted in memory) and SQLite
// skips its own sorting. A small table scanned more than once in a statement
// (the inner side of a join) is read into memory once and searched there.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct sqlite3;

namespace data::sql {

// Records the virtual tables stepped onto, by table name as created.
struct VisitCounts {
  std::map<std::string, std::uint64_t> byTable;
  std::uint64_t total = 0;
  // Of those, the records a text filter turned away (LikePushdown.h).
  std::uint64_t turnedAway = 0;
};

// The module on one connection; the connection owns it.
struct ModuleContext;

// Registers the module on the connection; `counts` must outlive it.
ModuleContext* RegisterDbfModule(sqlite3* db, const std::string& folder, VisitCounts* counts);

// A statement may run many times: each run opens the tables when it
// starts reading them, and its cursors close them when it ends. Call this
// after every run (the statement reset): it closes the table each virtual
// table kept open from its creation for the first run, and forgets the
// rows it read into memory, so the next run reads the files anew. A run of
// a statement prepared earlier fails when a table's columns or tags changed
// since, or its size changed enough to call for a new plan: prepare the
// statement anew on a new connection then.
void EndRun(ModuleContext* module);

// The folder's dBase files (name without extension as found on disk) whose
// name is one of `names`, compared without regard to case.
std::vector<std::string> DbfTablesNamed(const std::string& folder, const std::vector<std::string>& names);

// Creates the virtual table `name` over "<folder><name>.DBF". Throws
// data::DbError with the engine's message when the table cannot be opened.
void CreateDbfTable(sqlite3* db, const std::string& name);

}  // namespace data::sql
