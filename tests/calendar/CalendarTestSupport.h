#pragma once
// Shared helpers of the calendar tests: a fixed clock, date shorthands and
// the screen points of cells computed from the control's geometry.

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

#include "calendar/RBCalendar.h"
#include "core/Clock.h"
#include "core/DateTime.h"

inline TDate D(int y, int m, int d) { return dt::EncodeDate(y, m, d); }

// Every test starts on 15/06/2026 at 10:00, so a new calendar shows June 2026.
class CalendarTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Clock::SetSource([] { return dt::EncodeDate(2026, 6, 15) + dt::EncodeTime(10, 0); });
  }
  void TearDown() override { Clock::SetSource({}); }

  std::unique_ptr<TRBCalendar> MakeShown(int monthsWide = 1, int monthsHigh = 1) {
    auto cal = std::make_unique<TRBCalendar>();
    cal->SetMonthsInWidth(monthsWide);
    cal->SetMonthsInHeight(monthsHigh);
    cal->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(cal.get()));
    return cal;
  }
};

// Widget point of the centre of cell (i, w) of block (c, r).
inline QPoint CellPoint(const TRBCalendar& cal, int c, int r, int i, int w) {
  return cal.ClientRect().topLeft() + cal.Geometry().CellRect(c, r, i, w).center();
}

// Widget point of a day shown in block (c, r); fails the test when the block does not show it.
inline QPoint DayPoint(const TRBCalendar& cal, int c, int r, TDate day) {
  const TRBMonthData& m = cal.MonthData(c, r);
  for (int w = 0; w < 6; ++w)
    for (int i = 0; i < 7; ++i)
      if ((m.Days[i][w].Flags & dfShown) && m.Days[i][w].Date == day) return CellPoint(cal, c, r, i, w);
  ADD_FAILURE() << "day not shown in block " << c << "," << r;
  return {};
}

// Widget point in the week margin of row w of block (c, r).
inline QPoint WeekMarginPoint(const TRBCalendar& cal, int c, int r, int w) {
  const QRect cell = cal.Geometry().CellRect(c, r, 0, w);
  return cal.ClientRect().topLeft() + QPoint(c * cal.MonthWidth() + 3, cell.center().y());
}

// A mouse move with the left button held and the given modifiers.
inline void DragTo(QWidget* w, QPoint pos, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  QMouseEvent ev(QEvent::MouseMove, QPointF(pos), QPointF(w->mapToGlobal(pos)), Qt::NoButton, Qt::LeftButton,
                 mods);
  QApplication::sendEvent(w, &ev);
}
