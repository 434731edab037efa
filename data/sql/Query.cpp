#include "data/sql/Query.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "data/NameCase.h"
#include "data/sql/PreparedQuery.h"
#include "data/sql/SqlRewrite.h"

namespace data {
namespace {

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

Query::Query() = default;
Query::Query(std::string folder) : folder_(std::move(folder)) {}
Query::~Query() = default;

void Query::SetFolder(const std::string& folder) {
  Close();
  if (folder != folder_) prepared_.reset();  // prepared over the other folder's tables
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
  const std::string text = SQLText();
  sql::QueryResult result;
  bool done = false;
  if (prepared_ && preparedText_ == text) {
    // Any failure of a statement prepared earlier (a table replaced by one
    // of another shape, removed, grown much) is settled by preparing it
    // anew below, which gives the error of the tables as they are now.
    try {
      result = prepared_->Run(params_, limits_);
      done = true;
    } catch (const DbError&) {
    }
  }
  if (!done) {
    prepared_.reset();
    auto fresh = std::make_unique<sql::PreparedQuery>(folder_, sql::RewriteForSqlite(text));
    result = fresh->Run(params_, limits_);
    prepared_ = std::move(fresh);
    preparedText_ = text;
  }

  names_ = std::move(result.names);
  rows_ = std::move(result.rows);
  row_ = 0;
  visited_ = result.visits.total;
  visitedByTable_.clear();
  for (const auto& [table, n] : result.visits.byTable) visitedByTable_[Upper(table)] += n;
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
