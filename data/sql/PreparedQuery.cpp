#include "data/sql/PreparedQuery.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <set>

#include "data/NameCase.h"
#include "data/sql/DateResults.h"
#include "data/sql/ReadOnlyGuard.h"
#include "data/sql/LikePushdown.h"
#include "data/sql/SqlFunctions.h"
#include "data/sql/SqlRewrite.h"

namespace data::sql {
namespace {

[[noreturn]] void ThrowSql(sqlite3* db) {
  throw DbError(std::string("Error en la consulta SQL: ") + sqlite3_errmsg(db));
}

struct CloseDb {
  void operator()(sqlite3* db) const { sqlite3_close(db); }
};
struct FinalizeStmt {
  void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using DbPtr = std::unique_ptr<sqlite3, CloseDb>;
using StmtPtr = std::unique_ptr<sqlite3_stmt, FinalizeStmt>;

// Used by one thread at a time (whichever runs the query), so SQLite's own
// locking of the connection is left out.
DbPtr OpenConnection() {
  sqlite3* raw = nullptr;
  const int rc =
      sqlite3_open_v2(":memory:", &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
  DbPtr db(raw);
  if (rc != SQLITE_OK) {
    if (!raw) throw DbError("Error en la consulta SQL: no hay memoria para la conexión.");
    ThrowSql(raw);
  }
  // A double-quoted word is always a name, never silently a string, so a
  // misspelt column is reported instead of compared as text.
  sqlite3_db_config(raw, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
  sqlite3_db_config(raw, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
  if (sqlite3_exec(raw, "PRAGMA case_sensitive_like = ON", nullptr, nullptr, nullptr) != SQLITE_OK) ThrowSql(raw);
  RegisterSqlFunctions(raw);
  return db;
}

// Read through the column's value object: the sqlite3_column_* calls each
// look the column up and check for errors again. (SQLite calls that value
// unprotected: it is used while no other thread can touch the connection,
// which has no mutex anyway.)
SqlValue ReadColumn(sqlite3_stmt* stmt, int i, bool isDate) {
  SqlValue v;
  v.isDate = isDate;
  sqlite3_value* value = sqlite3_column_value(stmt, i);
  switch (sqlite3_value_type(value)) {
    case SQLITE_INTEGER:
      v.type = SqlValue::Type::Integer;
      v.integer = sqlite3_value_int64(value);
      v.number = static_cast<double>(v.integer);
      break;
    case SQLITE_FLOAT:
      v.type = SqlValue::Type::Float;
      v.number = sqlite3_value_double(value);
      break;
    case SQLITE_NULL:
      break;
    default: {
      v.type = SqlValue::Type::Text;
      const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(value));
      v.text.assign(p ? p : "", static_cast<std::size_t>(sqlite3_value_bytes(value)));
      break;
    }
  }
  return v;
}

void Bind(sqlite3* db, sqlite3_stmt* stmt, int index, const SqlValue& v) {
  int rc = SQLITE_OK;
  switch (v.type) {
    case SqlValue::Type::Null: rc = sqlite3_bind_null(stmt, index); break;
    case SqlValue::Type::Integer: rc = sqlite3_bind_int64(stmt, index, v.integer); break;
    case SqlValue::Type::Float: rc = sqlite3_bind_double(stmt, index, v.number); break;
    case SqlValue::Type::Text:
      rc = sqlite3_bind_text(stmt, index, v.text.data(), static_cast<int>(v.text.size()), SQLITE_TRANSIENT);
      break;
  }
  if (rc != SQLITE_OK) ThrowSql(db);
}

bool OnlyBlanks(const char* p) {
  for (; p && *p; ++p)
    if (!std::isspace(static_cast<unsigned char>(*p)) && *p != ';') return false;
  return true;
}

// The names of the columns declared DATE in the connection's tables (upper
// case); a name that is a date in one table and not in another is left out.
std::set<std::string> DateColumns(sqlite3* db, const std::vector<std::string>& tables) {
  std::set<std::string> dates, others;
  sqlite3_stmt* raw = nullptr;
  if (sqlite3_prepare_v2(db, "SELECT name, type FROM pragma_table_info(?1)", -1, &raw, nullptr) != SQLITE_OK)
    ThrowSql(db);
  const StmtPtr stmt(raw);
  for (const std::string& table : tables) {
    sqlite3_bind_text(raw, 1, table.c_str(), static_cast<int>(table.size()), SQLITE_TRANSIENT);
    while (sqlite3_step(raw) == SQLITE_ROW) {
      const auto* name = reinterpret_cast<const char*>(sqlite3_column_text(raw, 0));
      const auto* type = reinterpret_cast<const char*>(sqlite3_column_text(raw, 1));
      (type && Upper(type) == "DATE" ? dates : others).insert(Upper(name ? name : ""));
    }
    sqlite3_reset(raw);
  }
  for (const std::string& n : others) dates.erase(n);
  return dates;
}

// The time limit of a run, checked every thousand steps of the statement.
struct Deadline {
  std::chrono::steady_clock::time_point at;
  bool passed = false;
};

int CheckDeadline(void* data) {
  auto* d = static_cast<Deadline*>(data);
  if (std::chrono::steady_clock::now() >= d->at) d->passed = true;
  return d->passed ? 1 : 0;
}

std::string Seconds(std::chrono::milliseconds t) {
  const long long ms = t.count();
  if (ms % 1000 == 0) return std::to_string(ms / 1000) + (ms == 1000 ? " segundo" : " segundos");
  return std::to_string(ms) + " milisegundos";
}

}  // namespace

struct PreparedQuery::Connection {
  VisitCounts visits;  // before the connection: its module points here
  std::string refused;  // what the guard refused, before the connection too
  Deadline deadline;
  DbPtr db;
  ModuleContext* module = nullptr;
  StmtPtr stmt;
  std::vector<std::string> names;
  std::vector<bool> isDate;
};

PreparedQuery::PreparedQuery(const std::string& folder, const std::string& text, LikeConditions like)
    : c_(std::make_unique<Connection>()) {
  CheckStatementKind(text);
  Connection& c = *c_;
  c.db = OpenConnection();
  sqlite3* db = c.db.get();
  c.module = RegisterDbfModule(db, folder, &c.visits);
  const std::vector<std::string> tables = DbfTablesNamed(folder, IdentifiersOf(text));
  for (const std::string& table : tables) CreateDbfTable(db, table);
  const std::set<std::string> dateColumns = DateColumns(db, tables);
  GuardReadOnly(db, &c.refused);

  sqlite3_stmt* raw = nullptr;
  const char* tail = nullptr;
  // The text with its LIKE conditions handed down to the scans; should that
  // fail to prepare, the text as given decides (and reports its own error).
  const std::string pushed =
      like == LikeConditions::HandedDown
          ? PushLikeDown(text, static_cast<std::size_t>(sqlite3_limit(db, SQLITE_LIMIT_LIKE_PATTERN_LENGTH, -1)))
          : text;
  int rc = SQLITE_ERROR;
  if (pushed != text) {
    rc = sqlite3_prepare_v2(db, pushed.c_str(), static_cast<int>(pushed.size()), &raw, &tail);
    if (rc != SQLITE_OK || !OnlyBlanks(tail)) {
      sqlite3_finalize(raw);
      raw = nullptr;
      rc = SQLITE_ERROR;
    }
  }
  if (rc != SQLITE_OK) rc = sqlite3_prepare_v2(db, text.c_str(), static_cast<int>(text.size()), &raw, &tail);
  c.stmt.reset(raw);
  CheckReadOnly(rc, raw, text, c.refused);
  if (rc != SQLITE_OK) ThrowSql(db);
  if (!raw) throw DbError("Error en la consulta SQL: el texto no tiene ninguna sentencia.");
  if (!OnlyBlanks(tail)) throw DbError("Error en la consulta SQL: el texto tiene más de una sentencia.");
  const int columns = sqlite3_column_count(raw);
  // MIN(FECHA_INI) and the like have no declared type but are dates all the same.
  const std::vector<bool> computed = DateValuedColumns(
      text, columns, [&](const std::string& name) { return dateColumns.count(Upper(name)) > 0; });
  for (int i = 0; i < columns; ++i) {
    const char* name = sqlite3_column_name(raw, i);
    c.names.emplace_back(name ? name : "");
    const char* decl = sqlite3_column_decltype(raw, i);
    c.isDate.push_back(decl ? Upper(decl) == "DATE" : computed[static_cast<std::size_t>(i)]);
  }
}

PreparedQuery::~PreparedQuery() = default;

QueryResult PreparedQuery::Run(const std::map<std::string, QueryParam>& params, const QueryLimits& limits) {
  Connection& c = *c_;
  sqlite3* db = c.db.get();
  sqlite3_stmt* stmt = c.stmt.get();
  c.visits = {};
  c.refused.clear();
  c.deadline = {std::chrono::steady_clock::now() + limits.time, false};
  sqlite3_progress_handler(db, limits.time.count() > 0 ? 1000 : 0, CheckDeadline, &c.deadline);
  // However the run ends: cursors closed (and with them the tables), and
  // whatever the virtual tables kept for this run let go.
  struct EndOfRun {
    Connection& c;
    ~EndOfRun() {
      sqlite3_reset(c.stmt.get());
      EndRun(c.module);
    }
  } end{c};

  sqlite3_clear_bindings(stmt);
  for (int i = 1; i <= sqlite3_bind_parameter_count(stmt); ++i) {
    const char* name = sqlite3_bind_parameter_name(stmt, i);
    if (!name) throw DbError("Error en la consulta SQL: los parámetros deben tener nombre (:nombre).");
    const auto p = params.find(Upper(name + 1));
    if (p == params.end() || !p->second.IsSet())
      throw DbError(std::string("Error en la consulta SQL: falta el valor del parámetro ") + name + ".");
    Bind(db, stmt, i, p->second.Value());
  }

  QueryResult result;
  const int columns = static_cast<int>(c.names.size());
  for (;;) {
    const int rc = sqlite3_step(stmt);
    if (rc == SQLITE_DONE) break;
    if (rc != SQLITE_ROW && !c.refused.empty()) Refuse(c.refused);
    if (rc != SQLITE_ROW && c.deadline.passed)
      throw DbError("Error en la consulta SQL: la consulta se ha detenido al pasar de " + Seconds(limits.time) + ".");
    if (rc != SQLITE_ROW) ThrowSql(db);
    if (limits.values > 0 && (result.rows.size() + 1) * static_cast<std::size_t>(std::max(columns, 1)) > limits.values)
      throw DbError("Error en la consulta SQL: la consulta da más de " + std::to_string(limits.values) +
                    " valores; acótela con WHERE o LIMIT.");
    std::vector<SqlValue>& row = result.rows.emplace_back();
    row.reserve(static_cast<std::size_t>(columns));
    for (int i = 0; i < columns; ++i) row.push_back(ReadColumn(stmt, i, c.isDate[static_cast<std::size_t>(i)]));
  }
  result.names = c.names;
  result.visits = c.visits;
  return result;
}

}  // namespace data::sql
