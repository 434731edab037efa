// Mouse interaction driven through real mouse events on an offscreen view.
// Move drags run through the drag-and-drop seam: the test delivers the
// toolkit's drag-over and drop events to the views, as the platform would.
#include <QContextMenuEvent>
#include <QDrag>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QTest>
#include <QTextEdit>
#include <QWheelEvent>
#include <string>

#include "TimeViewFixture.h"
#include "core/DateFormat.h"

namespace {
std::string Fmt(TDateTime t) { return FormatDateTime("hh:nn", t).toStdString(); }

struct DragLog {
  std::vector<std::pair<TRBTimeViewItem*, TRBTVDragMode>> events;
  int Count(TRBTVDragMode mode) const {
    int n = 0;
    for (const auto& e : events) n += e.second == mode;
    return n;
  }
};

class InteractionTest : public TimeViewTest {
 protected:
  void SetUp() override {
    TimeViewTest::SetUp();
    view->resize(640, 1100);  // the whole day fits unless a test says otherwise
    view->SetDays(3, Day0());
    Settle();
  }
  void TearDown() override {
    TRBTimeView::DragExecHook = nullptr;
    TimeViewTest::TearDown();
  }
  QPoint W(int x, int y) const { return view->ClientOrigin() + QPoint(x, y); }
  int Y(TTime t) const { return view->TimeToY(1, t); }
  int MidX(int day) const { return view->Days(day)->Left() + view->Days(day)->Width() / 2; }
  void Press(int x, int y) { QTest::mousePress(view.get(), Qt::LeftButton, {}, W(x, y)); }
  void Move(int x, int y) { QTest::mouseMove(view.get(), W(x, y)); }
  void Release(int x, int y) { QTest::mouseRelease(view.get(), Qt::LeftButton, {}, W(x, y)); }
  // Timers may run late on a loaded machine: wait for a condition, up to a limit.
  template <class Pred>
  static bool WaitFor(Pred pred, int limitMs = 3000) {
    for (int waited = 0; !pred() && waited < limitMs; waited += 20) QTest::qWait(20);
    return pred();
  }
  // What the platform delivers: press, release, double click, release.
  void DoubleClick(int x, int y) {
    Press(x, y);
    Release(x, y);
    QTest::mouseDClick(view.get(), Qt::LeftButton, {}, W(x, y));
    Release(x, y);
  }

  // Delivers a drag path to views: each step is (view, client point); the
  // last view gets a drop when drop is true, else a leave (drag cancelled).
  struct Step {
    TRBTimeView* target;
    QPoint at;
  };
  void DragAlong(std::vector<Step> steps, bool drop) {
    TRBTimeView::DragExecHook = [steps, drop](QDrag* drag) {
      const QMimeData* mime = drag->mimeData();
      TRBTimeView* current = nullptr;
      for (const Step& s : steps) {
        const QPoint p = s.target->ClientOrigin() + s.at;
        if (s.target != current) {
          if (current) {
            QDragLeaveEvent leave;
            QApplication::sendEvent(current, &leave);
          }
          current = s.target;
          QDragEnterEvent enter(p, Qt::MoveAction, mime, Qt::LeftButton, {});
          QApplication::sendEvent(current, &enter);
        }
        QDragMoveEvent move(p, Qt::MoveAction, mime, Qt::LeftButton, {});
        QApplication::sendEvent(current, &move);
      }
      if (drop) {
        QDropEvent dropEvent(QPointF(current->ClientOrigin() + steps.back().at), Qt::MoveAction, mime, Qt::LeftButton, {});
        QApplication::sendEvent(current, &dropEvent);
        return Qt::MoveAction;
      }
      QDragLeaveEvent leave;
      QApplication::sendEvent(current, &leave);
      return Qt::IgnoreAction;
    };
  }
  // Presses on an item's body and moves far enough to start a move drag.
  void StartMove(TRBTimeViewItem* item, int day) {
    const TRect r = view->Days(day)->ItemRect(item);
    const int x = (r.Left + r.Right) / 2, y = (r.Top + r.Bottom) / 2;
    Press(x, y);
    Move(x, y + QApplication::startDragDistance() + 2);
  }
};
}  // namespace

TEST_F(InteractionTest, PressNearTheTopEdgeDragsTheStartFartherDownSelectsTheItem) {
  TRBTimeViewItem* item = Add(Day0() + HM(9, 0), Day0() + HM(10, 0));
  DragLog starts, moves;
  view->OnDragItemStart = [&](TRBTimeView*, TRBTimeViewItem* i, TRBTVDragMode m) { starts.events.push_back({i, m}); };
  view->OnDragItem = [&](TRBTimeView*, TRBTimeViewItem* i, TRBTVDragMode m) { moves.events.push_back({i, m}); };
  const TRect r = view->Days(0)->ItemRect(item);
  const int x = (r.Left + r.Right) / 2;
  view->SetTimeSelection(Day0() + HM(3, 0), Day0() + HM(4, 0));
  Press(x, r.Top + 2);
  EXPECT_EQ(view->Operation(), TRBTimeView::opItemStart);
  EXPECT_EQ(view->SelectedItem(), item);
  EXPECT_EQ(view->TimeSelectionStart(), -1);
  Release(x, r.Top + 2);
  EXPECT_EQ(starts.events, (std::vector<std::pair<TRBTimeViewItem*, TRBTVDragMode>>{{item, dmBegin}, {item, dmEnd}}));
  view->SetSelectedItem(nullptr);
  Press(x, r.Top + 5);
  EXPECT_EQ(view->Operation(), TRBTimeView::opItemPress);
  EXPECT_EQ(view->SelectedItem(), item);
  Release(x, r.Top + 5);
  EXPECT_EQ(moves.Count(dmBegin), 1);
  EXPECT_EQ(moves.Count(dmEnd), 0);  // a press that did not move ends nothing
}

TEST_F(InteractionTest, EdgeDragsFollowResolutionMinimumLengthAndSnapping) {
  TRBTimeViewItem* item = Add(Day0() + HM(9, 0), Day0() + HM(10, 0));
  DragLog ends;
  view->OnDragItemEnd = [&](TRBTimeView*, TRBTimeViewItem* i, TRBTVDragMode m) { ends.events.push_back({i, m}); };
  const int x = MidX(0) - 20;
  Press(x, view->Days(0)->ItemRect(item).Bottom - 1);
  ASSERT_EQ(view->Operation(), TRBTimeView::opItemEnd);
  Move(x, Y(HM(9, 10)));
  EXPECT_NEAR(item->EndTime(), Day0() + HM(9, 30), 1e-9);  // kept at the minimum length
  Move(x, Y(HM(12, 50)));
  EXPECT_NEAR(item->EndTime(), Day0() + HM(13, 0), 1e-9);  // to the nearest half hour
  Release(x, Y(HM(12, 50)));
  EXPECT_EQ(ends.Count(dmBegin), 1);
  EXPECT_EQ(ends.Count(dmDrag), 2);
  EXPECT_EQ(ends.Count(dmEnd), 1);

  // Snapping a start to another item's end.
  view->Items()->Clear();
  TRBTimeViewItem* before = Add(Day0() + HM(8, 0), Day0() + HM(10, 0));
  TRBTimeViewItem* moved = Add(Day0() + HM(11, 0), Day0() + HM(12, 0));
  view->SetOptions(view->Options() + TRBTVOptions{tvoSnapItemToItem});
  view->SetItemsSnap(15);
  view->SetItemDragResolution(5);
  (void)before;
  const TRect r = view->Days(0)->ItemRect(moved);
  Press(r.Left + 10, r.Top + 1);
  ASSERT_EQ(view->Operation(), TRBTimeView::opItemStart);
  Move(r.Left + 10, Y(HM(10, 10)));
  EXPECT_NEAR(moved->StartTime(), Day0() + HM(10, 0), 1e-9);
  Move(r.Left + 10, Y(HM(10, 20)));  // beyond the snap distance
  EXPECT_NEAR(moved->StartTime(), Day0() + HM(10, 20), 1e-9);
  Release(r.Left + 10, Y(HM(10, 20)));
}

TEST_F(InteractionTest, TimeSelectionCoversAnchorAndPointerSlots) {
  std::vector<std::pair<double, double>> changes;
  view->OnSelectionChanged = [&](TRBTimeView*, TDateTime s, TDateTime e) { changes.push_back({s, e}); };
  const int x = MidX(1);
  const TDate d = Day0() + 1;
  Press(x, Y(HM(8, 40)) + 1);
  EXPECT_NEAR(view->TimeSelectionStart(), d + HM(8, 30), 1e-9);
  EXPECT_NEAR(view->TimeSelectionEnd(), d + HM(9, 0), 1e-9);
  Move(x, Y(HM(7, 10)) + 1);
  EXPECT_NEAR(view->TimeSelectionStart(), d + HM(7, 0), 1e-9);
  EXPECT_NEAR(view->TimeSelectionEnd(), d + HM(9, 0), 1e-9);
  Move(x, Y(1.0) + 20);  // below 24:00
  EXPECT_NEAR(view->TimeSelectionStart(), d + HM(8, 30), 1e-9);
  EXPECT_NEAR(view->TimeSelectionEnd(), d + 1.0, 1e-9);
  Move(MidX(2), Y(HM(10, 5)) + 1);  // into the next day
  EXPECT_NEAR(view->TimeSelectionEnd(), d + 1 + HM(10, 30), 1e-9);
  Release(MidX(2), Y(HM(10, 5)) + 1);
  EXPECT_EQ(view->Operation(), TRBTimeView::opNone);
  EXPECT_NEAR(view->TimeSelectionStart(), d + HM(8, 30), 1e-9);  // stays after the release
  EXPECT_EQ(changes.size(), 4u);

  // In the top space: whole days, anchor to pointer.
  const int top = view->CaptionHeight() + view->TopSpaceHeight() / 2;
  Press(MidX(2), top);
  EXPECT_EQ(view->TimeSelectionStart(), -1);
  EXPECT_EQ(view->AllDaySelectionStart(), Day0() + 2);
  Move(MidX(0), top);
  EXPECT_EQ(view->AllDaySelectionStart(), Day0());
  EXPECT_EQ(view->AllDaySelectionEnd(), Day0() + 2);
  Release(MidX(0), top);
}

TEST_F(InteractionTest, WorkingHoursDragKeepsTheMinimumAndReports) {
  TRBTimeviewDay* day = view->Days(0);
  day->SetWorkingDay(true);
  DragLog unused;
  std::vector<TRBTVDragMode> modes;
  int changes = 0;
  view->OnDragBeginWork = [&](TRBTimeView*, TRBTimeviewDay* d, TRBTVDragMode m) {
    EXPECT_EQ(d, day);
    modes.push_back(m);
  };
  view->OnChangeBeginWork = [&](TRBTimeView*, TRBTimeviewDay*) { ++changes; };
  const int x = MidX(0);
  Press(x, Y(HM(8, 0)) + 1);
  ASSERT_EQ(view->Operation(), TRBTimeView::opBeginWork);
  Move(x, Y(HM(7, 0)));
  EXPECT_NEAR(day->StartWork(), HM(7, 0), 1e-9);
  Move(x, Y(HM(18, 0)));
  EXPECT_NEAR(day->StartWork(), HM(17, 0), 1e-9);  // 30 minutes before the end
  Release(x, Y(HM(18, 0)));
  EXPECT_EQ(modes, (std::vector{dmBegin, dmDrag, dmDrag, dmEnd}));
  EXPECT_EQ(changes, 2);
}

TEST_F(InteractionTest, ClickOpensTheEditorAfterHalfASecondButADoubleClickDoesNot) {
  TRBTimeViewItem* item = Add(Day0() + HM(9, 0), Day0() + HM(10, 0), "texto");
  const TRect r = view->Days(0)->ItemRect(item);
  const int x = (r.Left + r.Right) / 2, y = (r.Top + r.Bottom) / 2;
  Press(x, y);
  Release(x, y);
  EXPECT_EQ(view->EditingItem(), nullptr);
  EXPECT_TRUE(WaitFor([&] { return view->EditingItem() == item; }));
  view->EndEdit(false);

  Press(x, y);  // held longer: the editor opens at the release
  QTest::qWait(900);
  EXPECT_EQ(view->EditingItem(), nullptr);
  Release(x, y);
  EXPECT_EQ(view->EditingItem(), item);
  view->EndEdit(true);

  int doubles = 0, plain = 0;
  view->OnItemDblClick = [&](TRBTimeView*, TRBTimeViewItem* i) {
    EXPECT_EQ(i, item);
    ++doubles;
  };
  view->OnDblClick = [&](TRBTimeView*) { ++plain; };
  DoubleClick(x, y);
  QTest::qWait(650);
  EXPECT_EQ(doubles, 1);
  EXPECT_EQ(view->EditingItem(), nullptr);
  DoubleClick(x, Y(HM(15, 0)) + 3);
  EXPECT_EQ(plain, 1);
  EXPECT_EQ(doubles, 1);
}

TEST_F(InteractionTest, AutoScrollDuringAnEndDragExtendsTheItemEveryTick) {
  view->resize(640, 480);
  Settle();
  TRBTimeViewItem* item = Add(Day0() + HM(9, 0), Day0() + HM(10, 0));
  view->ScrollToTime(HM(8, 0));
  const int x = MidX(0) - 20;
  Press(x, view->Days(0)->ItemRect(item).Bottom - 1);
  ASSERT_EQ(view->Operation(), TRBTimeView::opItemEnd);
  const int before = view->VScrollPosition();
  Move(x, view->ClientHeight() - 2);
  EXPECT_TRUE(view->AutoScrolling());
  EXPECT_EQ(view->VScrollPosition(), before + 20);  // one mark at once
  const TDateTime endAfterMove = item->EndTime();
  EXPECT_TRUE(WaitFor([&] { return view->VScrollPosition() >= before + 60; }));
  EXPECT_GT(item->EndTime(), endAfterMove);
  Release(x, view->ClientHeight() - 2);
  EXPECT_FALSE(view->AutoScrolling());
  const int stopped = view->VScrollPosition();
  QTest::qWait(120);
  EXPECT_EQ(view->VScrollPosition(), stopped);
}

TEST_F(InteractionTest, MovingPastMidnightStopsAtTheDaysEndUnlessAllowed) {
  for (bool otherDay : {false, true}) {
    view->Items()->Clear();
    TRBTimeViewItem* item = Add(Day0() + HM(23, 0), Day0() + HM(23, 30));
    TRBTVDragOptions options = view->DragOptions();
    view->SetDragOptions(otherDay ? options.Include(doItemToOtherDay) : options.Exclude(doItemToOtherDay));
    DragLog log;
    view->OnDragItem = [&](TRBTimeView*, TRBTimeViewItem* i, TRBTVDragMode m) { log.events.push_back({i, m}); };
    const TRect r = view->Days(0)->ItemRect(item);
    const QPoint press((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
    if (otherDay)
      DragAlong({{view.get(), press}, {view.get(), QPoint(MidX(1), Y(HM(0, 40)))}}, true);
    else
      DragAlong({{view.get(), press}, {view.get(), QPoint(press.x(), Y(1.0) + 30)}}, true);
    StartMove(item, 0);
    EXPECT_FALSE(item->Dragging());
    if (otherDay) {
      EXPECT_EQ(dt::DateOf(item->StartTime()), Day0() + 1);
      EXPECT_TRUE(view->Days(1)->Contains(item));
      EXPECT_FALSE(view->Days(0)->Contains(item));
    } else {
      EXPECT_NEAR(item->StartTime(), Day0() + HM(23, 30), 1e-9);
      EXPECT_NEAR(item->EndTime(), Day0() + 1.0, 1e-9);
    }
    EXPECT_EQ(log.Count(dmBegin), 1);
    EXPECT_EQ(log.Count(dmEnd), 1);  // the drop, once
    EXPECT_GE(log.Count(dmDrag), 1);
  }
}

TEST_F(InteractionTest, ItemClickAfterAMoveOnlyWithItemClickOnDrag) {
  for (bool clickOnDrag : {false, true}) {
    view->Items()->Clear();
    TRBTimeViewItem* item = Add(Day0() + HM(9, 0), Day0() + HM(10, 0));
    view->SetItemClickOnDrag(clickOnDrag);
    int clicks = 0;
    view->OnItemClick = [&](TRBTimeView*, TRBTimeViewItem* i) {
      EXPECT_EQ(i, item);
      ++clicks;
    };
    const TRect r = view->Days(0)->ItemRect(item);
    DragAlong({{view.get(), QPoint(r.Left + 10, r.Top + 10)}, {view.get(), QPoint(r.Left + 10, Y(HM(14, 0)))}}, true);
    StartMove(item, 0);
    EXPECT_EQ(clicks, clickOnDrag ? 1 : 0);
    EXPECT_EQ(view->Operation(), TRBTimeView::opNone);
    Press(r.Left + 10, Y(HM(14, 10)) + 1);  // a plain click always reports
    Release(r.Left + 10, Y(HM(14, 10)) + 1);
    EXPECT_EQ(clicks, clickOnDrag ? 2 : 1);
  }
}

TEST_F(InteractionTest, DraggingOutOrCancellingPutsTheItemBackWithoutDmEnd) {
  TRBTimeViewItem* item = Add(Day0() + HM(9, 0), Day0() + HM(10, 0));
  DragLog log;
  view->OnDragItem = [&](TRBTimeView*, TRBTimeViewItem* i, TRBTVDragMode m) { log.events.push_back({i, m}); };
  const TRect r = view->Days(0)->ItemRect(item);
  DragAlong({{view.get(), QPoint(r.Left + 10, r.Top + 10)}, {view.get(), QPoint(r.Left + 10, Y(HM(15, 0)))}}, false);
  StartMove(item, 0);
  EXPECT_NEAR(item->StartTime(), Day0() + HM(9, 0), 1e-9);
  EXPECT_NEAR(item->EndTime(), Day0() + HM(10, 0), 1e-9);
  EXPECT_FALSE(item->Dragging());
  EXPECT_EQ(log.Count(dmEnd), 0);
  EXPECT_GE(log.Count(dmDrag), 1);

  // A drag the platform ends without any leave (cancelled over the view).
  TRBTimeView::DragExecHook = [&](QDrag* drag) {
    const QPoint p = view->ClientOrigin() + QPoint(r.Left + 10, Y(HM(16, 0)));
    QDragEnterEvent enter(p, Qt::MoveAction, drag->mimeData(), Qt::LeftButton, {});
    QApplication::sendEvent(view.get(), &enter);
    EXPECT_TRUE(item->Dragging());
    return Qt::IgnoreAction;
  };
  StartMove(item, 0);
  EXPECT_NEAR(item->StartTime(), Day0() + HM(9, 0), 1e-9);
  EXPECT_FALSE(item->Dragging());
  EXPECT_EQ(log.Count(dmEnd), 0);
}

TEST_F(InteractionTest, DroppingIntoAnotherViewCopiesTheItemThere) {
  TRBTimeView target;
  target.SetBorderStyle(bsNone);
  target.resize(640, 1100);
  target.SetDays(2, Day0() + 5);
  target.show();
  Settle();
  TRBTimeViewItem* item = Add(Day0() + HM(9, 0), Day0() + HM(10, 30), "viaje");
  item->SetItemID(8);
  DragLog source, copies;
  view->OnDragItem = [&](TRBTimeView*, TRBTimeViewItem* i, TRBTVDragMode m) { source.events.push_back({i, m}); };
  target.OnDragItem = [&](TRBTimeView*, TRBTimeViewItem* i, TRBTVDragMode m) { copies.events.push_back({i, m}); };
  const TRect r = view->Days(0)->ItemRect(item);
  const int x1 = target.Days(1)->Left() + 30;
  DragAlong({{view.get(), QPoint(r.Left + 10, r.Top + 10)},
             {view.get(), QPoint(r.Left + 10, Y(HM(12, 0)))},
             {&target, QPoint(x1, target.TimeToY(1, HM(14, 0)) + 1)}},
            true);
  StartMove(item, 0);
  EXPECT_NEAR(item->StartTime(), Day0() + HM(9, 0), 1e-9);  // the source item went back
  EXPECT_EQ(source.Count(dmEnd), 0);
  ASSERT_EQ(target.Items()->Count(), 1);
  TRBTimeViewItem* copy = target.Items()->Items(0);
  EXPECT_EQ(copy->Text(), "viaje");
  EXPECT_EQ(copy->ItemID(), 0);  // only text, all-day flag and times travel
  EXPECT_NEAR(copy->Duration(), HM(1, 30), 1e-9);
  EXPECT_EQ(dt::DateOf(copy->StartTime()), Day0() + 6);
  EXPECT_FALSE(copy->Dragging());
  EXPECT_EQ(target.SelectedItem(), copy);
  EXPECT_EQ(copies.Count(dmEnd), 1);
  EXPECT_EQ(copies.events.back().first, copy);

  // Passing through the target and leaving it again leaves nothing there.
  DragAlong({{view.get(), QPoint(r.Left + 10, r.Top + 10)},
             {&target, QPoint(x1, target.TimeToY(1, HM(16, 0)))},
             {view.get(), QPoint(r.Left + 10, Y(HM(13, 0)))}},
            true);
  StartMove(item, 0);
  EXPECT_EQ(target.Items()->Count(), 1);
  EXPECT_EQ(source.Count(dmEnd), 1);
  EXPECT_EQ(dt::DateOf(item->StartTime()), Day0());
}

TEST_F(InteractionTest, ReadOnlyBlocksChangesButNotSelections) {
  view->SetReadOnly(true);
  TRBTimeViewItem* item = Add(Day0() + HM(9, 0), Day0() + HM(10, 0));
  view->Days(0)->SetWorkingDay(true);
  const TRect r = view->Days(0)->ItemRect(item);
  const int x = (r.Left + r.Right) / 2;
  Press(x, r.Top + 1);
  EXPECT_EQ(view->Operation(), TRBTimeView::opItemPress);  // the edge is not offered
  Move(x, r.Top + 40);
  Release(x, r.Top + 40);
  EXPECT_NEAR(item->StartTime(), Day0() + HM(9, 0), 1e-9);
  QTest::qWait(600);
  EXPECT_EQ(view->EditingItem(), nullptr);
  Press(MidX(0), Y(HM(8, 0)) + 1);
  EXPECT_EQ(view->Operation(), TRBTimeView::opTimeSelection);
  Release(MidX(0), Y(HM(8, 0)) + 1);
  EXPECT_NE(view->TimeSelectionStart(), -1);
  QTest::keyClick(view.get(), 'x');
  EXPECT_EQ(view->Items()->Count(), 1);
}

TEST_F(InteractionTest, SetDaysDuringAWorkingHoursDragLeavesNoOldDay) {
  view->Days(0)->SetWorkingDay(true);
  int events = 0;
  view->OnDragBeginWork = [&](TRBTimeView*, TRBTimeviewDay*, TRBTVDragMode) { ++events; };
  Press(MidX(0), Y(HM(8, 0)));
  ASSERT_EQ(view->Operation(), TRBTimeView::opBeginWork);
  view->SetDays(3, Day0() + 7);
  Move(MidX(0), Y(HM(7, 0)));
  Release(MidX(0), Y(HM(7, 0)));
  EXPECT_EQ(events, 1);
  EXPECT_EQ(view->Operation(), TRBTimeView::opNone);
}

TEST_F(InteractionTest, CoordinatesAreClientCoordinatesInsideTheBorder) {
  view->SetBorderStyle(bsSingle);
  Settle();
  EXPECT_EQ(view->ClientOrigin(), QPoint(2, 2));
  EXPECT_EQ(view->ClientHeight(), view->height() - 4);
  std::vector<QPoint> downs;
  view->OnMouseDown = [&](TRBTimeView*, Qt::MouseButton button, Qt::KeyboardModifiers, int x, int y) {
    EXPECT_EQ(button, Qt::LeftButton);
    downs.push_back(QPoint(x, y));
  };
  const int x = MidX(0), y = Y(HM(8, 40)) + 1;
  Press(x, y);
  Release(x, y);
  EXPECT_EQ(downs, (std::vector{QPoint(x, y)}));
  EXPECT_NEAR(view->TimeSelectionStart(), Day0() + HM(8, 30), 1e-9);
  view->SetTimeSelectionColor(RGBColor(10, 200, 10));
  const QImage shot = view->grab().toImage();
  EXPECT_EQ(shot.pixel(view->ClientOrigin() + QPoint(x, Y(HM(8, 45)))), qRgb(10, 200, 10));
}

TEST_F(InteractionTest, EdgesAndMovesIntoTheTopSpaceMakeAllDayItems) {
  TRBTimeViewItem* item = Add(Day0() + HM(9, 0), Day0() + HM(10, 0));
  const int x = MidX(0) - 20;
  const int inTop = view->CaptionHeight() + view->TopSpaceHeight() / 2;
  Press(x, view->Days(0)->ItemRect(item).Top + 1);
  ASSERT_EQ(view->Operation(), TRBTimeView::opItemStart);
  Move(x, inTop);
  EXPECT_TRUE(item->AllDay());
  EXPECT_EQ(item->StartTime(), Day0());  // the day's start (the end edge's option)
  Move(x, Y(HM(8, 0)) + 1);
  EXPECT_FALSE(item->AllDay());
  EXPECT_NEAR(item->StartTime(), Day0() + HM(8, 0), 1e-9);
  Release(x, Y(HM(8, 0)) + 1);

  // A move into the top space asks the host first.
  bool allow = false;
  int asked = 0;
  view->OnDragItemToAllDay = [&](TRBTimeView*, TRBTimeViewItem* i, bool& canDrag) {
    EXPECT_EQ(i, item);
    ++asked;
    canDrag = allow;
  };
  const TRect r = view->Days(0)->ItemRect(item);
  const QPoint start((r.Left + r.Right) / 2, r.Top + 10);
  DragAlong({{view.get(), start}, {view.get(), QPoint(start.x(), inTop)}}, true);
  StartMove(item, 0);
  EXPECT_GE(asked, 1);
  EXPECT_FALSE(item->AllDay());
  allow = true;
  DragAlong({{view.get(), start}, {view.get(), QPoint(start.x(), inTop)}}, true);
  StartMove(item, 0);
  EXPECT_TRUE(item->AllDay());
}

TEST_F(InteractionTest, AnEndSnapsToTheEndOfWorkingHours) {
  TRBTimeviewDay* day = view->Days(0);
  day->SetWorkingDay(true);
  day->SetEndWork(HM(17, 30));
  view->SetOptions(view->Options() + TRBTVOptions{tvoSnapItemToWorkingHours});
  view->SetItemDragResolution(5);
  TRBTimeViewItem* item = Add(Day0() + HM(15, 0), Day0() + HM(16, 0));
  const int x = MidX(0) - 20;
  Press(x, day->ItemRect(item).Bottom - 1);
  ASSERT_EQ(view->Operation(), TRBTimeView::opItemEnd);
  Move(x, Y(HM(17, 20)) + 1);
  EXPECT_NEAR(item->EndTime(), Day0() + HM(17, 30), 1e-9);
  Move(x, Y(HM(17, 50)) + 1);
  EXPECT_NEAR(item->EndTime(), Day0() + HM(17, 50), 1e-9);
  Release(x, Y(HM(17, 50)) + 1);
}

TEST_F(InteractionTest, ClickIsALeftPressAndReleaseInsideTheClientAreaToldBeforeTheRelease) {
  std::vector<std::string> log;
  view->OnClick = [&](TRBTimeView* sender) {
    EXPECT_EQ(sender, view.get());
    log.push_back("click");
  };
  view->OnMouseDown = [&](TRBTimeView*, Qt::MouseButton, Qt::KeyboardModifiers, int, int) { log.push_back("down"); };
  view->OnMouseUp = [&](TRBTimeView*, Qt::MouseButton, Qt::KeyboardModifiers, int, int) { log.push_back("up"); };
  view->OnDblClick = [&](TRBTimeView*) { log.push_back("dbl"); };
  const int x = MidX(0), y = Y(HM(15, 0)) + 3;
  struct Case {
    const char* name;
    std::function<void()> act;
    std::vector<std::string> expected;
  } cases[] = {
      {"plain click", [&] { Press(x, y); Release(x, y); }, {"down", "click", "up"}},
      {"released outside", [&] { Press(x, y); Release(x, view->ClientHeight() + 5); }, {"down", "up"}},
      {"right button",
       [&] {
         QTest::mousePress(view.get(), Qt::RightButton, {}, W(x, y));
         QTest::mouseRelease(view.get(), Qt::RightButton, {}, W(x, y));
       },
       {"down", "up"}},
      {"double click", [&] { DoubleClick(x, y); }, {"down", "click", "up", "down", "dbl", "up"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    log.clear();
    c.act();
    EXPECT_EQ(log, c.expected);
  }
}

TEST_F(InteractionTest, MoveDragIsToldThroughTheWindowsDragEvents) {
  TRBTimeView target;
  target.SetBorderStyle(bsNone);
  target.resize(640, 1100);
  target.SetDays(1, Day0() + 5);
  target.show();
  Settle();
  TRBTimeViewItem* item = Add(Day0() + HM(9, 0), Day0() + HM(10, 0), "cita");
  std::vector<std::string> log;
  auto over = [&](const char* who) {
    return [&log, who, this](TRBTimeView*, QObject* source, int, int, TDragState state, bool& accept) {
      EXPECT_EQ(source, view.get());  // the view the item left
      EXPECT_TRUE(accept);
      log.push_back(std::string(who) + (state == dsDragEnter ? " enter" : state == dsDragMove ? " move" : " leave"));
    };
  };
  view->OnDragOver = over("view");
  target.OnDragOver = over("target");
  QPoint dropAt;
  target.OnDragDrop = [&](TRBTimeView*, QObject* source, int x, int y) {
    EXPECT_EQ(source, view.get());
    dropAt = QPoint(x, y);
    log.push_back("target drop");
  };
  target.OnDragItem = [&](TRBTimeView*, TRBTimeViewItem*, TRBTVDragMode m) {
    if (m == dmEnd) log.push_back("target dmEnd");
  };
  view->OnStartDrag = [&](TRBTimeView* sender) {
    EXPECT_EQ(sender, view.get());
    EXPECT_EQ(TRBTimeView::ItemDragObject(), nullptr);  // told before the drag runs
    log.push_back("start");
  };
  QObject* endTarget = &target;
  QPoint endAt(-1, -1);
  view->OnEndDrag = [&](TRBTimeView*, QObject* t, int x, int y) {
    endTarget = t;
    endAt = QPoint(x, y);
    log.push_back("end");
  };
  const TRect r = view->Days(0)->ItemRect(item);
  const QPoint into(target.Days(0)->Left() + 30, target.TimeToY(1, HM(14, 0)) + 1);
  DragAlong({{view.get(), QPoint(r.Left + 10, r.Top + 10)}, {&target, into}}, true);
  StartMove(item, 0);
  EXPECT_EQ(log, (std::vector<std::string>{"start", "view enter", "view move", "view leave", "target enter",
                                           "target move", "target leave", "target drop", "target dmEnd", "end"}));
  EXPECT_EQ(dropAt, into);
  EXPECT_EQ(endTarget, &target);
  EXPECT_EQ(endAt, into);

  // Cancelled: no target.
  log.clear();
  DragAlong({{view.get(), QPoint(r.Left + 10, r.Top + 10)}, {view.get(), QPoint(r.Left + 10, Y(HM(15, 0)))}}, false);
  StartMove(item, 0);
  EXPECT_EQ(log, (std::vector<std::string>{"start", "view enter", "view move", "view move", "view leave", "end"}));
  EXPECT_EQ(endTarget, nullptr);
  EXPECT_EQ(endAt, QPoint(0, 0));
}

TEST_F(InteractionTest, TheMoveDragShowsTheDragCursorPicture) {
  TRBTimeViewItem* item = Add(Day0() + HM(9, 0), Day0() + HM(10, 0));
  QPixmap seen(1, 1);
  bool ran = false;
  TRBTimeView::DragExecHook = [&](QDrag* drag) {
    ran = true;
    seen = drag->dragCursor(Qt::MoveAction);
    return Qt::IgnoreAction;
  };
  EXPECT_EQ(view->DragCursor().shape(), Qt::DragMoveCursor);
  StartMove(item, 0);
  ASSERT_TRUE(ran);
  EXPECT_TRUE(seen.isNull());  // the platform's own move cursor

  QImage picture(16, 16, QImage::Format_ARGB32);
  picture.fill(qRgb(200, 30, 30));
  picture.setPixel(3, 4, qRgb(0, 0, 255));
  view->SetDragCursor(QCursor(QPixmap::fromImage(picture)));
  ran = false;
  StartMove(item, 0);
  ASSERT_TRUE(ran);
  ASSERT_FALSE(seen.isNull());
  EXPECT_EQ(seen.toImage().convertToFormat(QImage::Format_ARGB32), picture);
}

TEST_F(InteractionTest, DragsFromOtherProgramsAreRefusedUntold) {
  int told = 0;
  view->OnDragOver = [&](TRBTimeView*, QObject*, int, int, TDragState, bool&) { ++told; };
  view->OnDragDrop = [&](TRBTimeView*, QObject*, int, int) { ++told; };
  QMimeData mime;
  mime.setText("/home/usuario/fichero.txt");
  const QPoint p = W(MidX(0), Y(HM(10, 0)));
  QDragEnterEvent enter(p, Qt::MoveAction | Qt::CopyAction, &mime, Qt::LeftButton, {});
  enter.accept();  // the view must say no itself
  QApplication::sendEvent(view.get(), &enter);
  EXPECT_FALSE(enter.isAccepted());
  // (Moves and drops reach only a widget that took the enter.)
  QDragMoveEvent move(p, Qt::MoveAction | Qt::CopyAction, &mime, Qt::LeftButton, {});
  QApplication::sendEvent(view.get(), &move);
  QDropEvent drop(QPointF(p), Qt::MoveAction | Qt::CopyAction, &mime, Qt::LeftButton, {});
  QApplication::sendEvent(view.get(), &drop);
  QDragLeaveEvent leave;
  QApplication::sendEvent(view.get(), &leave);
  EXPECT_EQ(told, 0);
}

TEST_F(InteractionTest, AMoveStopsTheClickTimer) {
  TRBTimeViewItem* item = Add(Day0() + HM(9, 0), Day0() + HM(10, 0));
  ASSERT_TRUE(view->ClickToEdit());
  const TRect r = view->Days(0)->ItemRect(item);
  DragAlong({{view.get(), QPoint(r.Left + 10, r.Top + 10)}, {view.get(), QPoint(r.Left + 10, Y(HM(14, 0)))}}, true);
  StartMove(item, 0);
  ASSERT_GT(item->StartTime(), Day0() + HM(12, 0));  // it moved
  QTest::qWait(700);
  EXPECT_EQ(view->EditingItem(), nullptr);
}

TEST_F(InteractionTest, HoldingAMovedItemAtTheBottomScrollsAndMovesItEveryTick) {
  view->resize(640, 480);
  Settle();
  TRBTimeViewItem* item = Add(Day0() + HM(9, 0), Day0() + HM(10, 0));
  view->ScrollToTime(HM(8, 0));
  int before = 0, during = 0;
  TDateTime startAtFirstStep = 0, startAfterTicks = 0;
  TRBTimeView::DragExecHook = [&](QDrag* drag) {
    const TRect r = view->Days(0)->ItemRect(item);
    const QPoint grab = view->ClientOrigin() + QPoint(r.Left + 10, r.Top + 10);
    QDragEnterEvent enter(grab, Qt::MoveAction, drag->mimeData(), Qt::LeftButton, {});
    QApplication::sendEvent(view.get(), &enter);
    before = view->VScrollPosition();
    const QPoint bottom = view->ClientOrigin() + QPoint(r.Left + 10, view->ClientHeight() - 2);
    QDragMoveEvent move(bottom, Qt::MoveAction, drag->mimeData(), Qt::LeftButton, {});
    QApplication::sendEvent(view.get(), &move);
    startAtFirstStep = item->StartTime();
    WaitFor([&] { return view->VScrollPosition() >= before + 80; });
    during = view->VScrollPosition();
    startAfterTicks = item->StartTime();
    QDropEvent drop(QPointF(bottom), Qt::MoveAction, drag->mimeData(), Qt::LeftButton, {});
    QApplication::sendEvent(view.get(), &drop);
    return Qt::MoveAction;
  };
  StartMove(item, 0);
  EXPECT_GE(during, before + 80);
  EXPECT_GT(startAfterTicks, startAtFirstStep);  // each tick repeated the move step
  EXPECT_FALSE(view->AutoScrolling());  // the drag's end stopped it
  const int stopped = view->VScrollPosition();
  QTest::qWait(120);
  EXPECT_EQ(view->VScrollPosition(), stopped);
}

TEST_F(InteractionTest, AContextMenuRequestShowsThePopupMenu) {
  QMenu menu;
  menu.addAction("Nueva");
  QContextMenuEvent request(QContextMenuEvent::Mouse, W(MidX(0), Y(HM(10, 0))), view->mapToGlobal(W(MidX(0), Y(HM(10, 0)))));
  QApplication::sendEvent(view.get(), &request);
  EXPECT_FALSE(request.isAccepted());  // none set: the parent may show its own
  view->SetPopupMenu(&menu);
  QApplication::sendEvent(view.get(), &request);
  EXPECT_TRUE(request.isAccepted());
  EXPECT_TRUE(menu.isVisible());
  menu.hide();
}

TEST_F(InteractionTest, TheZoneUnderThePointerSetsTheCursor) {
  TRBTimeViewItem* timed = Add(Day0() + HM(12, 0), Day0() + HM(13, 0));
  TRBTimeViewItem* allDay = Add(Day0() + 1, Day0() + 2, "fiesta", true);
  view->Days(0)->SetWorkingDay(true);
  const TRect t = view->Days(0)->ItemRect(timed);
  const TRect a = view->Days(1)->ItemRect(allDay);
  ASSERT_FALSE(a.IsEmpty());
  const int tx = (t.Left + t.Right) / 2, ay = (a.Top + a.Bottom) / 2;
  const int free0 = view->Days(0)->Left() + view->Days(0)->Width() - 10;  // day 0, clear of blocks
  const int x2 = MidX(2);                                                // day 2: not a working day
  using Z = TRBTimeView;
  struct Case {
    const char* name;
    QPoint at;
    TRBTVDragOptions without;
    TRBTimeView::TZone zone;
    Qt::CursorShape cursor;
  } cases[] = {
      {"timed start edge", {tx, t.Top + 2}, {}, Z::zItemStart, Qt::SizeVerCursor},
      {"timed end edge", {tx, t.Bottom - 2}, {}, Z::zItemEnd, Qt::SizeVerCursor},
      {"timed body", {tx, t.Top + 5}, {}, Z::zItemBody, Qt::ArrowCursor},
      {"start edge without doItemStart", {tx, t.Top + 2}, {doItemStart}, Z::zItemBody, Qt::ArrowCursor},
      {"all-day start edge", {a.Left + 2, ay}, {}, Z::zItemStart, Qt::SizeHorCursor},
      {"all-day end edge", {a.Right - 2, ay}, {}, Z::zItemEnd, Qt::SizeHorCursor},
      {"all-day body", {(a.Left + a.Right) / 2, ay}, {}, Z::zItemBody, Qt::ArrowCursor},
      {"begin-work line", {free0, Y(HM(8, 0)) + 3}, {}, Z::zBeginWork, Qt::SizeVerCursor},
      {"end-work line", {free0, Y(HM(17, 30)) - 3}, {}, Z::zEndWork, Qt::SizeVerCursor},
      {"begin-work line without doBeginWork", {free0, Y(HM(8, 0))}, {doBeginWork}, Z::zTimeArea, Qt::ArrowCursor},
      {"08:00 of a day off", {x2, Y(HM(8, 0))}, {}, Z::zTimeArea, Qt::ArrowCursor},
      {"empty top space", {x2, view->CaptionHeight() + 2}, {}, Z::zTopSpace, Qt::ArrowCursor},
      {"caption row", {x2, view->CaptionHeight() / 2}, {}, Z::zNone, Qt::ArrowCursor},
  };
  const TRBTVDragOptions all = view->DragOptions();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    view->SetDragOptions(all - c.without);
    Move(MidX(2), Y(HM(20, 0)));  // from somewhere else
    Move(c.at.x(), c.at.y());
    EXPECT_EQ(view->Zone(), c.zone);
    EXPECT_EQ(view->cursor().shape(), c.cursor);
  }
}

TEST_F(InteractionTest, KeysWheelResizeAndMovesReachTheHostAndTheViewLeavesThemToIt) {
  std::vector<std::string> log;
  view->OnKeyDown = [&](TRBTimeView*, int& key, Qt::KeyboardModifiers shift) {
    log.push_back("down " + std::to_string(key) + (shift & Qt::ControlModifier ? " ctrl" : ""));
    if (key == Qt::Key_Q) key = 0;  // handled: no typed character follows
  };
  view->OnKeyUp = [&](TRBTimeView*, int& key, Qt::KeyboardModifiers) { log.push_back("up " + std::to_string(key)); };
  view->OnKeyPress = [&](TRBTimeView*, QChar& key) { log.push_back(std::string("press ") + char(key.unicode())); };
  view->SetCreateOnType(false);
  QTest::keyClick(view.get(), Qt::Key_Q);
  QTest::keyClick(view.get(), Qt::Key_Home, Qt::ControlModifier);  // the Ctrl key itself is told too
  QTest::keyClick(view.get(), Qt::Key_E);
  const std::string ctrl = std::to_string(Qt::Key_Control), home = std::to_string(Qt::Key_Home);
  EXPECT_EQ(log, (std::vector<std::string>{"down 81", "up 81", "down " + ctrl + " ctrl", "down " + home + " ctrl",
                                           "up " + home, "up " + ctrl, "down 69", "press e", "up 69"}));

  // The wheel: OnMouseWheel first; the direction's event only when unhandled.
  view->resize(640, 480);
  Settle();
  view->ScrollToTime(HM(10, 0));
  const int position = view->VScrollPosition();
  log.clear();
  bool handleFirst = false;
  view->OnMouseWheel = [&](TRBTimeView*, Qt::KeyboardModifiers, int delta, QPoint at, bool& handled) {
    log.push_back("wheel " + std::to_string(delta) + " at " + std::to_string(at.x()) + "," + std::to_string(at.y()));
    handled = handleFirst;
  };
  view->OnMouseWheelDown = [&](TRBTimeView*, Qt::KeyboardModifiers, QPoint, bool&) { log.push_back("wheel down"); };
  view->OnMouseWheelUp = [&](TRBTimeView*, Qt::KeyboardModifiers, QPoint, bool&) { log.push_back("wheel up"); };
  auto wheel = [&](int delta) {
    const QPoint at = W(100, 200);
    QWheelEvent e(at, view->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                  false);
    QApplication::sendEvent(view.get(), &e);
  };
  wheel(-120);
  wheel(120);
  handleFirst = true;
  wheel(-120);
  EXPECT_EQ(log, (std::vector<std::string>{"wheel -120 at 100,200", "wheel down", "wheel 120 at 100,200", "wheel up",
                                           "wheel -120 at 100,200"}));
  EXPECT_EQ(view->VScrollPosition(), position);  // the host scrolls, not the view

  int resized = 0;
  view->OnResize = [&](TRBTimeView*) { ++resized; };
  view->resize(600, 400);
  EXPECT_EQ(resized, 1);

  std::vector<QPoint> moves;
  view->OnMouseMove = [&](TRBTimeView*, Qt::KeyboardModifiers, int x, int y) { moves.push_back(QPoint(x, y)); };
  Move(120, 130);
  EXPECT_EQ(moves, (std::vector{QPoint(120, 130)}));
}

TEST_F(InteractionTest, PressesWhoseOptionIsMissingOrInTheCaptionStartNothing) {
  TRBTimeViewItem* item = Add(Day0() + HM(12, 0), Day0() + HM(13, 0));
  const TRect r = view->Days(0)->ItemRect(item);
  const TRBTVOptions all = view->Options();
  struct Case {
    const char* name;
    TRBTVOptions without;
    QPoint at;
  } cases[] = {
      {"caption row", {}, {MidX(1), view->CaptionHeight() / 2}},
      {"item body without tvoItemsSelection", {tvoItemsSelection}, {(r.Left + r.Right) / 2, r.Top + 10}},
      {"time area without tvoTimeSelection", {tvoTimeSelection}, {MidX(1), Y(HM(15, 0)) + 3}},
  };
  int dragEvents = 0;
  view->OnDragItem = [&](TRBTimeView*, TRBTimeViewItem*, TRBTVDragMode) { ++dragEvents; };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    view->SetOptions(all - c.without);
    view->SetSelectedItem(nullptr);
    view->SetTimeSelection(Day0() + HM(3, 0), Day0() + HM(4, 0));
    Press(c.at.x(), c.at.y());
    EXPECT_EQ(view->Operation(), TRBTimeView::opNone);
    EXPECT_EQ(view->SelectedItem(), nullptr);
    EXPECT_NEAR(view->TimeSelectionStart(), Day0() + HM(3, 0), 1e-9);  // untouched
    Release(c.at.x(), c.at.y());
  }
  EXPECT_EQ(dragEvents, 0);
}

TEST_F(InteractionTest, EndWorkDragKeepsTheMinimumAfterTheStart) {
  TRBTimeviewDay* day = view->Days(1);
  day->SetWorkingDay(true);
  std::vector<TRBTVDragMode> modes;
  int changes = 0;
  view->OnDragEndWork = [&](TRBTimeView*, TRBTimeviewDay* d, TRBTVDragMode m) {
    EXPECT_EQ(d, day);
    modes.push_back(m);
  };
  view->OnChangeEndWork = [&](TRBTimeView*, TRBTimeviewDay*) { ++changes; };
  const int x = MidX(1);
  Press(x, Y(HM(17, 30)) - 1);
  ASSERT_EQ(view->Operation(), TRBTimeView::opEndWork);
  Move(x, Y(HM(19, 0)));
  EXPECT_NEAR(day->EndWork(), HM(19, 0), 1e-9);
  Move(x, Y(HM(6, 0)));
  EXPECT_NEAR(day->EndWork(), HM(8, 30), 1e-9);  // 30 minutes after the start
  Move(x, Y(HM(5, 0)));  // refused again by the same minimum: no change, still a step
  Release(x, Y(HM(5, 0)));
  EXPECT_EQ(modes, (std::vector{dmBegin, dmDrag, dmDrag, dmDrag, dmEnd}));
  EXPECT_EQ(changes, 2);
}

TEST_F(InteractionTest, WithoutMultipleDaySelectionSelectionsStayOnTheAnchorsDay) {
  view->SetOptions(view->Options() - TRBTVOptions{tvoMutipleDaySelection});
  Press(MidX(0), Y(HM(10, 0)) + 1);
  Move(MidX(2), Y(HM(12, 0)) + 1);
  EXPECT_NEAR(view->TimeSelectionStart(), Day0() + HM(10, 0), 1e-9);
  EXPECT_NEAR(view->TimeSelectionEnd(), Day0() + HM(12, 30), 1e-9);
  Release(MidX(2), Y(HM(12, 0)) + 1);
  const int top = view->CaptionHeight() + 2;
  Press(MidX(1), top);
  Move(MidX(2), top);
  EXPECT_EQ(view->AllDaySelectionStart(), Day0() + 1);
  EXPECT_EQ(view->AllDaySelectionEnd(), Day0() + 1);
  Release(MidX(2), top);
}

TEST_F(InteractionTest, AMoveOutOfTheTopSpaceAsksTheHostAtEveryStep) {
  for (bool allow : {false, true}) {
    SCOPED_TRACE(allow);
    view->Items()->Clear();
    TRBTimeViewItem* item = Add(Day0(), Day0() + 1, "todo el día", true);
    int asked = 0;
    view->OnDragItemFromAllDay = [&](TRBTimeView*, TRBTimeViewItem* i, bool& canDrag) {
      EXPECT_EQ(i, item);
      ++asked;
      canDrag = allow;
    };
    const TRect r = view->Days(0)->ItemRect(item);
    const QPoint grab((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
    DragAlong({{view.get(), grab}, {view.get(), QPoint(grab.x(), Y(HM(14, 0)))}, {view.get(), QPoint(grab.x(), Y(HM(15, 0)))}},
              true);
    Press(grab.x(), grab.y());
    Move(grab.x(), grab.y() + QApplication::startDragDistance() + 2);
    EXPECT_EQ(asked, 2);  // each step below the top space; none while still in it
    EXPECT_EQ(item->AllDay(), !allow);
  }
}

TEST_F(InteractionTest, ClickToEditAfterNewDaysUsesTheNewDayOrNone) {
  struct Case {
    const char* name;
    int count;
    TDate first;
    bool shown;
  } cases[] = {
      {"the item's day still shown, at another index", 3, Day0() - 1, true},
      {"the item's day no longer shown", 2, Day0() + 4, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    view->EndEdit(false);
    view->Items()->Clear();
    view->SetDays(3, Day0());
    TRBTimeViewItem* item = Add(Day0() + HM(9, 0), Day0() + HM(10, 0), "cita");
    const TRect r = view->Days(0)->ItemRect(item);
    Press((r.Left + r.Right) / 2, r.Top + 10);
    Release((r.Left + r.Right) / 2, r.Top + 10);
    view->SetDays(c.count, c.first);  // before the click timer fires
    QTest::qWait(650);
    if (c.shown) {
      ASSERT_EQ(view->EditingItem(), item);
      const TRect now = view->Days(1)->ItemRect(item);
      EXPECT_EQ(view->Editor()->geometry(),
                QRect(view->ClientOrigin() + QPoint(now.Left, now.Top), QSize(now.Width(), now.Height())));
    } else {
      EXPECT_EQ(view->EditingItem(), nullptr);
      EXPECT_EQ(view->Editor(), nullptr);
    }
  }
}

// A second button, the popup menu, Esc or the loss of the focus during an
// edge or working-hours drag puts back what the drag changed and tells the
// host no end: nothing would be stored. The release that follows is no end
// either, and the pointer moving afterwards changes nothing.
TEST_F(InteractionTest, ASecondButtonMenuEscOrFocusLossCancelsADragAsIfItNeverStarted) {
  QMenu menu;
  menu.addAction("Nuevo");
  view->SetPopupMenu(&menu);
  QLineEdit other;
  other.show();
  const std::pair<const char*, std::function<void(int x, int y)>> cancels[] = {
      {"right button", [&](int x, int y) { QTest::mousePress(view.get(), Qt::RightButton, {}, W(x, y)); }},
      {"popup menu",
       [&](int x, int y) {
         QContextMenuEvent e(QContextMenuEvent::Mouse, W(x, y), view->mapToGlobal(W(x, y)));
         QApplication::sendEvent(view.get(), &e);
         menu.hide();
       }},
      {"Esc", [&](int, int) { QTest::keyClick(view.get(), Qt::Key_Escape); }},
      {"focus loss",
       [&](int, int) {
         other.activateWindow();
         ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
       }},
  };
  for (const auto& [name, cancel] : cancels) {
    SCOPED_TRACE(name);
    view->Items()->Clear();
    TRBTimeViewItem* item = Add(Day0() + HM(9, 0), Day0() + HM(10, 0));
    DragLog ends;
    view->OnDragItemEnd = [&](TRBTimeView*, TRBTimeViewItem* i, TRBTVDragMode m) { ends.events.push_back({i, m}); };
    view->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
    view->setFocus();
    const TRect r = view->Days(0)->ItemRect(item);
    const int x = (r.Left + r.Right) / 2;
    Press(x, r.Bottom - 1);
    ASSERT_EQ(view->Operation(), TRBTimeView::opItemEnd);
    Move(x, Y(HM(12, 0)));
    ASSERT_EQ(Fmt(item->EndTime()), "12:00");
    cancel(x, Y(HM(12, 0)));
    EXPECT_EQ(view->Operation(), TRBTimeView::opNone);
    EXPECT_EQ(Fmt(item->EndTime()), "10:00");
    EXPECT_FALSE(view->HintWindow()->isVisible());
    Move(x, Y(HM(14, 0)));
    Release(x, Y(HM(14, 0)));
    EXPECT_EQ(Fmt(item->EndTime()), "10:00");
    EXPECT_EQ(ends.Count(dmEnd), 0);
    view->OnDragItemEnd = nullptr;
  }

  // The working hours go back too.
  view->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
  view->setFocus();
  TRBTimeviewDay* day = view->Days(1);
  day->SetWorkingDay(true);
  const TTime start = day->StartWork();
  Press(MidX(1), Y(start) + 1);
  ASSERT_EQ(view->Operation(), TRBTimeView::opBeginWork);
  Move(MidX(1), Y(start) - 60);
  ASSERT_NE(day->StartWork(), start);
  QTest::keyClick(view.get(), Qt::Key_Escape);
  EXPECT_EQ(day->StartWork(), start);
  view->SetPopupMenu(nullptr);
}

// During a move drag a second button belongs to the drag, which it cancels:
// the view does not see the press, and no popup menu opens to take the
// release that the drag waits for.
TEST_F(InteractionTest, ASecondButtonDuringAMoveReachesNeitherTheViewNorThePopupMenu) {
  TRBTimeViewItem* item = Add(Day0() + HM(9, 0), Day0() + HM(10, 0));
  QMenu menu;
  menu.addAction("Nuevo");
  view->SetPopupMenu(&menu);
  std::vector<Qt::MouseButton> presses;
  view->OnMouseDown = [&](TRBTimeView*, Qt::MouseButton b, Qt::KeyboardModifiers, int, int) { presses.push_back(b); };
  DragLog moves;
  view->OnDragItem = [&](TRBTimeView*, TRBTimeViewItem* i, TRBTVDragMode m) { moves.events.push_back({i, m}); };
  bool menuShown = true;
  TRBTimeView::DragExecHook = [&](QDrag*) {
    QTest::mousePress(view.get(), Qt::RightButton, {}, W(MidX(0), Y(HM(12, 0))));
    const QPoint at = W(MidX(0), Y(HM(12, 0)));
    QContextMenuEvent e(QContextMenuEvent::Mouse, at, view->mapToGlobal(at));
    QApplication::sendEvent(view.get(), &e);
    menuShown = menu.isVisible();
    return Qt::IgnoreAction;  // what the cancelled drag answers
  };
  StartMove(item, 0);
  EXPECT_FALSE(menuShown);
  EXPECT_EQ(presses, (std::vector<Qt::MouseButton>{Qt::LeftButton}));
  EXPECT_EQ(Fmt(item->StartTime()), "09:00");
  EXPECT_EQ(moves.Count(dmEnd), 0);
  view->SetPopupMenu(nullptr);
}
