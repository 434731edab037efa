#pragma once
// Scalar functions of the query connection that differ from SQLite's own or
// that the rewrite of EXTRACT(... FROM x) calls.
struct sqlite3;

namespace data::sql {

// UPPER and LOWER change only the letters A-Z / a-z, whatever SQLite was built
// with; the date parts take a day count since 30/12/1899 and give NULL for
// NULL or a value that is not a number.
void RegisterSqlFunctions(sqlite3* db);

}  // namespace data::sql
