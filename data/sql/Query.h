#pragma once
// An SQL query over the dBase tables of one data folder.
//
//   data::Query q("/datos/");
//   q.SetSQL({"SELECT ID, TIPO", "FROM AGENDA.DBF", "WHERE TIPO=:pTipo"});
//   q.ParamByName("pTipo").SetAsInteger(3);
//   q.Open();
//   for (q.First(); !q.Eof(); q.Next()) use(q.FieldByName("ID").AsInteger());
//   q.Close();
//
// The text is run by SQLite in a private in-memory connection in which every
// table of the folder named in the text is a virtual table read through the
// table engine. The query keeps the connection and the prepared text
// between Opens; every Open still opens the table files anew. Texts written for desktop database engines work as written:
// table names with ".DBF" or in double quotes, EXTRACT(YEAR FROM x); UPPER and
// LOWER change only A-Z, LIKE is case-sensitive. Parameters are always bound,
// never pasted into the text.
//
// Open reads the whole result into memory and releases the tables at once, so
// an open query holds no file open; its rows are read-only. The text only
// reads: statements that write, ATTACH a file or change a setting are
// refused with a message that names them. Every failure raises
// data::DbError: SQL errors carry SQLite's own message.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/DateTime.h"
#include "data/DbError.h"

namespace data {
namespace sql {
class PreparedQuery;
}

// One value of a result row or of a parameter.
struct SqlValue {
  enum class Type : std::uint8_t { Null, Integer, Float, Text };
  Type type = Type::Null;
  bool isDate = false;  // a date column or date parameter: a day count
  std::int64_t integer = 0;
  double number = 0;
  std::string text;
};

class QueryParam {
 public:
  void SetAsInteger(std::int64_t v);
  void SetAsFloat(double v);
  void SetAsDate(TDateTime v);  // the full value, time of day included
  void SetAsString(const std::string& v);
  void Clear();  // binds NULL
  bool IsSet() const { return set_; }
  const SqlValue& Value() const { return value_; }

 private:
  SqlValue value_;
  bool set_ = false;
};

// A column of the current row. Reading a NULL gives 0, 0.0, "" or date 0.
class QueryField {
 public:
  QueryField(const std::string& name, const SqlValue& value) : name_(&name), value_(&value) {}
  const std::string& FieldName() const { return *name_; }
  bool IsNull() const { return value_->type == SqlValue::Type::Null; }
  bool IsDate() const { return value_->isDate; }
  std::int64_t AsInteger() const;  // numbers rounded to the nearest whole
  double AsFloat() const;
  // Numbers in plain decimal ("57", "-1000", "20.5"), dates as YYYY-MM-DD,
  // text as it is.
  std::string AsString() const;
  TDateTime AsDate() const;  // a day count; text YYYY-MM-DD is read as a date

 private:
  const std::string* name_;
  const SqlValue* value_;
};

// Bounds of one Open, none by default. A run that passes one stops with a
// DbError that says which.
struct QueryLimits {
  std::chrono::milliseconds time{0};
  std::size_t values = 0;  // result rows times columns
};

class Query {
 public:
  Query();
  explicit Query(std::string folder);
  ~Query();
  Query(const Query&) = delete;
  Query& operator=(const Query&) = delete;

  // Folder of the tables; changing it closes the query.
  void SetFolder(const std::string& folder);
  const std::string& Folder() const { return folder_; }

  // The SQL text in lines, joined with line breaks. Changing it closes the
  // query; parameter values already set are kept by name.
  void SetSQL(const std::vector<std::string>& lines);
  void AddSQL(const std::string& line);
  void ClearSQL();
  const std::vector<std::string>& SQLLines() const { return lines_; }
  std::string SQLText() const;

  // The parameter ":name" of the text (name without the colon, any case).
  // Every parameter in the text must have a value when the query opens.
  QueryParam& ParamByName(const std::string& name);

  void SetLimits(const QueryLimits& limits) { limits_ = limits; }

  void Open();
  void Close();
  bool Active() const { return active_; }

  // --- Result.
  int FieldCount() const { return static_cast<int>(names_.size()); }
  const std::vector<std::string>& FieldNames() const { return names_; }
  bool HasField(const std::string& name) const { return FieldIndex(name) >= 0; }
  QueryField FieldByName(const std::string& name) const;  // throws for an unknown name
  QueryField FieldByNumber(int index) const;              // 0-based

  int RecordCount() const { return static_cast<int>(rows_.size()); }
  bool IsEmpty() const { return rows_.empty(); }
  void First() { row_ = 0; }
  void Next() { if (row_ < rows_.size()) ++row_; }
  bool Eof() const { return row_ >= rows_.size(); }
  int RecNo() const { return static_cast<int>(row_); }  // 0-based row
  void SetRecNo(int row);                                // clamped to 0..RecordCount()

  // Records the virtual tables visited while the last Open ran, in all or in
  // one table (name as its file, without ".DBF", any case).
  std::uint64_t RecordsVisited() const { return visited_; }
  std::uint64_t RecordsVisited(const std::string& table) const;

 private:
  int FieldIndex(const std::string& name) const;
  void RequireActive() const;

  std::string folder_;
  std::vector<std::string> lines_;
  std::map<std::string, QueryParam> params_;  // by upper-case name
  QueryLimits limits_;
  bool active_ = false;
  std::vector<std::string> names_;
  std::vector<std::vector<SqlValue>> rows_;
  std::size_t row_ = 0;
  std::uint64_t visited_ = 0;
  std::map<std::string, std::uint64_t> visitedByTable_;  // by upper-case name
  // The text as last prepared over the folder's tables.
  std::unique_ptr<sql::PreparedQuery> prepared_;
  std::string preparedText_;
};

}  // namespace data
