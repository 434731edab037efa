#pragma once
// What the virtual tables need to read dBase records as SQL values and to
// hand them out in SQL's order: column kinds, values of the current record,
// the bounds of an index scan, rows held in memory and their sorting.
#include <cstdint>
#include <string>
#include <vector>

#include "data/sql/Query.h"

struct sqlite3_context;
struct sqlite3_value;

namespace data {
class Table;
struct FieldInfo;
}  // namespace data

namespace data::sql {

// How a column is read and whether its tag can serve a scan.
enum class ColumnKind { Integer, Real, Date, Text, Logical };

struct Column {
  std::string name;
  ColumnKind kind = ColumnKind::Text;
  bool wholeDays = false;  // a D field: only whole days, so bounds round to days
  std::string tag;         // a tag on exactly this field, "" when none
  bool uniqueTag = false;
  bool operator==(const Column&) const = default;
};

ColumnKind KindOf(const FieldInfo& f);
const char* DeclaredType(ColumnKind k);

// Column `index` of the table's current record as SQL sees it: numbers and
// dates as Integer or Float, text without trailing blanks, logicals 1/0; a
// blank number, date or logical is Null, a blank text "". Read into `out`,
// whose text storage is reused.
void ReadColumn(Table& t, int index, const Column& c, SqlValue& out);
// Makes `v` the result of an xColumn call.
void ResultOf(sqlite3_context* ctx, const SqlValue& v);

// SQL's order of two values of a column: NULL first, then numbers by value,
// then text byte by byte (BINARY collation).
int CompareSqlValues(const SqlValue& a, const SqlValue& b);

// One end of a scan's range: a number for numeric and date columns, text
// for text columns.
struct Bound {
  bool set = false;
  bool inclusive = true;
  SqlValue value;
};

// The rows a scan of one column has to return (a superset of the rows the
// constraints select: SQLite checks them again).
struct ScanBounds {
  int column = -1;     // -1: every row
  bool none = false;   // a NULL operand: no row can match
  Bound low, high;
};

// The bounds of the equality (`eq`), lower and upper constraints SQLite
// passed (each may be null). Date columns take whole days: d >= 45000.3 is
// d >= 45001 and d <= 45000.3 is d <= 45000. A value that gives no usable
// bound (text against a number) leaves that end open.
ScanBounds BoundsOf(int column, const Column& c, sqlite3_value* eq, sqlite3_value* lower, bool lowerInclusive,
                    sqlite3_value* upper, bool upperInclusive);

// Whether `v` lies within the bounds (NULL never does).
bool WithinBounds(const ScanBounds& b, const SqlValue& v);

// A record held in memory: its values by column and its record number.
struct Row {
  std::vector<SqlValue> values;
  std::int64_t rowid = 0;
};

struct OrderTerm {
  int column = 0;
  bool desc = false;
};

// Stable sort by the terms, each in SQL's order.
void SortRows(std::vector<const Row*>& rows, const std::vector<OrderTerm>& terms);

}  // namespace data::sql
