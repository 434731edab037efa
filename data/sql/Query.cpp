#include "data/sql/Query.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "data/sql/SqlFunctions.h"
#include "data/sql/SqlRewrite.h"
#include "data/sql/VirtualTable.h"

namespace data {
namespace {

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

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

DbPtr OpenConnection(const std::string& folder, sql::VisitCounts* counts) {
  sqlite3* raw = nullptr;
  const int rc = sqlite3_open_v2(":memory:", &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
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
  sql::RegisterSqlFunctions(raw);
  sql::RegisterDbfModule(raw, folder, counts);
  return db;
}

SqlValue ReadColumn(sqlite3_stmt* stmt, int i, bool isDate) {
  SqlValue v;
  v.isDate = isDate;
  switch (sqlite3_column_type(stmt, i)) {
    case SQLITE_INTEGER:
      v.type = SqlValue::Type::Integer;
      v.integer = sqlite3_column_int64(stmt, i);
      v.number = static_cast<double>(v.integer);
      break;
    case SQLITE_FLOAT:
      v.type = SqlValue::Type::Float;
      v.number = sqlite3_column_double(stmt, i);
      break;
    case SQLITE_NULL:
      break;
    default: {
      v.type = SqlValue::Type::Text;
      const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
      v.text.assign(p ? p : "", static_cast<std::size_t>(sqlite3_column_bytes(stmt, i)));
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

std::string FormatNumber(double x) {
  if (std::isfinite(x) && x == std::trunc(x) && std::fabs(x) < 1e15)
    return std::to_string(static_cast<std::int64_t>(x));
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, x);
  return std::string(buf, r.ptr);
}

bool ParseIsoDate(const std::string& s, TDateTime& out) {
  int y = 0, m = 0, d = 0;
  char tail = 0;
  if (std::sscanf(s.c_str(), "%4d-%2d-%2d%c", &y, &m, &d, &tail) != 3) return false;
  return dt::TryEncodeDate(y, m, d, out);
}

}  // namespace

// --- QueryParam --------------------------------------------------------------

void QueryParam::SetAsInteger(std::int64_t v) {
  value_ = SqlValue{SqlValue::Type::Integer, false, v, static_cast<double>(v), {}};
  set_ = true;
}

void QueryParam::SetAsFloat(double v) {
  value_ = SqlValue{SqlValue::Type::Float, false, 0, v, {}};
  set_ = true;
}

void QueryParam::SetAsDate(TDateTime v) {
  value_ = SqlValue{SqlValue::Type::Float, true, 0, v, {}};
  set_ = true;
}

void QueryParam::SetAsString(const std::string& v) {
  value_ = SqlValue{SqlValue::Type::Text, false, 0, 0, v};
  set_ = true;
}

void QueryParam::Clear() {
  value_ = SqlValue{};
  set_ = true;
}

// --- QueryField --------------------------------------------------------------

std::int64_t QueryField::AsInteger() const {
  switch (value_->type) {
    case SqlValue::Type::Integer: return value_->integer;
    case SqlValue::Type::Float: return std::llround(value_->number);
    case SqlValue::Type::Text: return std::llround(std::strtod(value_->text.c_str(), nullptr));
    case SqlValue::Type::Null: break;
  }
  return 0;
}

double QueryField::AsFloat() const {
  switch (value_->type) {
    case SqlValue::Type::Integer:
    case SqlValue::Type::Float: return value_->number;
    case SqlValue::Type::Text: return std::strtod(value_->text.c_str(), nullptr);
    case SqlValue::Type::Null: break;
  }
  return 0;
}

std::string QueryField::AsString() const {
  switch (value_->type) {
    case SqlValue::Type::Text: return value_->text;
    case SqlValue::Type::Null: return {};
    case SqlValue::Type::Integer:
    case SqlValue::Type::Float: break;
  }
  if (value_->isDate) {
    int y = 0, m = 0, d = 0;
    dt::DecodeDate(value_->number, y, m, d);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", y, m, d);
    return buf;
  }
  if (value_->type == SqlValue::Type::Integer) return std::to_string(value_->integer);
  return FormatNumber(value_->number);
}

TDateTime QueryField::AsDate() const {
  switch (value_->type) {
    case SqlValue::Type::Integer:
    case SqlValue::Type::Float: return value_->number;
    case SqlValue::Type::Text: {
      TDateTime d = 0;
      return ParseIsoDate(value_->text, d) ? d : 0;
    }
    case SqlValue::Type::Null: break;
  }
  return 0;
}

// --- Query -------------------------------------------------------------------

void Query::SetFolder(const std::string& folder) {
  Close();
  folder_ = folder;
}

void Query::SetSQL(const std::vector<std::string>& lines) {
  Close();
  lines_ = lines;
}

void Query::AddSQL(const std::string& line) {
  Close();
  lines_.push_back(line);
}

void Query::ClearSQL() {
  Close();
  lines_.clear();
}

std::string Query::SQLText() const {
  std::string text;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (i) text += '\n';
    text += lines_[i];
  }
  return text;
}

QueryParam& Query::ParamByName(const std::string& name) {
  std::string key = Upper(name);
  if (!key.empty() && key.front() == ':') key.erase(0, 1);
  return params_[key];
}

void Query::Close() {
  active_ = false;
  names_.clear();
  rows_.clear();
  rows_.shrink_to_fit();
  row_ = 0;
}

void Query::Open() {
  Close();
  const std::string text = sql::RewriteForSqlite(SQLText());
  sql::VisitCounts counts;
  DbPtr db = OpenConnection(folder_, &counts);
  for (const std::string& table : sql::DbfTablesNamed(folder_, sql::IdentifiersOf(text)))
    sql::CreateDbfTable(db.get(), table);

  sqlite3_stmt* raw = nullptr;
  const char* tail = nullptr;
  if (sqlite3_prepare_v2(db.get(), text.c_str(), static_cast<int>(text.size()), &raw, &tail) != SQLITE_OK)
    ThrowSql(db.get());
  StmtPtr stmt(raw);
  if (!stmt) throw DbError("Error en la consulta SQL: el texto no tiene ninguna sentencia.");
  if (!OnlyBlanks(tail)) throw DbError("Error en la consulta SQL: el texto tiene más de una sentencia.");

  for (int i = 1; i <= sqlite3_bind_parameter_count(raw); ++i) {
    const char* name = sqlite3_bind_parameter_name(raw, i);
    if (!name) throw DbError("Error en la consulta SQL: los parámetros deben tener nombre (:nombre).");
    const auto p = params_.find(Upper(name + 1));
    if (p == params_.end() || !p->second.IsSet())
      throw DbError(std::string("Error en la consulta SQL: falta el valor del parámetro ") + name + ".");
    Bind(db.get(), raw, i, p->second.Value());
  }

  const int columns = sqlite3_column_count(raw);
  std::vector<std::string> names;
  std::vector<bool> isDate;
  for (int i = 0; i < columns; ++i) {
    const char* name = sqlite3_column_name(raw, i);
    names.emplace_back(name ? name : "");
    const char* decl = sqlite3_column_decltype(raw, i);
    isDate.push_back(decl && Upper(decl) == "DATE");
  }

  std::vector<std::vector<SqlValue>> rows;
  for (;;) {
    const int rc = sqlite3_step(raw);
    if (rc == SQLITE_DONE) break;
    if (rc != SQLITE_ROW) ThrowSql(db.get());
    std::vector<SqlValue>& row = rows.emplace_back();
    row.reserve(static_cast<std::size_t>(columns));
    for (int i = 0; i < columns; ++i) row.push_back(ReadColumn(raw, i, isDate[i]));
  }
  stmt.reset();
  db.reset();

  names_ = std::move(names);
  rows_ = std::move(rows);
  row_ = 0;
  visited_ = counts.total;
  visitedByTable_.clear();
  for (const auto& [table, n] : counts.byTable) visitedByTable_[Upper(table)] += n;
  active_ = true;
}

std::uint64_t Query::RecordsVisited(const std::string& table) const {
  std::string key = Upper(table);
  if (key.size() > 4 && key.compare(key.size() - 4, 4, ".DBF") == 0) key.resize(key.size() - 4);
  const auto it = visitedByTable_.find(key);
  return it == visitedByTable_.end() ? 0 : it->second;
}

void Query::SetRecNo(int row) {
  row_ = static_cast<std::size_t>(std::clamp(row, 0, RecordCount()));
}

int Query::FieldIndex(const std::string& name) const {
  const std::string key = Upper(name);
  for (std::size_t i = 0; i < names_.size(); ++i)
    if (Upper(names_[i]) == key) return static_cast<int>(i);
  return -1;
}

void Query::RequireActive() const {
  if (!active_) throw DbError("La consulta no está abierta.");
  if (Eof()) throw DbError("La consulta no tiene registro actual.");
}

QueryField Query::FieldByName(const std::string& name) const {
  const int i = FieldIndex(name);
  if (active_ && i < 0) throw DbError("La consulta no tiene el campo " + name + ".");
  RequireActive();
  return QueryField(names_[static_cast<std::size_t>(i)], rows_[row_][static_cast<std::size_t>(i)]);
}

QueryField Query::FieldByNumber(int index) const {
  RequireActive();
  if (index < 0 || index >= FieldCount())
    throw DbError("La consulta no tiene el campo número " + std::to_string(index) + ".");
  return QueryField(names_[static_cast<std::size_t>(index)], rows_[row_][static_cast<std::size_t>(index)]);
}

}  // namespace data
