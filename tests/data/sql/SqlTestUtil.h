#pragma once
#include <algorithm>
#include <string>
#include <vector>

#include "data/sql/Query.h"

namespace data::sqltest {

// One column of every row, as text, in result order.
inline std::vector<std::string> ColumnOf(Query& q, const std::string& field) {
  std::vector<std::string> out;
  for (q.First(); !q.Eof(); q.Next()) out.push_back(q.FieldByName(field).AsString());
  return out;
}

inline std::vector<int> IdsOf(Query& q, bool sorted = false) {
  std::vector<int> out;
  for (q.First(); !q.Eof(); q.Next()) out.push_back(static_cast<int>(q.FieldByName("ID").AsInteger()));
  if (sorted) std::sort(out.begin(), out.end());
  return out;
}

}  // namespace data::sqltest
