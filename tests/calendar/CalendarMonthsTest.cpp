// The month blocks: where the 1st falls, which cells show which day, the
// neighbouring months' days, week numbers, marks and the today flag.

#include <gtest/gtest.h>

#include <vector>

#include "calendar/RBCalendarMonths.h"
#include "core/DateTime.h"

namespace {
TDate D(int y, int m, int d) { return dt::EncodeDate(y, m, d); }

TRBMonthData Build(int year, int month, int F, bool prev = false, bool next = false) {
  TRBMonthData m;
  TRBMonthOptions o;
  o.FirstWeekDay = F;
  o.ShowPrevDays = prev;
  o.ShowNextDays = next;
  BuildMonthData(m, year, month, o);
  return m;
}

struct FirstCellCase {
  int year, month, firstWeekDay;
  int column;  // column of the 1st in week row 0
};

TEST(MonthBlock, TheFirstOfTheMonthAlwaysFallsInRowZeroAtItsWeekday) {
  const FirstCellCase cases[] = {
      {2026, 2, fwdSunday, 0},     // begins on the first weekday: column 0, no blank row
      {2026, 6, fwdMonday, 0},     // Monday 1 June with Monday first
      {2026, 2, fwdMonday, 6},     // Sunday 1 February with Monday first: last column
      {2026, 3, fwdMonday, 6},     // Sunday 1 March
      {2026, 1, fwdSunday, 4},     // Thursday
      {2026, 1, fwdSaturday, 5},   // Thursday with Saturday first
      {2000, 2, fwdWednesday, 6},  // Tuesday 1 February 2000 with Wednesday first
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.year << "-" << c.month << " F=" << c.firstWeekDay);
    const TRBMonthData m = Build(c.year, c.month, c.firstWeekDay);
    for (int i = 0; i < 7; ++i) {
      const TRBDayData& cell = m.Days[i][0];
      if (i < c.column) {
        EXPECT_EQ(cell.Flags, 0) << "column " << i << " precedes the 1st and is blank";
      } else {
        EXPECT_EQ(cell.Flags, dfShown);
        EXPECT_EQ(cell.Date, D(c.year, c.month, 1 + i - c.column));
      }
    }
    EXPECT_STREQ(m.Days[c.column][0].Text, "1");
    EXPECT_EQ(m.Days[c.column][0].TextLength, 1);
    // Every day of the month is shown exactly once, in order, row by row.
    TDate expected = m.FirstDay;
    for (int w = 0; w < 6; ++w)
      for (int i = 0; i < 7; ++i)
        if (m.Days[i][w].Flags & dfShown) {
          EXPECT_EQ(m.Days[i][w].Date, expected++);
        }
    EXPECT_EQ(expected, m.LastDay + 1);
    EXPECT_EQ(m.LastDay, D(c.year, c.month, dt::DaysInMonth(c.year, c.month)));
  }
}

TEST(MonthBlock, FieldsOfTheBlockAndItsNeighbours) {
  const TRBMonthData jan = Build(2024, 1, fwdMonday);
  EXPECT_EQ(jan.PrevMonth, 12);
  EXPECT_EQ(jan.PrevYear, 2023);
  EXPECT_EQ(jan.NextMonth, 2);
  EXPECT_EQ(jan.NextYear, 2024);
  EXPECT_EQ(jan.DaysInPrevMonth, 31);
  EXPECT_EQ(jan.FirstDayOfWeek, 2);  // Monday 1 January 2024
  EXPECT_EQ(jan.LastDayOfWeek, 4);   // Wednesday 31 January
  const TRBMonthData mar = Build(2024, 3, fwdMonday);
  EXPECT_EQ(mar.DaysInPrevMonth, 29);  // leap February
  EXPECT_EQ(Build(1900, 3, fwdMonday).DaysInPrevMonth, 28);
  EXPECT_EQ(Build(2000, 3, fwdMonday).DaysInPrevMonth, 29);
  const TRBMonthData dec = Build(2024, 12, fwdMonday);
  EXPECT_EQ(dec.NextMonth, 1);
  EXPECT_EQ(dec.NextYear, 2025);
}

TEST(MonthBlock, NeighbouringMonthDaysAreShownOnlyWhenAskedAndWeekStartsAlwaysStored) {
  // June 2026 with Sunday first: Monday the 1st sits in column 1, so column 0 of
  // row 0 is Sunday 31 May; the month ends on Tuesday 30 in row 4.
  const TRBMonthData blank = Build(2026, 6, fwdSunday);
  EXPECT_EQ(blank.Days[0][0].Flags, 0);
  EXPECT_EQ(blank.Days[0][0].Date, 0);
  EXPECT_EQ(blank.Days[3][4].Flags, 0);  // Wednesday 1 July
  EXPECT_EQ(blank.WeekStart[0], D(2026, 5, 31));
  EXPECT_EQ(blank.WeekStart[5], D(2026, 7, 5));

  const TRBMonthData shown = Build(2026, 6, fwdSunday, true, true);
  EXPECT_EQ(shown.Days[0][0].Flags, dfShown | dfPrevMonth);
  EXPECT_EQ(shown.Days[0][0].Date, D(2026, 5, 31));
  EXPECT_STREQ(shown.Days[0][0].Text, "31");
  EXPECT_EQ(shown.Days[0][0].TextLength, 2);
  EXPECT_EQ(shown.Days[3][4].Flags, dfShown | dfNextMonth);
  EXPECT_STREQ(shown.Days[3][4].Text, "1");
  EXPECT_EQ(shown.Days[6][5].Date, D(2026, 7, 11));  // six rows always
}

TEST(MonthBlock, WeekNumbersCountFromTheNewYearOfTheLeftmostShownDay) {
  const TRBMonthData dec = Build(2026, 12, fwdMonday);
  EXPECT_EQ(dec.WeekNumbers[0], "49");  // 30 Nov .. 6 Dec: (339 div 7) + 1
  // 28 Dec .. 3 Jan: counted from 1 January 2026, the row reads 53.
  EXPECT_EQ(dec.WeekNumbers[4], "53");
  EXPECT_EQ(dec.WeekNumbers[5], "") << "a row showing no day has no number";
  // Shown next-month days make the leftmost shown day a January one.
  const TRBMonthData decNext = Build(2026, 12, fwdMonday, false, true);
  EXPECT_EQ(decNext.WeekNumbers[4], "53");
  EXPECT_EQ(decNext.WeekNumbers[5], "2");
  const TRBMonthData jan = Build(2027, 1, fwdMonday);
  EXPECT_EQ(jan.WeekNumbers[0], "1");  // 28 Dec .. 3 Jan, only 1..3 January shown
  EXPECT_EQ(Build(2027, 1, fwdMonday, true).WeekNumbers[0], "53");
}

TEST(MonthBlock, MarkIsAskedOnceForEveryShownCellInRowOrderAndTodayIsFlagged) {
  std::vector<TDate> asked;
  TRBMonthData m;
  TRBMonthOptions o;
  o.FirstWeekDay = fwdMonday;
  o.ShowPrevDays = true;
  o.Today = D(2026, 6, 15);
  o.Mark = [&](TDate d) {
    asked.push_back(d);
    return d == D(2026, 6, 10) || d == D(2026, 5, 31);
  };
  BuildMonthData(m, 2026, 6, o);
  // Row 0 starts on Monday 1 June: no previous-month day; 30 days in five rows.
  ASSERT_EQ(asked.size(), 30u);
  for (size_t k = 0; k < asked.size(); ++k) EXPECT_EQ(asked[k], D(2026, 6, 1) + k);
  EXPECT_EQ(m.Days[2][1].Flags, dfShown | dfMarked);  // Wednesday 10
  EXPECT_EQ(m.Days[0][2].Flags, dfShown | dfToday);   // Monday 15
  EXPECT_EQ(m.Days[1][2].Flags, dfShown);
}

TEST(MonthBlock, BlocksPastTheEndOfTheDateRangeAreEmpty) {
  const TRBMonthData past = Build(10000, 1, fwdMonday);
  EXPECT_EQ(past.Month, 0);
  for (int w = 0; w < 6; ++w)
    for (int i = 0; i < 7; ++i) EXPECT_EQ(past.Days[i][w].Flags, 0);
  // Days before 1 January of year 1 stay blank even when previous days are shown.
  const TRBMonthData first = Build(1, 1, fwdSunday, true, true);
  EXPECT_EQ(first.Month, 1);
  EXPECT_EQ(first.Days[0][0].Flags, 0);  // 1/1/0001 was a Monday
  EXPECT_EQ(first.Days[1][0].Date, D(1, 1, 1));
  const TRBMonthData last = Build(9999, 12, fwdSunday, true, true);
  EXPECT_EQ(last.Days[6][5].Flags, 0);
  EXPECT_EQ(last.LastDay, D(9999, 12, 31));
}

TEST(MonthBlock, AddMonthsCarriesAcrossYearsBothWays) {
  struct Case {
    int y, m, add, ey, em;
  } cases[] = {{2026, 1, -1, 2025, 12}, {2026, 12, 1, 2027, 1}, {2026, 6, 0, 2026, 6},
               {2026, 6, -18, 2024, 12}, {2026, 11, 14, 2028, 1}};
  for (const auto& c : cases) {
    int y = c.y, m = c.m;
    AddMonths(y, m, c.add);
    EXPECT_EQ(y, c.ey);
    EXPECT_EQ(m, c.em);
  }
}
}  // namespace
