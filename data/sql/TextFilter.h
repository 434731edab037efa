#pragma once
// The LIKE conditions a scan was handed (LikePushdown.h), checked on the
// stored bytes of the current record: a record passes when in every group
// one of the terms matches. Checking allocates nothing once each column's
// scratch storage has grown to its longest memo.
#include <string>
#include <vector>

#include "data/sql/LikePushdown.h"
#include "data/sql/StoredLike.h"

namespace data {
class Table;
}

namespace data::sql {

class TextFilter {
 public:
  void Clear();
  // A group of terms ORed. A group that names a column the table has not as
  // a text or memo field is left out (it then filters nothing: SQLite still
  // checks the condition, or reports the unknown column).
  void AddGroup(const Table& t, const std::vector<LikeTerm>& terms);
  bool Empty() const { return groups_.empty(); }
  bool Passes(const Table& t);

 private:
  struct Term {
    std::size_t slot;  // into columns_
    StoredLike like;
  };
  struct ColumnText {
    int field = 0;
    std::string scratch;
    std::string_view text;
    bool read = false;
  };
  std::vector<std::vector<Term>> groups_;
  std::vector<ColumnText> columns_;
};

}  // namespace data::sql
