#include "data/sql/TextFilter.h"

#include <algorithm>

#include "data/NameCase.h"
#include "data/Table.h"

namespace data::sql {

void TextFilter::Clear() {
  groups_.clear();
  columns_.clear();
}

void TextFilter::AddGroup(const Table& t, const std::vector<LikeTerm>& terms) {
  std::vector<Term> group;
  const std::vector<FieldInfo>& fields = t.Fields();
  for (std::size_t k = 0; k < terms.size(); ++k) {
    const LikeTerm& term = terms[k];
    // The same term again (the search's text as typed and in lower case
    // are often one) cannot change the answer.
    if (std::find(terms.begin(), terms.begin() + static_cast<std::ptrdiff_t>(k), term) != terms.begin() + static_cast<std::ptrdiff_t>(k))
      continue;
    int field = -1;
    for (std::size_t i = 0; i < fields.size() && field < 0; ++i)
      if (Upper(fields[i].name) == Upper(term.column)) field = static_cast<int>(i);
    if (field < 0 || (fields[static_cast<std::size_t>(field)].type != 'C' && !fields[static_cast<std::size_t>(field)].IsMemo()))
      return;
    std::size_t slot = 0;
    while (slot < columns_.size() && columns_[slot].field != field) ++slot;
    if (slot == columns_.size()) columns_.push_back({field, {}, {}, false});
    group.push_back({slot, StoredLike(term.pattern, term.fold, t.CodePage())});
  }
  if (!group.empty()) groups_.push_back(std::move(group));
}

bool TextFilter::Passes(const Table& t) {
  for (ColumnText& c : columns_) c.read = false;
  for (const std::vector<Term>& group : groups_) {
    bool any = false;
    for (const Term& term : group) {
      ColumnText& c = columns_[term.slot];
      if (!c.read) {
        c.text = StoredLike::AsRead(t.StoredText(c.field, c.scratch));
        c.read = true;
      }
      if (term.like.Matches(c.text)) {
        any = true;
        break;
      }
    }
    if (!any) return false;
  }
  return true;
}

}  // namespace data::sql
