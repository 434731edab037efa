#include "calendar/RBCalendarSelection.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {
auto LowerBound(const std::vector<TRBCSelection>& list, TDate day) {
  return std::lower_bound(list.begin(), list.end(), day,
                          [](const TRBCSelection& s, TDate d) { return s.Day < d; });
}
}  // namespace

bool TRBCSelectionModel::SetSelectionRange(TDate d1, TDate d2) {
  if (d1 > d2) std::swap(d1, d2);
  if (d1 == 0 || d2 == 0) d1 = d2 = 0;
  if (d1 == FStart && d2 == FEnd) return false;
  if (FMaxSelections > 0 && (d2 - d1) + 1 > FMaxSelections) return false;
  FStart = d1;
  FEnd = d2;
  return true;
}

bool TRBCSelectionModel::InList(TDate day) const {
  auto it = LowerBound(FList, day);
  return it != FList.end() && it->Day == day;
}

bool TRBCSelectionModel::AddSelection(TDate d1, TDate d2, const CanSelectFn& canSelect) {
  if (d1 > d2) std::swap(d1, d2);
  if (FMaxSelections > 0) {
    long long missing = 0;
    for (TDate d = d1; d <= d2; d += 1)
      if (!InList(d)) ++missing;
    if (missing + static_cast<long long>(FList.size()) > FMaxSelections) return false;
  }
  bool added = false;
  for (TDate d = std::trunc(d1); d <= std::trunc(d2); d += 1) {
    if (InList(d)) continue;
    if (FMaxSelections > 0 && static_cast<int>(FList.size()) >= FMaxSelections) continue;
    if (canSelect && !canSelect(d)) continue;
    FList.insert(LowerBound(FList, d), TRBCSelection{d});
    added = true;
  }
  return added;
}

bool TRBCSelectionModel::RemoveSelection(TDate d1, TDate d2) {
  if (d1 > d2) std::swap(d1, d2);
  const auto before = FList.size();
  std::erase_if(FList, [&](const TRBCSelection& s) { return s.Day >= d1 && s.Day <= d2; });
  return FList.size() != before;
}

bool TRBCSelectionModel::SetSelections(TDate d1, TDate d2, const CanSelectFn& canSelect) {
  if (FMaxSelections > 0 && std::fabs(d2 - d1) + 1 > FMaxSelections) return false;
  ClearSelections();
  return AddSelection(d1, d2, canSelect);
}

bool TRBCSelectionModel::ClearSelections() {
  const bool had = !FList.empty();
  FList.clear();
  return had;
}
