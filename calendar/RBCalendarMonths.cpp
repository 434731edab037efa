#include "calendar/RBCalendarMonths.h"

#include <cmath>
#include <cstdio>

namespace {
const TDate kFirstDate = dt::EncodeDate(1, 1, 1);
const TDate kLastDate = dt::EncodeDate(9999, 12, 31);

void SetText(TRBDayData& cell, int day) {
  cell.TextLength = std::snprintf(cell.Text, sizeof cell.Text, "%d", day);
}

// The week number of a row counts whole weeks from 1 January of the year of
// the row's leftmost shown day to the row's last column, so the last row of
// a December that runs into January reads 53, not 1.
std::string WeekNumberText(const TRBMonthData& m, int w, TDate lastColumnDate) {
  std::string text;
  for (int j = 6; j >= 0; --j) {
    const TRBDayData& cell = m.Days[j][w];
    if (!(cell.Flags & dfShown)) continue;
    const TDate newYear = dt::EncodeDate(dt::YearOf(cell.Date), 1, 1);
    const auto days = static_cast<long long>(std::llround(lastColumnDate - newYear));
    text = std::to_string(days / 7 + 1);
  }
  return text;
}
}  // namespace

void AddMonths(int& year, int& month, int months) {
  const long long total = static_cast<long long>(year) * 12 + (month - 1) + months;
  long long y = total / 12, m = total % 12;
  if (m < 0) {
    m += 12;
    --y;
  }
  year = static_cast<int>(y);
  month = static_cast<int>(m) + 1;
}

void BuildMonthData(TRBMonthData& m, int year, int month, const TRBMonthOptions& options) {
  m = TRBMonthData{};
  TDate first = 0;
  if (!dt::TryEncodeDate(year, month, 1, first)) return;

  m.Month = month;
  m.Year = year;
  m.DaysInMonth = dt::DaysInMonth(year, month);
  m.FirstDay = first;
  m.LastDay = first + m.DaysInMonth - 1;
  m.FirstDayOfWeek = dt::DayOfWeek(m.FirstDay);
  m.LastDayOfWeek = dt::DayOfWeek(m.LastDay);
  m.PrevYear = year;
  m.PrevMonth = month;
  AddMonths(m.PrevYear, m.PrevMonth, -1);
  m.NextYear = year;
  m.NextMonth = month;
  AddMonths(m.NextYear, m.NextMonth, 1);
  m.DaysInPrevMonth = dt::DaysInMonth(m.PrevYear, m.PrevMonth);

  const int F = options.FirstWeekDay;
  // The 1st always falls in row 0; a month that begins on the first weekday
  // starts at column 0 instead of leaving a whole blank row.
  const int A = m.FirstDayOfWeek > F ? 0 : 7;
  for (int w = 0; w < 6; ++w) {
    for (int i = 0; i < 7; ++i) {
      TRBDayData& cell = m.Days[i][w];
      const int n = i + 7 * w + F - m.FirstDayOfWeek + 2 - A;
      const TDate date = m.FirstDay + n - 1;
      const bool inRange = date >= kFirstDate && date <= kLastDate;
      if (n <= 0) {
        if (options.ShowPrevDays && inRange) {
          cell.Flags = dfShown | dfPrevMonth;
          cell.Date = date;
          SetText(cell, m.DaysInPrevMonth + n);
        }
      } else if (n > m.DaysInMonth) {
        if (options.ShowNextDays && inRange) {
          cell.Flags = dfShown | dfNextMonth;
          cell.Date = date;
          SetText(cell, n - m.DaysInMonth);
        }
      } else {
        cell.Flags = dfShown;
        cell.Date = date;
        SetText(cell, n);
      }
      if (i == 0) m.WeekStart[w] = date;
      if (i == 6) m.WeekNumbers[w] = WeekNumberText(m, w, date);
      if (cell.Flags & dfShown) {
        if (options.Mark && options.Mark(cell.Date)) cell.Flags |= dfMarked;
        if (cell.Date == options.Today) cell.Flags |= dfToday;
      }
    }
  }
}
