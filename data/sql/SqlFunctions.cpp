#include "data/sql/SqlFunctions.h"

#include <sqlite3.h>

#include <string>

#include "core/DateTime.h"
#include "data/DbError.h"
#include "data/sql/SqlRewrite.h"

namespace data::sql {
namespace {

template <char From, char To>
void ChangeCase(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
    sqlite3_result_null(ctx);
    return;
  }
  const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
  std::string s(p ? p : "", static_cast<std::size_t>(sqlite3_value_bytes(argv[0])));
  for (char& c : s)
    if (c >= From && c <= From + 25) c = static_cast<char>(c - From + To);
  sqlite3_result_text(ctx, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

enum class Part { Year, Month, Day };

template <Part P>
void Extract(sqlite3_context* ctx, int, sqlite3_value** argv) {
  const int type = sqlite3_value_numeric_type(argv[0]);
  if (type != SQLITE_INTEGER && type != SQLITE_FLOAT) {
    sqlite3_result_null(ctx);
    return;
  }
  // Beyond the years 1..9999 there is no calendar date to take apart.
  const double days = sqlite3_value_double(argv[0]);
  if (!(days > -693594 && days < 2958466)) {
    sqlite3_result_null(ctx);
    return;
  }
  int y = 0, m = 0, d = 0;
  dt::DecodeDate(days, y, m, d);
  sqlite3_result_int(ctx, P == Part::Year ? y : P == Part::Month ? m : d);
}

void Register(sqlite3* db, const char* name, void (*fn)(sqlite3_context*, int, sqlite3_value**)) {
  const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
  if (sqlite3_create_function(db, name, 1, flags, nullptr, fn, nullptr, nullptr) != SQLITE_OK)
    throw DbError(std::string("Error en la consulta SQL: ") + sqlite3_errmsg(db));
}

}  // namespace

void RegisterSqlFunctions(sqlite3* db) {
  Register(db, "UPPER", ChangeCase<'a', 'A'>);
  Register(db, "LOWER", ChangeCase<'A', 'a'>);
  Register(db, kExtractYear, Extract<Part::Year>);
  Register(db, kExtractMonth, Extract<Part::Month>);
  Register(db, kExtractDay, Extract<Part::Day>);
}

}  // namespace data::sql
