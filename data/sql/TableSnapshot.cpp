#include "data/sql/TableSnapshot.h"

#include <algorithm>

#include "data/Table.h"

namespace data::sql {

TableSnapshot::TableSnapshot(Table& t, const std::vector<Column>& columns, std::uint64_t& visits) {
  if (!t.IndexName().empty()) t.SetIndexName("");
  for (t.First(); !t.Eof(); t.Next()) {
    Row& r = rows_.emplace_back();
    r.rowid = t.RecNo();
    r.values.resize(columns.size());
    for (std::size_t i = 0; i < columns.size(); ++i) ReadColumn(t, static_cast<int>(i), columns[i], r.values[i]);
    ++visits;
  }
  sorted_.resize(columns.size());
}

const std::vector<const Row*>& TableSnapshot::SortedBy(int column) const {
  auto& order = sorted_[static_cast<std::size_t>(column)];
  if (order.size() != rows_.size()) {
    order.clear();
    for (const Row& r : rows_) order.push_back(&r);
    SortRows(order, {{column, false}});
  }
  return order;
}

void TableSnapshot::Select(const ScanBounds& b, std::vector<const Row*>& out) const {
  out.clear();
  if (b.none) return;
  if (b.column < 0) {
    out.reserve(rows_.size());
    for (const Row& r : rows_) out.push_back(&r);
    return;
  }
  const auto& order = SortedBy(b.column);
  const auto i = static_cast<std::size_t>(b.column);
  // The rows within the bounds are one run of the sorted column.
  auto first = order.begin();
  if (b.low.set || b.high.set) {
    first = std::partition_point(order.begin(), order.end(), [&](const Row* r) {
      const SqlValue& v = r->values[i];
      if (v.type == SqlValue::Type::Null) return true;
      if (!b.low.set) return false;
      const int c = CompareSqlValues(v, b.low.value);
      return c < 0 || (c == 0 && !b.low.inclusive);
    });
  }
  auto last = order.end();
  if (b.high.set) {
    last = std::partition_point(first, order.end(), [&](const Row* r) {
      const int c = CompareSqlValues(r->values[i], b.high.value);
      return c < 0 || (c == 0 && b.high.inclusive);
    });
  }
  out.assign(first, last);
}

}  // namespace data::sql
