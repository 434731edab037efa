// The selection primitives: the single range and the ordered set of days.

#include <gtest/gtest.h>

#include <vector>

#include "calendar/RBCalendarSelection.h"

namespace {
std::vector<double> Days(const TRBCSelectionModel& s) {
  std::vector<double> out;
  for (const auto& e : s.Selections()) out.push_back(e.Day);
  return out;
}

TEST(SelectionRange, OrdersEndsEmptiesOnZeroAndReportsChange) {
  TRBCSelectionModel s;
  EXPECT_TRUE(s.SetSelectionRange(50, 40));
  EXPECT_EQ(s.SelectionStart(), 40);
  EXPECT_EQ(s.SelectionEnd(), 50);
  EXPECT_FALSE(s.SetSelectionRange(40, 50)) << "same range is no change";
  EXPECT_TRUE(s.SetSelectionRange(0, 45));
  EXPECT_EQ(s.SelectionStart(), 0);
  EXPECT_EQ(s.SelectionEnd(), 0);
  EXPECT_FALSE(s.SetSelectionRange(45, 0));
}

TEST(SelectionRange, LongerThanMaxSelectionsIsRefusedAndTheOldRangeKept) {
  TRBCSelectionModel s;
  s.SetMaxSelections(31);
  EXPECT_TRUE(s.SetSelectionRange(100, 130));  // 31 days
  EXPECT_FALSE(s.SetSelectionRange(100, 134));  // 35 days
  EXPECT_EQ(s.SelectionStart(), 100);
  EXPECT_EQ(s.SelectionEnd(), 130);
  s.SetMaxSelections(-3);
  EXPECT_EQ(s.MaxSelections(), 0);
  EXPECT_TRUE(s.SetSelectionRange(100, 500));
}

TEST(SelectionList, StaysAscendingWithoutDuplicatesAndAsksCanSelectForNewDaysOnly) {
  TRBCSelectionModel s;
  std::vector<double> asked;
  auto refuseOdd = [&](double d) {
    asked.push_back(d);
    return static_cast<long long>(d) % 2 == 0;
  };
  EXPECT_TRUE(s.AddSelection(20, 16, refuseOdd));
  EXPECT_EQ(Days(s), (std::vector<double>{16, 18, 20}));
  asked.clear();
  EXPECT_TRUE(s.AddSelection(10, 10, nullptr));
  EXPECT_TRUE(s.AddSelection(17, 18, refuseOdd) == false);  // 17 refused, 18 already held
  EXPECT_EQ(asked, (std::vector<double>{17}));
  EXPECT_EQ(Days(s), (std::vector<double>{10, 16, 18, 20}));
  EXPECT_TRUE(s.InList(18));
  EXPECT_FALSE(s.InList(17));
  EXPECT_TRUE(s.RemoveSelection(18, 10));
  EXPECT_EQ(Days(s), (std::vector<double>{20}));
  EXPECT_FALSE(s.RemoveSelection(1, 5));
}

TEST(SelectionList, MaxSelectionsRefusesAWholeAdditionThatWouldNotFit) {
  TRBCSelectionModel s;
  s.SetMaxSelections(5);
  EXPECT_TRUE(s.AddSelection(1, 3, nullptr));
  EXPECT_FALSE(s.AddSelection(10, 12, nullptr)) << "3 + 3 > 5: nothing is added";
  EXPECT_EQ(Days(s), (std::vector<double>{1, 2, 3}));
  EXPECT_TRUE(s.AddSelection(2, 5, nullptr)) << "only 4 and 5 are new";
  EXPECT_EQ(Days(s), (std::vector<double>{1, 2, 3, 4, 5}));
  // SetSelections refuses a span longer than the maximum and keeps the list.
  EXPECT_FALSE(s.SetSelections(20, 26, nullptr));
  EXPECT_EQ(s.Selections().size(), 5u);
  EXPECT_TRUE(s.SetSelections(30, 28, nullptr));
  EXPECT_EQ(Days(s), (std::vector<double>{28, 29, 30}));
  EXPECT_TRUE(s.ClearSelections());
  EXPECT_FALSE(s.ClearSelections());
}
}  // namespace
