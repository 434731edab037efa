#pragma once
// The SQL a query may run: reading the tables, and nothing that writes,
// attaches a database file or changes a setting of the connection. A text
// typed by a user cannot create or change a file anywhere through it.
#include <string>

struct sqlite3;
struct sqlite3_stmt;

namespace data::sql {

// Installs the authorizer on the connection, after the connection's own
// set-up (which creates the virtual tables). While the connection lives,
// what it refuses is named in *refused ("ATTACH", "PRAGMA journal_mode", ...),
// which must outlive it. A table-valued pragma is refused when the statement
// runs, not when it is prepared.
void GuardReadOnly(sqlite3* db, std::string* refused);

// Before preparing: refuses a text that starts as a statement that writes
// or changes the connection (INSERT, CREATE, ATTACH, VACUUM, BEGIN, ...),
// naming it by that word.
void CheckStatementKind(const std::string& text);

// The failure of a refused statement, naming what was refused.
[[noreturn]] void Refuse(const std::string& what);

// After preparing `text` (result code rc): throws DbError naming what was
// refused when the guard made the prepare fail, or when the statement would
// write (VACUUM asks the authorizer nothing). Other failures are the
// caller's to report.
void CheckReadOnly(int rc, sqlite3_stmt* stmt, const std::string& text, const std::string& refused);

}  // namespace data::sql
