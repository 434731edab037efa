#include "data/sql/DbfScan.h"

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

#include "data/Table.h"

namespace data::sql {

ColumnKind KindOf(const FieldInfo& f) {
  if (f.IsDate()) return ColumnKind::Date;
  if (f.IsLogical()) return ColumnKind::Logical;
  if (f.IsNumeric()) {
    const bool whole = f.decimals == 0 && (f.type == 'N' || f.type == 'I' || f.type == '+');
    return whole ? ColumnKind::Integer : ColumnKind::Real;
  }
  return ColumnKind::Text;
}

const char* DeclaredType(ColumnKind k) {
  switch (k) {
    case ColumnKind::Integer: return "INTEGER";
    case ColumnKind::Real: return "REAL";
    case ColumnKind::Date: return "DATE";
    case ColumnKind::Logical: return "BOOLEAN";
    case ColumnKind::Text: break;
  }
  return "TEXT";
}

namespace {

SqlValue Float(double v) { return SqlValue{SqlValue::Type::Float, false, 0, v, {}}; }

void SetInteger(SqlValue& out, std::int64_t v) {
  out.type = SqlValue::Type::Integer;
  out.integer = v;
  out.number = static_cast<double>(v);
}

void SetFloat(SqlValue& out, double v) {
  out.type = SqlValue::Type::Float;
  out.integer = 0;
  out.number = v;
}

}  // namespace

void ReadColumn(Table& t, int index, const Column& c, SqlValue& out) {
  const Field f = t.FieldByNumber(index);
  out.type = SqlValue::Type::Null;
  out.isDate = false;
  out.integer = 0;
  out.number = 0;
  switch (c.kind) {
    case ColumnKind::Integer:
      if (!f.IsNull()) SetInteger(out, f.AsInteger());
      return;
    case ColumnKind::Real:
      if (!f.IsNull()) SetFloat(out, f.AsFloat());
      return;
    case ColumnKind::Date: {
      if (f.IsNull()) return;
      const double d = f.AsDate();
      if (d == std::floor(d)) SetInteger(out, static_cast<std::int64_t>(d));
      else SetFloat(out, d);
      out.isDate = true;
      return;
    }
    case ColumnKind::Logical: {
      const std::optional<bool> b = f.AsBoolean();
      if (b) SetInteger(out, *b ? 1 : 0);
      return;
    }
    case ColumnKind::Text: break;
  }
  out.type = SqlValue::Type::Text;
  f.ReadString(out.text);
}

void ResultOf(sqlite3_context* ctx, const SqlValue& v) {
  switch (v.type) {
    case SqlValue::Type::Null: sqlite3_result_null(ctx); break;
    case SqlValue::Type::Integer: sqlite3_result_int64(ctx, v.integer); break;
    case SqlValue::Type::Float: sqlite3_result_double(ctx, v.number); break;
    case SqlValue::Type::Text:
      // Given as a terminated string when it is one, SQLite copies the
      // terminator too; with only a length it copies the text again later,
      // the first time the value is read as a C string.
      if (std::memchr(v.text.data(), '\0', v.text.size()) == nullptr)
        sqlite3_result_text(ctx, v.text.c_str(), -1, SQLITE_TRANSIENT);
      else
        sqlite3_result_text(ctx, v.text.data(), static_cast<int>(v.text.size()), SQLITE_TRANSIENT);
      break;
  }
}

int CompareSqlValues(const SqlValue& a, const SqlValue& b) {
  auto rank = [](const SqlValue& v) {
    switch (v.type) {
      case SqlValue::Type::Null: return 0;
      case SqlValue::Type::Integer:
      case SqlValue::Type::Float: return 1;
      case SqlValue::Type::Text: break;
    }
    return 2;
  };
  const int ra = rank(a), rb = rank(b);
  if (ra != rb) return ra < rb ? -1 : 1;
  if (ra == 0) return 0;
  if (ra == 1) {
    if (a.type == SqlValue::Type::Integer && b.type == SqlValue::Type::Integer)
      return a.integer < b.integer ? -1 : a.integer > b.integer ? 1 : 0;
    return a.number < b.number ? -1 : a.number > b.number ? 1 : 0;
  }
  const std::size_t n = std::min(a.text.size(), b.text.size());
  const int c = n ? std::memcmp(a.text.data(), b.text.data(), n) : 0;
  if (c != 0) return c < 0 ? -1 : 1;
  return a.text.size() < b.text.size() ? -1 : a.text.size() > b.text.size() ? 1 : 0;
}

namespace {

// A bound as a value of the column's kind, or nothing when the value gives
// no bound the index can use (the scan then goes on and SQLite filters).
enum class BoundUse { Value, Ignore, NoRows };

BoundUse NumberOf(sqlite3_value* v, double& out) {
  switch (sqlite3_value_numeric_type(v)) {
    case SQLITE_NULL: return BoundUse::NoRows;  // nothing compares true with NULL
    case SQLITE_INTEGER: out = static_cast<double>(sqlite3_value_int64(v)); return BoundUse::Value;
    case SQLITE_FLOAT: out = sqlite3_value_double(v); return BoundUse::Value;
    default: return BoundUse::Ignore;
  }
}

}  // namespace

ScanBounds BoundsOf(int column, const Column& c, sqlite3_value* eq, sqlite3_value* lower, bool lowerInclusive,
                    sqlite3_value* upper, bool upperInclusive) {
  ScanBounds b;
  b.column = column;
  if (c.kind == ColumnKind::Text) {
    // Equality only. A value that is not text leaves the whole column.
    if (!eq) return b;
    if (sqlite3_value_type(eq) == SQLITE_NULL) {
      b.none = true;
    } else if (sqlite3_value_type(eq) == SQLITE_TEXT) {
      const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(eq));
      SqlValue text{SqlValue::Type::Text, false, 0, 0,
                    std::string(p ? p : "", static_cast<std::size_t>(sqlite3_value_bytes(eq)))};
      b.low = {true, true, text};
      b.high = {true, true, std::move(text)};
    }
    return b;
  }
  auto take = [&](sqlite3_value* v, bool isLower, bool inclusive) {
    double x = 0;
    switch (NumberOf(v, x)) {
      case BoundUse::NoRows: b.none = true; return;
      case BoundUse::Ignore: return;
      case BoundUse::Value: break;
    }
    if (c.wholeDays) {
      if (isLower) x = inclusive ? std::ceil(x) : std::floor(x) + 1;
      else x = inclusive ? std::floor(x) : std::ceil(x) - 1;
      inclusive = true;
    }
    (isLower ? b.low : b.high) = Bound{true, inclusive, Float(x)};
  };
  if (eq) {
    take(eq, true, true);
    take(eq, false, true);
  }
  if (lower) take(lower, true, lowerInclusive);
  if (upper) take(upper, false, upperInclusive);
  // e.g. a day equal to a value with a time: no day matches.
  if (b.low.set && b.high.set && b.low.value.number > b.high.value.number) b.none = true;
  return b;
}

bool WithinBounds(const ScanBounds& b, const SqlValue& v) {
  if (b.none) return false;
  if (b.column < 0) return true;
  if (v.type == SqlValue::Type::Null) return !b.low.set && !b.high.set;
  if (b.low.set) {
    const int c = CompareSqlValues(v, b.low.value);
    if (c < 0 || (c == 0 && !b.low.inclusive)) return false;
  }
  if (b.high.set) {
    const int c = CompareSqlValues(v, b.high.value);
    if (c > 0 || (c == 0 && !b.high.inclusive)) return false;
  }
  return true;
}

void SortRows(std::vector<const Row*>& rows, const std::vector<OrderTerm>& terms) {
  if (terms.empty() || rows.size() < 2) return;
  std::stable_sort(rows.begin(), rows.end(), [&terms](const Row* a, const Row* b) {
    for (const OrderTerm& t : terms) {
      const auto i = static_cast<std::size_t>(t.column);
      const int c = CompareSqlValues(a->values[i], b->values[i]);
      if (c != 0) return t.desc ? c > 0 : c < 0;
    }
    return false;
  });
}

}  // namespace data::sql
