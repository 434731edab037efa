#pragma once
// Every visible record of a small table held in memory for the rest of one
// statement: the inner side of a join (categories looked up for each
// appointment) is then searched in memory instead of once more on disk.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "data/sql/DbfScan.h"

namespace data {
class Table;
}

namespace data::sql {

class TableSnapshot {
 public:
  // Reads the records of `t` (open) in file order; `visits` counts them.
  TableSnapshot(Table& t, const std::vector<Column>& columns, std::uint64_t& visits);

  std::size_t Size() const { return rows_.size(); }

  // The rows within the bounds into `out` (replacing what it held): in
  // file order for a scan of every row, otherwise in the order of the
  // bounded column (NULL first, equal values in file order).
  void Select(const ScanBounds& b, std::vector<const Row*>& out) const;

 private:
  const std::vector<const Row*>& SortedBy(int column) const;

  std::vector<Row> rows_;
  mutable std::vector<std::vector<const Row*>> sorted_;  // by column, made on first use
};

}  // namespace data::sql
