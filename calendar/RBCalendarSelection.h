#pragma once
// Selection state of the multi-month calendar: one contiguous range, and the
// free set of days used in multi-selection mode. Plain C++; the control
// repaints when an operation reports a change. Dates are compared exactly.

#include <functional>
#include <vector>

#include "core/DateTime.h"

struct TRBCSelection {
  TDate Day = 0;
};

class TRBCSelectionModel {
 public:
  using CanSelectFn = std::function<bool(TDate)>;

  TDate SelectionStart() const { return FStart; }
  TDate SelectionEnd() const { return FEnd; }
  // Ascending by Day, never a day twice.
  const std::vector<TRBCSelection>& Selections() const { return FList; }

  int MaxSelections() const { return FMaxSelections; }
  void SetMaxSelections(int value) { FMaxSelections = value < 0 ? 0 : value; }

  // Orders the ends; a 0 at either end empties the range (both 0). A range
  // longer than MaxSelections is refused and the old one kept. Returns
  // whether the range changed.
  bool SetSelectionRange(TDate d1, TDate d2);

  bool InRange(TDate day) const { return FStart <= day && day <= FEnd; }
  bool InList(TDate day) const;

  // Adds the whole days d1..d2 that are not held yet and that canSelect
  // accepts; when the new days would take the list past MaxSelections nothing
  // is added. Returns whether anything was added.
  bool AddSelection(TDate d1, TDate d2, const CanSelectFn& canSelect);
  // Removes every day between the two ends, both included.
  bool RemoveSelection(TDate d1, TDate d2);
  // Replaces the list by d1..d2; a span longer than MaxSelections is refused
  // and the list kept. Returns what AddSelection returns.
  bool SetSelections(TDate d1, TDate d2, const CanSelectFn& canSelect);
  // Returns whether the list held anything.
  bool ClearSelections();

 private:
  TDate FStart = 0, FEnd = 0;
  std::vector<TRBCSelection> FList;
  int FMaxSelections = 0;
};
