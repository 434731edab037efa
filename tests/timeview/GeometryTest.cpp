// Rows and times, day columns, sub-columns, block rectangles, hit tests and scrolling.
#include <QScrollBar>
#include <QTextEdit>

#include "TimeViewFixture.h"

namespace {
TVMetrics Plain() {  // DH 960, CH 24, no top space, not scrolled
  TVMetrics m;
  m.CaptionHeight = 24;
  m.TopSpace = 0;
  m.Scroll = 0;
  m.DayHeight = 960;
  m.ClientWidth = 640;
  m.ClientHeight = 480;
  return m;
}
}  // namespace

TEST(TimeViewGeometry, TimeToYMapsMinutesRoundedDownToTheResolution) {
  TVMetrics m = Plain();
  struct Case {
    int resolution;
    TTime time;
    int y;
  } cases[] = {
      {1, HM(8, 0), 23 + 320},
      {30, HM(8, 20), 23 + 320},                   // down to 08:00
      {1, HM(8, 0) + 59 * dt::OneSecond, 23 + 320},  // seconds dropped
      {1, 0.0, 23},
      {1, -0.3, 23},                               // clamped
      {1, 1.0, 23 + 960},
      {1, 1.0 - 0.5 * dt::OneSecond, 23 + 960},    // within a second of 24:00
      {1, 1.7, 23 + 960},
      {1, HM(0, 1), 23 + 1},                       // 0.67 rows
      {15, HM(23, 59), 23 + 950},                  // 23:45
  };
  for (const Case& c : cases) EXPECT_EQ(tvgeo::TimeToY(m, c.resolution, c.time), c.y) << c.time;
  TVMetrics half = m;  // half a row per minute: halves go to the even row
  half.DayHeight = 720;
  EXPECT_EQ(tvgeo::TimeToY(half, 1, HM(0, 1)), 23 + 0);
  EXPECT_EQ(tvgeo::TimeToY(half, 1, HM(0, 3)), 23 + 2);
  EXPECT_EQ(tvgeo::TimeToY(half, 1, HM(0, 5)), 23 + 2);
  m.TopSpace = 40;
  m.Scroll = 100;
  EXPECT_EQ(tvgeo::TimeToY(m, 1, HM(8, 0)), 24 + 40 - 100 - 1 + 320);
}

TEST(TimeViewGeometry, YToTimeRoundsHalfToEvenThenToTheResolution) {
  const TVMetrics m = Plain();
  struct Case {
    int y, resolution;
    bool nearest;
    TTime time;
  } cases[] = {
      {354, 30, true, HM(8, 30)},   // M = 495 -> 510
      {354, 30, false, HM(8, 0)},
      {343, 1, false, HM(7, 58)},   // M = 478.5 -> 478
      {345, 1, false, HM(8, 2)},    // M = 481.5 -> 482
      {983, 30, true, 1.0},         // the 24:00 row
      {1000, 1, false, 1.0},        // below it
      {0, 30, true, 0.0},           // above 00:00, clamped
      {983, 1, false, HM(23, 58)},  // 1438.5 -> 1438
  };
  for (const Case& c : cases)
    EXPECT_NEAR(tvgeo::YToTime(m, c.y, c.resolution, c.nearest), c.time, 1e-9) << c.y << " " << c.resolution;
  TVMetrics scrolled = m;
  scrolled.TopSpace = 40;
  scrolled.Scroll = 200;
  for (TTime t : {HM(6, 0), HM(13, 30), HM(21, 0)})
    EXPECT_NEAR(tvgeo::YToTime(scrolled, tvgeo::TimeToY(scrolled, 1, t) + 1, 30, true), t, 1e-9);
}

TEST(TimeViewGeometry, DayColumnsAccumulateASingleWidth) {
  const auto three = tvgeo::DayColumns(640, 50, true, 3);
  ASSERT_EQ(three.size(), 3u);
  EXPECT_EQ(three[0].Left, 50);
  EXPECT_EQ(three[1].Left, 247);
  EXPECT_EQ(three[2].Left, 443);
  EXPECT_EQ(three[0].Width, 197);
  EXPECT_EQ(three[1].Width, 196);
  EXPECT_EQ(three[2].Width, 197);
  struct Case {
    int width, ruler;
    bool showRuler;
    int count;
  } cases[] = {{640, 50, false, 3}, {1200, 50, true, 31}, {333, 40, true, 7}, {99, 50, true, 31}};
  for (const Case& c : cases) {
    const auto days = tvgeo::DayColumns(c.width, c.ruler, c.showRuler, c.count);
    EXPECT_EQ(days.front().Left, c.showRuler ? c.ruler : 0);
    for (size_t i = 1; i < days.size(); ++i) EXPECT_EQ(days[i].Left, days[i - 1].Left + days[i - 1].Width);
    EXPECT_EQ(days.back().Left + days.back().Width, c.width);
  }
}

TEST_F(TimeViewTest, SubColumnsAreGreedyInListOrder) {
  const TDate d = Day0();
  struct Block {
    const char* name;
    int h1, m1, h2, m2;
  };
  const Block A{"A", 9, 0, 10, 0}, B{"B", 10, 0, 11, 0}, C{"C", 9, 30, 10, 30}, D{"D", 10, 30, 11, 30};
  struct Case {
    std::vector<Block> order;
    std::vector<int> columns;
    int dayColumns;
  } cases[] = {
      {{A, B, C, D}, {0, 0, 1, 1}, 2},
      {{A, C, D, B}, {0, 1, 0, 2}, 3},
      {{D, A, B, C}, {0, 0, 1, 2}, 3},  // the first keeps 0; the rest are placed around it
  };
  for (const Case& c : cases) {
    view->Items()->Clear();
    std::vector<TRBTimeViewItem*> items;
    for (const Block& s : c.order) items.push_back(Add(d + HM(s.h1, s.m1), d + HM(s.h2, s.m2), s.name));
    for (size_t i = 0; i < items.size(); ++i) EXPECT_EQ(items[i]->DayColumn(0), c.columns[i]) << c.order[i].name;
    EXPECT_EQ(view->Days(0)->Columns(), c.dayColumns);
  }
}

TEST_F(TimeViewTest, OverlapsOfAMinuteOrLessShareASubColumnAndOthersAreLeftOut) {
  const TDate d = Day0();
  TRBTimeViewItem* a = Add(d + HM(9, 0), d + HM(10, 0));
  TRBTimeViewItem* b = Add(d + HM(9, 59) + 30 * dt::OneSecond, d + HM(11, 0));
  EXPECT_EQ(b->DayColumn(0), 0);
  TRBTimeViewItem* allDay = Add(d, d + 1, "all day", true);
  TRBTimeViewItem* c = Add(d + HM(9, 30), d + HM(9, 45));
  EXPECT_EQ(allDay->DayColumn(0), 0);
  EXPECT_EQ(c->DayColumn(0), 1);
  EXPECT_EQ(view->Days(0)->Columns(), 2);
  a->SetDragging(true);  // a dragged item neither takes nor frees a column until the next layout
  view->UpdateLayout();
  EXPECT_EQ(c->DayColumn(0), 0);
  EXPECT_EQ(view->Days(0)->Columns(), 1);
}

TEST_F(TimeViewTest, TopSpaceGrowsWithTheAllDayRowsOfTheBusiestDay) {
  const TDate d = Day0();
  view->SetDays(3, d);
  EXPECT_EQ(view->TopSpaceHeight(), 2 * 20);
  TRBTimeViewItem* span = Add(d, d + 3, "three days", true);
  Add(d + 1, d + 2, "b", true);
  TRBTimeViewItem* c = Add(d + 1, d + 2, "c", true);
  EXPECT_EQ(view->TopSpaceHeight(), 4 * 20);
  EXPECT_EQ(span->AllDayRow(), 0);  // got its row in the first day and kept it
  EXPECT_EQ(c->AllDayRow(), 2);
  view->Items()->Delete(c);
  EXPECT_EQ(view->TopSpaceHeight(), 3 * 20);
}

TEST_F(TimeViewTest, BlocksLieBetweenTheirTimesAndLeaveTheGapFree) {
  const TDate d = Day0();
  view->SetDays(2, d);
  const TVMetrics m = view->Metrics();
  TRBTimeViewItem* night = Add(d + HM(22, 0), d + 1 + HM(2, 0));
  TRBTimeviewDay* d0 = view->Days(0);
  TRBTimeviewDay* d1 = view->Days(1);
  const TRect first = d0->ItemRect(night);
  const TRect second = d1->ItemRect(night);
  EXPECT_EQ(first.Top, view->TimeToY(1, HM(22, 0)));
  EXPECT_EQ(first.Bottom, view->TimeToY(1, 1.0));
  EXPECT_EQ(second.Top, view->TimeToY(1, 0.0));
  EXPECT_EQ(second.Bottom, view->TimeToY(1, HM(2, 0)));
  EXPECT_EQ(first.Left, d0->Left() + m.GapWidth - 1);
  EXPECT_EQ(first.Right, d0->Left() + d0->Width() - m.GapWidth);

  TRBTimeViewItem* other = Add(d + HM(23, 0), d + HM(23, 30));
  const float cw = d0->Width() / 2.0f;
  const TRect half = d0->ItemRect(other);
  EXPECT_EQ(half.Left, tvgeo::Round(cw) + d0->Left() + m.GapWidth - 1);
  EXPECT_EQ(half.Right, tvgeo::Round(2 * cw) + d0->Left() - m.GapWidth);

  TRBTVOptions options = view->Options();
  view->SetOptions(options.Exclude(tvoShowDaysGapCover));
  EXPECT_EQ(d0->ItemRect(night).Left, d0->Left());
  other->SetDragging(true);
  EXPECT_EQ(d0->ItemRect(other).Left, d0->Left());
  EXPECT_EQ(d0->ItemRect(other).Right, d0->Left() + d0->Width() - m.GapWidth);
}

TEST_F(TimeViewTest, AnAllDayItemIsOneBlockOverItsShownDays) {
  const TDate d = Day0();
  view->SetDays(4, d);
  TRBTimeViewItem* span = Add(d + 1, d + 4, "", true);
  const TRect r = view->Days(1)->ItemRect(span);
  EXPECT_EQ(r.Left, view->Days(1)->Left() + 3);
  EXPECT_EQ(r.Right, view->Days(3)->Left() + view->Days(3)->Width() - 2);
  EXPECT_EQ(r.Top, view->CaptionHeight() + 2);
  EXPECT_EQ(r.Bottom, view->CaptionHeight() + 20);
  EXPECT_EQ(view->Days(3)->ItemRect(span), r);
  view->SetVScrollPosition(300);
  EXPECT_EQ(view->Days(2)->ItemRect(span), r);  // does not scroll
}

TEST_F(TimeViewTest, HitTestsFindDaysAndItems) {
  const TDate d = Day0();
  view->SetDays(3, d);
  TRBTimeviewDay* d1 = view->Days(1);
  EXPECT_EQ(view->DayAtX(0), view->Days(0));
  EXPECT_EQ(view->DayAtX(d1->Left() + 1), d1);
  EXPECT_EQ(view->DayAtX(d1->Left()), view->Days(0));  // the shared edge belongs to the first
  EXPECT_EQ(view->DayAtX(view->ClientWidth() + 20), view->Days(2));

  TRBTimeViewItem* item = Add(d + 1 + HM(9, 0), d + 1 + HM(10, 0));
  TRBTimeViewItem* allDay = Add(d + 1, d + 2, "", true);
  const TRect r = d1->ItemRect(item);
  const int x = (r.Left + r.Right) / 2;
  struct Case {
    int x, y;
    TRBTimeViewItem* found;
  } cases[] = {
      {x, r.Top - 4, item},  {x, r.Top - 5, nullptr}, {x, r.Bottom + 3, item}, {x, r.Bottom + 4, nullptr},
      {r.Left, r.Top, item}, {r.Right, r.Top + 5, nullptr},
  };
  for (const Case& c : cases) EXPECT_EQ(d1->ItemAt(c.x, c.y), c.found) << c.x << "," << c.y;
  const TRect a = d1->ItemRect(allDay);
  EXPECT_EQ(d1->ItemAt(a.Left + 2, a.Top + 2), allDay);
  // In the top space only all-day items are hit, even where a timed block scrolled under it.
  TRBTimeViewItem* early = Add(d + 1 + HM(1, 0), d + 1 + HM(3, 0));
  view->ScrollToTime(HM(2, 0));
  const int timeTop = view->CaptionHeight() + view->TopSpaceHeight();
  ASSERT_LT(d1->ItemRect(early).Top, timeTop - 1);
  const int ex = (d1->ItemRect(early).Left + d1->ItemRect(early).Right) / 2;
  EXPECT_EQ(d1->ItemAt(ex, timeTop - 1), nullptr);
  EXPECT_EQ(d1->ItemAt(ex, timeTop + 5), early);
}

TEST_F(TimeViewTest, ScrollPositionIsClampedAndTheScrollBarShowsOnlyWhenNeeded) {
  const TVMetrics m = view->Metrics();
  const int maxPos = m.DayHeight + m.CaptionHeight + m.TopSpace - m.ClientHeight;
  auto* bar = view->findChild<QScrollBar*>("VScrollBar");
  ASSERT_NE(bar, nullptr);
  EXPECT_TRUE(bar->isVisible());
  EXPECT_EQ(view->ClientWidth(), view->width() - bar->width());
  struct Case {
    int wanted, position;
  } cases[] = {{100000, maxPos}, {-5, 0}, {123, 123}, {maxPos, maxPos}};
  for (const Case& c : cases) {
    view->SetVScrollPosition(c.wanted);
    EXPECT_EQ(view->VScrollPosition(), c.position);
    EXPECT_EQ(view->ScrollOffset(), c.position);
    EXPECT_EQ(bar->value(), c.position);
  }
  view->SetSmoothScroll(false);
  view->SetVScrollPosition(35);
  EXPECT_EQ(view->ScrollOffset(), 20);
  EXPECT_EQ(view->VScrollPosition(), 35);

  view->ScrollToTime(HM(8, 0));
  EXPECT_EQ(view->VScrollPosition(), 320);
  view->ScrollToTime(1.0);
  EXPECT_EQ(view->VScrollPosition(), maxPos);

  view->resize(640, 1100);  // now the whole day fits
  Settle();
  EXPECT_FALSE(bar->isVisible());
  EXPECT_EQ(view->ScrollOffset(), 0);
  view->SetVScrollPosition(10);
  EXPECT_EQ(view->VScrollPosition(), 0);
  EXPECT_EQ(view->ScrollOffset(), 0);
  EXPECT_EQ(view->ClientWidth(), 640);
  EXPECT_EQ(view->Days(0)->Left() + view->Days(0)->Width(), 640);  // the layout followed
}

TEST_F(TimeViewTest, ScrollBarActionsMoveByMarksAndAcceptAnOpenEdit) {
  auto* bar = view->findChild<QScrollBar*>("VScrollBar");
  view->SetVScrollPosition(100);
  bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(view->VScrollPosition(), 120);
  bar->triggerAction(QAbstractSlider::SliderPageStepSub);
  EXPECT_EQ(view->VScrollPosition(), 60);
  bar->triggerAction(QAbstractSlider::SliderToMaximum);
  EXPECT_EQ(view->VScrollPosition(), tvgeo::MaxScrollPos(view->Metrics()));
  bar->triggerAction(QAbstractSlider::SliderToMinimum);
  EXPECT_EQ(view->VScrollPosition(), 0);

  TRBTimeViewItem* item = Add(Day0() + HM(1, 0), Day0() + HM(2, 0), "before");
  ASSERT_TRUE(view->EditItem(item, view->Days(0)));
  view->Editor()->setPlainText("after");
  bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(view->EditingItem(), nullptr);
  EXPECT_EQ(item->Text(), "after");
}

TEST_F(TimeViewTest, MakeItemVisibleScrollsTheBlockIntoTheTimeArea) {
  const TDate d = Day0();
  TRBTimeViewItem* late = Add(d + HM(20, 0), d + HM(21, 0));
  TRBTimeViewItem* early = Add(d + HM(1, 0), d + HM(2, 0));
  TRBTimeViewItem* huge = Add(d + HM(3, 0), d + HM(22, 0));
  TRBTimeviewDay* day = view->Days(0);
  const int top = view->CaptionHeight() + view->TopSpaceHeight();
  view->MakeItemVisible(late, day);
  EXPECT_EQ(day->ItemRect(late).Bottom, view->ClientHeight());
  view->MakeItemVisible(early, day);
  EXPECT_EQ(day->ItemRect(early).Top, top);
  view->SetVScrollPosition(0);
  view->MakeItemVisible(huge, day);  // taller than the view: its top comes to the top
  EXPECT_EQ(day->ItemRect(huge).Top, top);
  TRBTimeViewItem* allDay = Add(d, d + 1, "", true);
  const int before = view->VScrollPosition();
  view->MakeItemVisible(allDay, day);
  EXPECT_EQ(view->VScrollPosition(), before);
}
