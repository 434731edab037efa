// Properties, rebuilds and the operations owners call.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CalendarTestSupport.h"
#include "calendar/RBCalendarPopup.h"

namespace {

// Records the events a calendar fires, in order.
struct EventLog {
  std::vector<std::string> entries;
  int datesChanged = 0, selectionChanged = 0, marks = 0;
  TDate lastStart = 0, lastEnd = 0;

  void Attach(TRBCalendar& cal) {
    cal.OnDatesChanged = [this](TRBCalendar*, TDate s, TDate e) {
      ++datesChanged;
      lastStart = s;
      lastEnd = e;
      entries.push_back("dates");
    };
    cal.OnSelectionChange = [this](TRBCalendar*) {
      ++selectionChanged;
      entries.push_back("selection");
    };
    cal.SetOnMark([this](TRBCalendar*, TDate, bool&) {
      ++marks;
      if (entries.empty() || entries.back() != "mark") entries.push_back("mark");
    });
    Reset();
  }
  void Reset() {
    entries.clear();
    datesChanged = selectionChanged = marks = 0;
  }
};

using CalendarProperties = CalendarTest;

TEST_F(CalendarProperties, AFreshCalendarHasTheDocumentedInitialValues) {
  TRBCalendar cal;
  EXPECT_EQ(cal.FirstWeekDay(), fwdSunday);
  EXPECT_EQ(cal.SelectionKind(), skProgressive);
  EXPECT_EQ(cal.MonthsInWidth(), 1);
  EXPECT_EQ(cal.MonthsInHeight(), 1);
  EXPECT_TRUE(cal.FixedSize());
  EXPECT_TRUE(cal.FlatLook());
  EXPECT_EQ(cal.DayWidth(), 16);
  EXPECT_EQ(cal.DayHeight(), 16);
  EXPECT_TRUE(cal.ShowLines());
  EXPECT_FALSE(cal.ShowNextMonth());
  EXPECT_FALSE(cal.ShowPrevMonth());
  EXPECT_EQ(cal.PrevMonthColor(), RGBColor(192, 192, 192));
  EXPECT_EQ(cal.NextMonthColor(), RGBColor(192, 192, 192));
  EXPECT_EQ(cal.BorderWidth(), 10);
  EXPECT_EQ(cal.CaptionHeight(), 16);
  EXPECT_EQ(cal.TitlesHeight(), 16);
  EXPECT_TRUE(cal.PrevMonthButton());
  EXPECT_TRUE(cal.NextMonthButton());
  EXPECT_TRUE(cal.ShowToday());
  EXPECT_EQ(cal.TodayColor(), clRed);
  EXPECT_EQ(cal.TitlesColor(), clBlack);
  EXPECT_EQ(cal.DayAlignment(), taCenter);
  EXPECT_EQ(cal.CaptionsColor(), clBlack);
  EXPECT_EQ(cal.Year(), 2026);
  EXPECT_EQ(cal.Month(), 6);
  EXPECT_EQ(cal.PopupListDays(), 3);
  EXPECT_TRUE(cal.SideWeekSelect());
  EXPECT_TRUE(cal.EnableCaptionPopup());
  EXPECT_EQ(cal.SelectionColor(), clHighlight);
  EXPECT_EQ(cal.SelectionTextColor(), clHighlightText);
  EXPECT_EQ(cal.DividersColor(), RGBColor(192, 192, 192));
  EXPECT_FALSE(cal.ShowDividers());
  EXPECT_FALSE(cal.MultiSelect());
  EXPECT_EQ(cal.BorderStyle(), bsSingle);
  EXPECT_TRUE(cal.CanSelectAnother());
  EXPECT_EQ(cal.MaxSelections(), 0);
  EXPECT_FALSE(cal.CustomCellsDraw());
  EXPECT_FALSE(cal.CustomCaptionsDraw());
  EXPECT_FALSE(cal.CustomTitlesDraw());
  EXPECT_FALSE(cal.FlatBorder());
  EXPECT_FALSE(cal.ShowWeekNumbers());
  EXPECT_EQ(cal.LinesColor(), clBlack);
  EXPECT_EQ(cal.Color(), clWhite);
  EXPECT_EQ(cal.Cursor().shape(), Qt::ArrowCursor);
  EXPECT_EQ(cal.focusPolicy(), Qt::NoFocus) << "not a tab stop";
  EXPECT_EQ(cal.SelectionStart(), 0);
  EXPECT_EQ(cal.SelectionEnd(), 0);
  EXPECT_EQ(cal.SelectionCount(), 1) << "an empty range counts one day";
  EXPECT_EQ(cal.StartDay(), D(2026, 6, 1));
  EXPECT_EQ(cal.EndDay(), D(2026, 6, 30));
  EXPECT_FALSE(cal.PopupList()->isVisible());
}

TEST_F(CalendarProperties, OutOfRangeValuesAreClamped) {
  TRBCalendar cal;
  struct Case {
    const char* name;
    std::function<void(int)> set;
    std::function<int()> get;
    int given, expected;
  } cases[] = {
      {"MonthsInWidth", [&](int v) { cal.SetMonthsInWidth(v); }, [&] { return cal.MonthsInWidth(); }, 0, 1},
      {"MonthsInWidth", [&](int v) { cal.SetMonthsInWidth(v); }, [&] { return cal.MonthsInWidth(); }, 11, 10},
      {"MonthsInHeight", [&](int v) { cal.SetMonthsInHeight(v); }, [&] { return cal.MonthsInHeight(); }, -4, 1},
      {"MonthsInHeight", [&](int v) { cal.SetMonthsInHeight(v); }, [&] { return cal.MonthsInHeight(); }, 99, 10},
      {"Year", [&](int v) { cal.SetYear(v); }, [&] { return cal.Year(); }, 0, 1},
      {"Year", [&](int v) { cal.SetYear(v); }, [&] { return cal.Year(); }, 12000, 9999},
      {"Month", [&](int v) { cal.SetMonth(v); }, [&] { return cal.Month(); }, 0, 1},
      {"Month", [&](int v) { cal.SetMonth(v); }, [&] { return cal.Month(); }, 13, 12},
      {"PopupListDays", [&](int v) { cal.SetPopupListDays(v); }, [&] { return cal.PopupListDays(); }, -2, 0},
      {"MaxSelections", [&](int v) { cal.SetMaxSelections(v); }, [&] { return cal.MaxSelections(); }, -1, 0},
      {"DayWidth", [&](int v) { cal.SetDayWidth(v); }, [&] { return cal.DayWidth(); }, 0, 1},
      {"DayHeight", [&](int v) { cal.SetDayHeight(v); }, [&] { return cal.DayHeight(); }, -3, 1},
      {"BorderWidth", [&](int v) { cal.SetBorderWidth(v); }, [&] { return cal.BorderWidth(); }, -20, 0},
      {"CaptionHeight", [&](int v) { cal.SetCaptionHeight(v); }, [&] { return cal.CaptionHeight(); }, -1, 0},
      {"TitlesHeight", [&](int v) { cal.SetTitlesHeight(v); }, [&] { return cal.TitlesHeight(); }, -9, 0},
  };
  for (auto& c : cases) {
    c.set(c.given);
    EXPECT_EQ(c.get(), c.expected) << c.name << " given " << c.given;
  }
}

TEST_F(CalendarProperties, ChangesThatMoveTheShownRangeFireDatesChangedBeforeTheMarksAreAsked) {
  TRBCalendar cal;
  EventLog log;
  log.Attach(cal);
  struct Case {
    const char* name;
    std::function<void()> change;
    TDate start, end;
  } cases[] = {
      {"Year", [&] { cal.SetYear(2027); }, D(2027, 6, 1), D(2027, 6, 30)},
      {"Month", [&] { cal.SetMonth(12); }, D(2027, 12, 1), D(2027, 12, 31)},
      {"MonthsInWidth", [&] { cal.SetMonthsInWidth(2); }, D(2027, 12, 1), D(2028, 1, 31)},
      {"MonthsInHeight", [&] { cal.SetMonthsInHeight(2); }, D(2027, 12, 1), D(2028, 3, 31)},
      {"FirstWeekDay", [&] { cal.SetFirstWeekDay(fwdMonday); }, D(2027, 12, 1), D(2028, 3, 31)},
  };
  for (auto& c : cases) {
    log.Reset();
    c.change();
    EXPECT_EQ(log.datesChanged, 1) << c.name;
    EXPECT_EQ(log.lastStart, c.start) << c.name;
    EXPECT_EQ(log.lastEnd, c.end) << c.name;
    EXPECT_EQ(cal.StartDay(), c.start) << c.name;
    EXPECT_EQ(cal.EndDay(), c.end) << c.name;
    EXPECT_EQ(log.entries, (std::vector<std::string>{"dates", "mark"})) << c.name;
    // The same value again does nothing at all.
    log.Reset();
    c.change();
    EXPECT_TRUE(log.entries.empty()) << c.name << " set to its current value";
  }
  // Clamping first: Year 0 gives 1; setting 0 again (still 1) fires nothing.
  cal.SetYear(0);
  log.Reset();
  cal.SetYear(0);
  EXPECT_EQ(log.datesChanged, 0);
}

TEST_F(CalendarProperties, RebuildsWithoutEventAskEveryShownDayAgain) {
  TRBCalendar cal;  // June 2026: 30 shown days
  EventLog log;
  int asked = 0;
  cal.SetOnMark([&](TRBCalendar*, TDate, bool&) { ++asked; });
  EXPECT_EQ(asked, 30) << "assigning OnMark asks at once";
  log.Attach(cal);
  struct Case {
    const char* name;
    std::function<void()> change;
    int marks;
  } cases[] = {
      {"RefreshMarks", [&] { cal.RefreshMarks(); }, 30},
      {"ShowPrevMonth", [&] { cal.SetShowPrevMonth(true); }, 31},  // Sunday 31 May joins
      {"ShowNextMonth", [&] { cal.SetShowNextMonth(true); }, 42},
  };
  for (auto& c : cases) {
    log.Reset();
    c.change();
    EXPECT_EQ(log.datesChanged, 0) << c.name;
    EXPECT_EQ(log.marks, c.marks) << c.name;
  }
  log.Reset();
  cal.grab();
  cal.update();
  cal.grab();
  EXPECT_EQ(log.marks, 0) << "painting never asks OnMark";
}

TEST_F(CalendarProperties, OnlyTheFirstBlockShowsPreviousAndOnlyTheLastNextMonthDays) {
  TRBCalendar cal;
  cal.SetMonthsInWidth(3);
  cal.SetMonthsInHeight(2);
  cal.SetShowPrevMonth(true);
  cal.SetShowNextMonth(true);
  for (int r = 0; r < 2; ++r) {
    for (int c = 0; c < 3; ++c) {
      int prev = 0, next = 0, blank = 0;
      const TRBMonthData& m = cal.MonthData(c, r);
      for (int w = 0; w < 6; ++w) {
        for (int i = 0; i < 7; ++i) {
          const auto f = m.Days[i][w].Flags;
          prev += (f & dfPrevMonth) ? 1 : 0;
          next += (f & dfNextMonth) ? 1 : 0;
          blank += (f & dfShown) ? 0 : 1;
        }
      }
      const bool first = c == 0 && r == 0, last = c == 2 && r == 1;
      EXPECT_EQ(prev > 0, first) << "block " << c << "," << r;
      EXPECT_EQ(next > 0, last) << "block " << c << "," << r;
      EXPECT_EQ(blank, 42 - m.DaysInMonth - prev - next);
    }
  }
  // June 2026 .. November 2026, read row by row.
  EXPECT_EQ(cal.MonthData(2, 0).Month, 8);
  EXPECT_EQ(cal.MonthData(0, 1).Month, 9);
  EXPECT_EQ(cal.EndDay(), D(2026, 11, 30));
}

TEST_F(CalendarProperties, SelectRangeOrdersEmptiesAndNotifiesOnlyRealChanges) {
  TRBCalendar cal;
  EventLog log;
  log.Attach(cal);
  cal.SelectRange(D(2026, 6, 20), D(2026, 6, 10));
  EXPECT_EQ(cal.SelectionStart(), D(2026, 6, 10));
  EXPECT_EQ(cal.SelectionEnd(), D(2026, 6, 20));
  EXPECT_EQ(cal.SelectionCount(), 11);
  EXPECT_EQ(log.selectionChanged, 1);
  cal.SelectRange(D(2026, 6, 10), D(2026, 6, 20));
  EXPECT_EQ(log.selectionChanged, 1) << "same range: no event";
  cal.SelectRange(0, D(2026, 6, 12));
  EXPECT_EQ(cal.SelectionStart(), 0);
  EXPECT_EQ(cal.SelectionEnd(), 0);
  EXPECT_EQ(cal.SelectionCount(), 1);
  EXPECT_EQ(log.selectionChanged, 2);
  cal.SetMaxSelections(31);
  cal.SelectRange(D(2026, 6, 1), D(2026, 7, 5));  // 35 days
  EXPECT_EQ(cal.SelectionStart(), 0) << "refused, previous range kept";
  EXPECT_EQ(log.selectionChanged, 2);
  // In multi-selection mode SelectRange sets the range and leaves the list alone.
  cal.SetMultiSelect(true);
  cal.SelectRange(D(2026, 6, 3), D(2026, 6, 4));
  EXPECT_EQ(cal.SelectionStart(), D(2026, 6, 3));
  EXPECT_TRUE(cal.Selections().empty());
  EXPECT_EQ(cal.SelectionCount(), 0);
  EXPECT_FALSE(cal.IsSelected(D(2026, 6, 3)));
  log.Reset();
  cal.ClearSelections();
  EXPECT_EQ(log.selectionChanged, 0) << "ClearSelections fires nothing";
  EXPECT_EQ(cal.SelectionStart(), D(2026, 6, 3)) << "and keeps the range";
}

TEST_F(CalendarProperties, ShowMonthOfMovesTheMonthToTheFirstBlockEvenWhenItIsVisible) {
  TRBCalendar cal;
  cal.SetMonthsInWidth(3);
  EventLog log;
  log.Attach(cal);
  cal.ShowMonthOf(D(2026, 6, 28));
  EXPECT_EQ(log.datesChanged, 0) << "already the first month";
  cal.ShowMonthOf(D(2026, 7, 9));  // visible in the second block
  EXPECT_EQ(log.datesChanged, 1);
  EXPECT_EQ(cal.Month(), 7);
  EXPECT_EQ(cal.StartDay(), D(2026, 7, 1));
  EXPECT_EQ(log.lastEnd, D(2026, 9, 30));
  cal.ShowMonthOf(D(2031, 2, 14));
  EXPECT_EQ(cal.Year(), 2031);
  EXPECT_EQ(cal.Month(), 2);
  EXPECT_EQ(log.datesChanged, 2);
}

TEST_F(CalendarProperties, GoTodayPagesOnlyWhenTodayIsNotShownAndSelectsIt) {
  TRBCalendar cal;
  cal.SetMonthsInWidth(2);
  EventLog log;
  log.Attach(cal);
  cal.SetYear(2024);
  log.Reset();
  cal.GoToday();
  EXPECT_EQ(log.entries, (std::vector<std::string>{"dates", "mark", "selection"}));
  EXPECT_EQ(log.lastStart, D(2026, 6, 1));
  EXPECT_EQ(cal.SelectionStart(), D(2026, 6, 15));
  EXPECT_EQ(cal.SelectionEnd(), D(2026, 6, 15));
  // Today is in the second block: no paging, and the selection is unchanged.
  cal.SetMonth(5);
  log.Reset();
  cal.GoToday();
  EXPECT_TRUE(log.entries.empty());
  EXPECT_EQ(cal.Month(), 5);
}

TEST_F(CalendarProperties, PagingChangesYearAndMonthTogetherAndStopsAtTheEndsOfTheDateRange) {
  TRBCalendar cal;
  cal.SetMonthsInWidth(3);
  cal.SetMonth(12);
  EventLog log;
  log.Attach(cal);
  cal.NextMonth();
  EXPECT_EQ(log.datesChanged, 1) << "one event for the new year and month";
  EXPECT_EQ(log.lastStart, D(2027, 1, 1));
  EXPECT_EQ(log.lastEnd, D(2027, 3, 31));
  cal.PrevMonth();
  cal.PrevMonth();
  EXPECT_EQ(cal.Month(), 11);
  EXPECT_EQ(cal.Year(), 2026);
  // At the end of the range the blocks past December 9999 are empty and the
  // calendar does not page further.
  cal.SetYear(9999);
  cal.SetMonth(12);
  EXPECT_EQ(cal.EndDay(), D(9999, 12, 31));
  EXPECT_EQ(cal.MonthData(1, 0).Month, 0);
  log.Reset();
  cal.NextMonth();
  EXPECT_EQ(log.datesChanged, 0);
  EXPECT_EQ(cal.Year(), 9999);
  cal.SetYear(1);
  cal.SetMonth(1);
  log.Reset();
  cal.PrevMonth();
  EXPECT_EQ(log.datesChanged, 0);
  EXPECT_EQ(cal.Year(), 1);
  EXPECT_EQ(cal.Month(), 1);
}

TEST_F(CalendarProperties, WithFixedSizeTheControlIsAsLargeAsItsGridPlusItsBorder) {
  TRBCalendar cal;
  EXPECT_EQ(cal.MonthWidth(), 7 * 16 + 20);
  EXPECT_EQ(cal.MonthHeight(), 16 + 16 + 6 * 16 + 3);
  EXPECT_EQ(cal.size(), QSize(cal.MonthWidth() + 4, cal.MonthHeight() + 4)) << "sunken 3-D edge";
  // The twelve-month layout: 146 x 131 blocks, a thin flat border.
  cal.SetFlatBorder(true);
  EXPECT_FALSE(cal.Ctl3D());
  EXPECT_EQ(cal.BorderStyle(), bsSingle);
  cal.SetDayWidth(18);
  cal.SetMonthsInWidth(4);
  cal.SetMonthsInHeight(3);
  EXPECT_EQ(cal.MonthWidth(), 146);
  EXPECT_EQ(cal.MonthHeight(), 131);
  EXPECT_EQ(cal.size(), QSize(586, 395));
  cal.SetFlatBorder(false);
  cal.SetBorderStyle(bsNone);
  EXPECT_EQ(cal.size(), QSize(584, 393));
  cal.SetBorderStyle(bsSingle);
  EXPECT_EQ(cal.size(), QSize(586, 395)) << "3-D look still off: a plain line";
  // Without FixedSize the days follow the control.
  cal.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&cal));
  cal.SetFixedSize(false);
  cal.resize(4 * (7 * 20 + 20) + 2, 3 * (16 + 16 + 6 * 25 + 3) + 2);
  EXPECT_EQ(cal.DayWidth(), 20);
  EXPECT_EQ(cal.DayHeight(), 25);
  cal.resize(10, 10);
  EXPECT_EQ(cal.DayWidth(), 1) << "never below one pixel";
  EXPECT_EQ(cal.DayHeight(), 1);
}

TEST_F(CalendarProperties, PopupListHeightFollowsPopupListDays) {
  TRBCalendar cal;
  TRBCPopupListBox* list = cal.PopupList();
  EXPECT_EQ(list->height(), list->ItemHeight() * 7 + 2);
  cal.SetPopupListDays(5);
  EXPECT_EQ(list->height(), list->ItemHeight() * 11 + 2);
  cal.SetPopupListDays(-1);
  EXPECT_EQ(list->height(), list->ItemHeight() + 2);
}
}  // namespace
