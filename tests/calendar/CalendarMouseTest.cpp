// The mouse: day and week gestures in every selection kind, single-range and
// multi-selection modes, the arrow buttons with their repeat, capture loss
// and the month popup list.

#include <QTest>
#include <gtest/gtest.h>

#include <vector>

#include "CalendarTestSupport.h"
#include "calendar/RBCalendarPopup.h"

namespace {

using CalendarMouse = CalendarTest;

struct Counter {
  int selection = 0, dates = 0;
  void Attach(TRBCalendar& cal) {
    cal.OnSelectionChange = [this](TRBCalendar*) { ++selection; };
    cal.OnDatesChanged = [this](TRBCalendar*, TDate, TDate) { ++dates; };
  }
};

TEST_F(CalendarMouse, ADayGestureSelectsOnPressExtendsWhileDraggingAndNotifiesOnRelease) {
  auto cal = MakeShown(3, 1);
  Counter n;
  n.Attach(*cal);
  QTest::mousePress(cal.get(), Qt::LeftButton, {}, DayPoint(*cal, 0, 0, D(2026, 6, 10)));
  EXPECT_EQ(cal->SelectionStart(), D(2026, 6, 10));
  EXPECT_EQ(cal->SelectionEnd(), D(2026, 6, 10));
  DragTo(cal.get(), DayPoint(*cal, 0, 0, D(2026, 6, 16)));
  EXPECT_EQ(cal->SelectionStart(), D(2026, 6, 10));
  EXPECT_EQ(cal->SelectionEnd(), D(2026, 6, 16));
  EXPECT_EQ(n.selection, 0) << "no notification while dragging";
  // Progressive: a week or more from the anchor takes the whole month under the pointer.
  DragTo(cal.get(), DayPoint(*cal, 0, 0, D(2026, 6, 17)));
  EXPECT_EQ(cal->SelectionStart(), D(2026, 6, 1));
  EXPECT_EQ(cal->SelectionEnd(), D(2026, 6, 30));
  DragTo(cal.get(), DayPoint(*cal, 1, 0, D(2026, 7, 20)));
  EXPECT_EQ(cal->SelectionStart(), D(2026, 7, 1));
  EXPECT_EQ(cal->SelectionEnd(), D(2026, 7, 31));
  DragTo(cal.get(), DayPoint(*cal, 0, 0, D(2026, 6, 4)));
  EXPECT_EQ(cal->SelectionStart(), D(2026, 6, 4)) << "back within a week: day by day again";
  EXPECT_EQ(cal->SelectionEnd(), D(2026, 6, 10));
  QTest::mouseRelease(cal.get(), Qt::LeftButton, {}, DayPoint(*cal, 0, 0, D(2026, 6, 4)));
  EXPECT_EQ(n.selection, 1);
  EXPECT_EQ(n.dates, 0);
  // A click that changes nothing still notifies at its end.
  QTest::mouseClick(cal.get(), Qt::LeftButton, {}, DayPoint(*cal, 2, 0, D(2026, 8, 5)));
  QTest::mouseClick(cal.get(), Qt::LeftButton, {}, DayPoint(*cal, 2, 0, D(2026, 8, 5)));
  EXPECT_EQ(n.selection, 3);
}

TEST_F(CalendarMouse, SelectionKindsDecideHowFarADragReaches) {
  struct Case {
    TRBCSelectionKind kind;
    TDate pressed, dragged;
    TDate start, end;
  } cases[] = {
      {skFree, D(2026, 6, 3), D(2026, 6, 27), D(2026, 6, 3), D(2026, 6, 27)},
      {skProgressive, D(2026, 6, 3), D(2026, 6, 9), D(2026, 6, 3), D(2026, 6, 9)},
      {skProgressive, D(2026, 6, 3), D(2026, 6, 10), D(2026, 6, 1), D(2026, 6, 30)},
      {skSingleDay, D(2026, 6, 3), D(2026, 6, 5), D(2026, 6, 3), D(2026, 6, 3)},
      // skWeek selects the week of the press wherever it lies and never extends.
      {skWeek, D(2026, 6, 3), D(2026, 6, 25), D(2026, 5, 31), D(2026, 6, 6)},
      {skNone, D(2026, 6, 3), D(2026, 6, 5), 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "kind " << c.kind);
    auto cal = MakeShown();
    cal->SetSelectionKind(c.kind);
    QTest::mousePress(cal.get(), Qt::LeftButton, {}, DayPoint(*cal, 0, 0, c.pressed));
    DragTo(cal.get(), DayPoint(*cal, 0, 0, c.dragged));
    QTest::mouseRelease(cal.get(), Qt::LeftButton, {}, DayPoint(*cal, 0, 0, c.dragged));
    EXPECT_EQ(cal->SelectionStart(), c.start);
    EXPECT_EQ(cal->SelectionEnd(), c.end);
  }
}

TEST_F(CalendarMouse, TheWeekMarginSelectsWholeWeeksAndMaxSelectionsStopsAFiveWeekDrag) {
  auto cal = MakeShown();
  cal->SetFirstWeekDay(fwdMonday);
  cal->SetMaxSelections(31);
  Counter n;
  n.Attach(*cal);
  // June 2026 starts on Monday 1: rows begin on 1, 8, 15, 22, 29 June.
  QTest::mousePress(cal.get(), Qt::LeftButton, {}, WeekMarginPoint(*cal, 0, 0, 1));
  EXPECT_EQ(cal->SelectionStart(), D(2026, 6, 8));
  EXPECT_EQ(cal->SelectionEnd(), D(2026, 6, 14));
  DragTo(cal.get(), WeekMarginPoint(*cal, 0, 0, 3));
  EXPECT_EQ(cal->SelectionEnd(), D(2026, 6, 28));
  DragTo(cal.get(), WeekMarginPoint(*cal, 0, 0, 0));
  EXPECT_EQ(cal->SelectionStart(), D(2026, 6, 1)) << "upwards: from the pointer's week to the anchor's";
  EXPECT_EQ(cal->SelectionEnd(), D(2026, 6, 14));
  DragTo(cal.get(), WeekMarginPoint(*cal, 0, 0, 4));  // 8 June .. 5 July: 28 days
  EXPECT_EQ(cal->SelectionEnd(), D(2026, 7, 5));
  DragTo(cal.get(), WeekMarginPoint(*cal, 0, 0, 5));  // 8 June .. 12 July: 35 days, too many
  EXPECT_EQ(cal->SelectionStart(), D(2026, 6, 8));
  EXPECT_EQ(cal->SelectionEnd(), D(2026, 7, 5)) << "the selection before that move stays";
  // A week gesture keeps selecting weeks even over the day cells.
  DragTo(cal.get(), DayPoint(*cal, 0, 0, D(2026, 6, 18)));
  EXPECT_EQ(cal->SelectionEnd(), D(2026, 6, 21));
  QTest::mouseRelease(cal.get(), Qt::LeftButton, {}, DayPoint(*cal, 0, 0, D(2026, 6, 18)));
  EXPECT_EQ(n.selection, 1);
  // Without SideWeekSelect the margin is dead.
  cal->SetSideWeekSelect(false);
  QTest::mouseClick(cal.get(), Qt::LeftButton, {}, WeekMarginPoint(*cal, 0, 0, 2));
  EXPECT_EQ(cal->SelectionStart(), D(2026, 6, 8));
  EXPECT_EQ(n.selection, 1);
}

TEST_F(CalendarMouse, PressesOnBlankCellsTitlesDeadSpaceAndTheRightMarginAreIgnored) {
  auto cal = MakeShown(2, 1);
  cal->SetEnableCaptionPopup(false);
  cal->SetPrevMonthButton(false);
  cal->SetNextMonthButton(false);
  Counter n;
  n.Attach(*cal);
  const TRBCGeometry& g = cal->Geometry();
  const QPoint origin = cal->ClientRect().topLeft();
  const int MW = g.MonthWidth(), MH = g.MonthHeight();
  const QPoint points[] = {
      CellPoint(*cal, 0, 0, 0, 0),                              // Sunday 31 May: blank in the first block
      CellPoint(*cal, 1, 0, 6, 5),                              // after July in the last block
      CellPoint(*cal, 1, 0, 0, 0),                              // before July 1st in the second block
      origin + QPoint(MW + 40, g.CaptionHeight + 5),            // weekday titles
      origin + QPoint(40, 5),                                   // caption with the popup disabled
      origin + QPoint(40, MH - 1),                              // dead pixel rows
      origin + QPoint(MW - 3, g.CellRect(0, 0, 3, 2).center().y()),  // right side margin
  };
  for (const QPoint& p : points) {
    QTest::mouseClick(cal.get(), Qt::LeftButton, {}, p);
    EXPECT_EQ(cal->SelectionStart(), 0) << p.x() << "," << p.y();
  }
  EXPECT_EQ(n.selection, 0) << "no gesture began, so none ended";
  EXPECT_EQ(n.dates, 0);
}

TEST_F(CalendarMouse, WithCanSelectAnotherFalseADragStaysInTheAnchorsMonth) {
  auto cal = MakeShown(2, 1);
  cal->SetCanSelectAnother(false);
  cal->SetSelectionKind(skFree);
  QTest::mousePress(cal.get(), Qt::LeftButton, {}, DayPoint(*cal, 0, 0, D(2026, 6, 28)));
  DragTo(cal.get(), DayPoint(*cal, 0, 0, D(2026, 6, 30)));
  DragTo(cal.get(), DayPoint(*cal, 1, 0, D(2026, 7, 2)));
  EXPECT_EQ(cal->SelectionEnd(), D(2026, 6, 30)) << "over July nothing changes";
  QTest::mouseRelease(cal.get(), Qt::LeftButton, {}, DayPoint(*cal, 1, 0, D(2026, 7, 2)));
  cal->SetCanSelectAnother(true);
  QTest::mousePress(cal.get(), Qt::LeftButton, {}, DayPoint(*cal, 0, 0, D(2026, 6, 28)));
  DragTo(cal.get(), DayPoint(*cal, 1, 0, D(2026, 7, 2)));
  EXPECT_EQ(cal->SelectionEnd(), D(2026, 7, 2));
  QTest::mouseRelease(cal.get(), Qt::LeftButton, {}, DayPoint(*cal, 1, 0, D(2026, 7, 2)));
}

TEST_F(CalendarMouse, OnCanSelectRefusesTheDayAGestureWouldStartOn) {
  auto cal = MakeShown();
  std::vector<TDate> asked;
  cal->OnCanSelect = [&](TRBCalendar*, TDate day, bool& can) {
    asked.push_back(day);
    can = dt::DayOfWeek(day) != 1;  // no Sundays
  };
  Counter n;
  n.Attach(*cal);
  QTest::mouseClick(cal.get(), Qt::LeftButton, {}, DayPoint(*cal, 0, 0, D(2026, 6, 7)));
  EXPECT_EQ(cal->SelectionStart(), 0);
  EXPECT_EQ(n.selection, 0);
  QTest::mousePress(cal.get(), Qt::LeftButton, {}, DayPoint(*cal, 0, 0, D(2026, 6, 8)));
  DragTo(cal.get(), DayPoint(*cal, 0, 0, D(2026, 6, 7)));  // dragging a range is not asked
  QTest::mouseRelease(cal.get(), Qt::LeftButton, {}, DayPoint(*cal, 0, 0, D(2026, 6, 7)));
  EXPECT_EQ(cal->SelectionStart(), D(2026, 6, 7));
  EXPECT_EQ(asked, (std::vector<TDate>{D(2026, 6, 7), D(2026, 6, 8)}));
}

TEST_F(CalendarMouse, MultiSelectReplacesOnAPlainClickAndCtrlAddsOrRemoves) {
  auto cal = MakeShown();
  cal->SetMultiSelect(true);
  cal->SetSelectionKind(skFree);
  cal->OnCanSelect = [](TRBCalendar*, TDate day, bool& can) { can = day != D(2026, 6, 12); };
  auto days = [&] {
    std::vector<TDate> out;
    for (const auto& s : cal->Selections()) out.push_back(s.Day);
    return out;
  };
  QTest::mousePress(cal.get(), Qt::LeftButton, {}, DayPoint(*cal, 0, 0, D(2026, 6, 10)));
  DragTo(cal.get(), DayPoint(*cal, 0, 0, D(2026, 6, 13)));
  QTest::mouseRelease(cal.get(), Qt::LeftButton, {}, DayPoint(*cal, 0, 0, D(2026, 6, 13)));
  EXPECT_EQ(days(), (std::vector<TDate>{D(2026, 6, 10), D(2026, 6, 11), D(2026, 6, 13)}));
  EXPECT_EQ(cal->SelectionCount(), 3);
  // Ctrl on a free day adds along the drag ...
  QTest::mousePress(cal.get(), Qt::LeftButton, Qt::ControlModifier, DayPoint(*cal, 0, 0, D(2026, 6, 20)));
  DragTo(cal.get(), DayPoint(*cal, 0, 0, D(2026, 6, 22)), Qt::ControlModifier);
  QTest::mouseRelease(cal.get(), Qt::LeftButton, Qt::ControlModifier, DayPoint(*cal, 0, 0, D(2026, 6, 22)));
  EXPECT_EQ(days(), (std::vector<TDate>{D(2026, 6, 10), D(2026, 6, 11), D(2026, 6, 13), D(2026, 6, 20),
                                        D(2026, 6, 21), D(2026, 6, 22)}));
  // ... and on a selected day removes along the drag.
  QTest::mousePress(cal.get(), Qt::LeftButton, Qt::ControlModifier, DayPoint(*cal, 0, 0, D(2026, 6, 11)));
  DragTo(cal.get(), DayPoint(*cal, 0, 0, D(2026, 6, 20)), Qt::ControlModifier);
  QTest::mouseRelease(cal.get(), Qt::LeftButton, Qt::ControlModifier, DayPoint(*cal, 0, 0, D(2026, 6, 20)));
  EXPECT_EQ(days(), (std::vector<TDate>{D(2026, 6, 10), D(2026, 6, 21), D(2026, 6, 22)}));
  EXPECT_TRUE(cal->IsSelected(D(2026, 6, 21)));
  EXPECT_FALSE(cal->IsSelected(D(2026, 6, 15)));
  // A plain click starts over.
  QTest::mouseClick(cal.get(), Qt::LeftButton, {}, DayPoint(*cal, 0, 0, D(2026, 6, 2)));
  EXPECT_EQ(days(), (std::vector<TDate>{D(2026, 6, 2)}));
  // Ctrl in the week margin adds the week.
  QTest::mouseClick(cal.get(), Qt::LeftButton, Qt::ControlModifier, WeekMarginPoint(*cal, 0, 0, 4));
  EXPECT_EQ(cal->SelectionCount(), 1 + 7) << "the whole week, its July days included";
  EXPECT_TRUE(cal->IsSelected(D(2026, 7, 4)));
}

TEST_F(CalendarMouse, ASelectionEndingOutsideTheShownMonthsPagesTowardsIt) {
  auto cal = MakeShown(2, 1);
  cal->SetShowPrevMonth(true);
  cal->SetShowNextMonth(true);
  Counter n;
  n.Attach(*cal);
  QTest::mouseClick(cal.get(), Qt::LeftButton, {}, DayPoint(*cal, 0, 0, D(2026, 5, 31)));
  EXPECT_EQ(cal->SelectionStart(), D(2026, 5, 31));
  EXPECT_EQ(n.selection, 1);
  EXPECT_EQ(n.dates, 1);
  EXPECT_EQ(cal->Month(), 5) << "paged back one month";
  // A day in the month of the last block stays where it is ...
  QTest::mouseClick(cal.get(), Qt::LeftButton, {}, DayPoint(*cal, 1, 0, D(2026, 6, 30)));
  EXPECT_EQ(cal->Month(), 5);
  // ... a next-month day after it (now July, after June) moves the months on.
  QTest::mouseClick(cal.get(), Qt::LeftButton, {}, CellPoint(*cal, 1, 0, 6, 5));  // 11 July
  EXPECT_EQ(cal->SelectionStart(), D(2026, 7, 11));
  EXPECT_EQ(cal->Month(), 6);
  EXPECT_EQ(n.dates, 2);
  EXPECT_EQ(n.selection, 3);
}

TEST_F(CalendarMouse, ARefusedFirstSelectionDoesNotPage) {
  auto cal = MakeShown();
  cal->SetMaxSelections(5);
  Counter n;
  n.Attach(*cal);
  // A week is longer than five days: the range stays empty, and an empty
  // range lies before no month.
  QTest::mouseClick(cal.get(), Qt::LeftButton, {}, WeekMarginPoint(*cal, 0, 0, 2));
  EXPECT_EQ(cal->SelectionStart(), 0);
  EXPECT_EQ(n.selection, 1);
  EXPECT_EQ(n.dates, 0);
  EXPECT_EQ(cal->Month(), 6);
}

TEST_F(CalendarMouse, HoldingAnArrowPagesOnPressAfterHalfASecondAndThenRepeatedlyUntilRelease) {
  auto cal = MakeShown(2, 1);
  Counter n;
  n.Attach(*cal);
  const QPoint prev = cal->ClientRect().topLeft() + QPoint(4, 4);
  QTest::mousePress(cal.get(), Qt::LeftButton, {}, prev);
  EXPECT_EQ(n.dates, 1);
  EXPECT_EQ(cal->Month(), 5);
  QTest::qWait(300);
  EXPECT_EQ(n.dates, 1) << "the first repeat comes after 500 ms";
  QTRY_VERIFY_WITH_TIMEOUT(n.dates >= 3, 3000);
  QTest::mouseRelease(cal.get(), Qt::LeftButton, {}, prev);
  const int afterRelease = n.dates;
  QTest::qWait(450);
  EXPECT_EQ(n.dates, afterRelease) << "release stops the repeat";
  // The next arrow sits in the top-right corner of the client area.
  const int month = cal->Month(), year = cal->Year();
  const QPoint next = cal->ClientRect().topLeft() + QPoint(cal->ClientRect().width() - 4, 4);
  QTest::mouseClick(cal.get(), Qt::LeftButton, {}, next);
  int y = year, m = month;
  AddMonths(y, m, 1);
  EXPECT_EQ(cal->Month(), m);
  EXPECT_EQ(cal->Year(), y);
  // Without its button the corner is an ordinary caption.
  cal->SetNextMonthButton(false);
  cal->SetEnableCaptionPopup(false);
  QTest::mouseClick(cal.get(), Qt::LeftButton, {}, next);
  EXPECT_EQ(cal->Month(), m);
}

TEST_F(CalendarMouse, LosingTheMouseEndsAGestureAndStopsTheArrows) {
  auto cal = MakeShown();
  Counter n;
  n.Attach(*cal);
  QTest::mousePress(cal.get(), Qt::LeftButton, {}, DayPoint(*cal, 0, 0, D(2026, 6, 10)));
  DragTo(cal.get(), DayPoint(*cal, 0, 0, D(2026, 6, 12)));
  cal->hide();
  EXPECT_EQ(n.selection, 1) << "the gesture ended as on release";
  EXPECT_EQ(cal->SelectionEnd(), D(2026, 6, 12));
  cal->show();
  DragTo(cal.get(), DayPoint(*cal, 0, 0, D(2026, 6, 14)));
  EXPECT_EQ(cal->SelectionEnd(), D(2026, 6, 12)) << "no gesture in progress any more";
  QTest::mousePress(cal.get(), Qt::LeftButton, {}, cal->ClientRect().topLeft() + QPoint(4, 4));
  const int dates = n.dates;
  cal->hide();
  QTest::qWait(700);
  EXPECT_EQ(n.dates, dates);
}

TEST_F(CalendarMouse, ThePopupListShowsTheClickedMonthInTheClickedBlock) {
  auto cal = MakeShown(3, 1);  // June, July, August 2026
  TRBCPopupListBox* list = cal->PopupList();
  Counter n;
  n.Attach(*cal);
  const QPoint caption = cal->ClientRect().topLeft() + QPoint(cal->MonthWidth() + 60, 6);
  QTest::mousePress(cal.get(), Qt::LeftButton, {}, caption);
  ASSERT_TRUE(list->isVisible());
  ASSERT_EQ(list->ItemCount(), 7);
  EXPECT_EQ(list->Items()[0], "abril 2026");
  EXPECT_EQ(list->Items()[3], "julio 2026");
  EXPECT_EQ(list->Items()[6], "octubre 2026");
  EXPECT_EQ(list->ItemIndex(), 0);
  const int ih = list->ItemHeight();
  QTest::mouseMove(list, QPoint(20, 1 + 5 * ih + ih / 2));
  EXPECT_EQ(list->ItemIndex(), 5);
  QTest::mouseRelease(list, Qt::LeftButton, {}, QPoint(20, 1 + 5 * ih + ih / 2));
  EXPECT_FALSE(list->isVisible());
  // "septiembre 2026" now in the second block.
  EXPECT_EQ(cal->MonthData(1, 0).Month, 9);
  EXPECT_EQ(cal->Month(), 8);
  EXPECT_EQ(n.dates, 1);
  EXPECT_EQ(n.selection, 0);
}

TEST_F(CalendarMouse, ThePopupListScrollsOutsideItsEdgesAndAReleaseOutsideChangesNothing) {
  auto cal = MakeShown(2, 1);
  TRBCPopupListBox* list = cal->PopupList();
  Counter n;
  n.Attach(*cal);
  QTest::mousePress(cal.get(), Qt::LeftButton, {}, cal->ClientRect().topLeft() + QPoint(60, 6));
  ASSERT_TRUE(list->isVisible());
  const int ih = list->ItemHeight();
  struct Case {
    int y;
    bool up, down;
    int interval;
  } cases[] = {
      {-1, true, false, 600},
      {-(ih + 1), true, false, 400},
      {-(3 * ih), true, false, 50},  // 600 - 3 x 200 is not positive
      {list->height() + 2 * ih + 1, false, true, 200},
      {ih, false, false, -1},
  };
  for (const auto& c : cases) {
    QTest::mouseMove(list, QPoint(10, c.y));
    EXPECT_EQ(list->ScrollingUp(), c.up) << c.y;
    EXPECT_EQ(list->ScrollingDown(), c.down) << c.y;
    EXPECT_EQ(list->Scrolling(), c.up || c.down) << c.y;
    if (c.interval > 0) {
      EXPECT_EQ(list->ScrollInterval(), c.interval) << c.y;
    }
  }
  // Fast upward scrolling moves the centre month back and rewrites the items.
  QTest::mouseMove(list, QPoint(10, -(3 * ih)));
  QTRY_VERIFY_WITH_TIMEOUT(list->CenterMonth() <= D(2026, 4, 1), 3000);
  QTest::mouseMove(list, QPoint(10, ih));
  EXPECT_FALSE(list->Scrolling());
  int y = 0, m = 0, d = 0;
  dt::DecodeDate(list->CenterMonth(), y, m, d);
  EXPECT_EQ(list->Items()[3], QLocale().monthName(m) + " " + QString::number(y));
  // Another button's release leaves the list up; a left release outside it closes it.
  QTest::mouseRelease(list, Qt::RightButton, {}, QPoint(-40, 5));
  EXPECT_TRUE(list->isVisible());
  QTest::mouseRelease(list, Qt::LeftButton, {}, QPoint(-40, 5));
  EXPECT_FALSE(list->isVisible());
  EXPECT_EQ(n.dates, 0);
  EXPECT_EQ(cal->Month(), 6);
}
}  // namespace

namespace {
TEST_F(CalendarMouse, HidingTheCalendarClosesItsPopupListWithoutChoosing) {
  auto cal = MakeShown(2, 1);
  Counter n;
  n.Attach(*cal);
  QTest::mousePress(cal.get(), Qt::LeftButton, {}, cal->ClientRect().topLeft() + QPoint(60, 6));
  ASSERT_TRUE(cal->PopupList()->isVisible());
  cal->hide();
  EXPECT_FALSE(cal->PopupList()->isVisible());
  EXPECT_EQ(n.dates, 0);
}

TEST_F(CalendarMouse, OnlyALeftDoubleClickIsAnnounced) {
  auto cal = MakeShown();
  int dbl = 0;
  cal->OnDblClick = [&](TRBCalendar*) { ++dbl; };
  const QPoint p = DayPoint(*cal, 0, 0, D(2026, 6, 10));
  for (Qt::MouseButton b : {Qt::LeftButton, Qt::RightButton}) {
    QMouseEvent ev(QEvent::MouseButtonDblClick, QPointF(p), QPointF(cal->mapToGlobal(p)), b, b, Qt::NoModifier);
    QApplication::sendEvent(cal.get(), &ev);
    QMouseEvent up(QEvent::MouseButtonRelease, QPointF(p), QPointF(cal->mapToGlobal(p)), b, Qt::NoButton,
                   Qt::NoModifier);
    QApplication::sendEvent(cal.get(), &up);
  }
  EXPECT_EQ(dbl, 1);
  EXPECT_EQ(cal->SelectionStart(), D(2026, 6, 10)) << "the double click's press selects as any press";
}
}  // namespace
