// Items, their collection and stream, days and the control's model operations.
#include <QBuffer>
#include <QtEndian>
#include <algorithm>
#include <random>

#include "TimeViewFixture.h"

namespace {
std::vector<TRBTimeViewItem*> ListOf(TRBTimeviewDay* day) { return day->Items(); }
}  // namespace

TEST_F(TimeViewTest, FreshControlHasItsInitialValues) {
  TRBTimeView fresh;
  EXPECT_EQ(fresh.size(), QSize(100, 100));
  EXPECT_EQ(fresh.DaysCount(), 1);
  EXPECT_EQ(fresh.Date(), Day0());
  EXPECT_EQ(fresh.Days(0)->Date(), Day0());
  EXPECT_EQ(fresh.DayHeight(), 960);
  EXPECT_EQ(fresh.MarkMinutes(), 30);
  EXPECT_EQ(fresh.Options(), (TRBTVOptions{tvoTimeSelection, tvoMutipleDaySelection, tvoItemsSelection,
                                            tvoShowDaysGapCover, tvoAutoTimeScaleAdjust, tvoItemsBelowMark,
                                            tvoItemsAboveMark}));
  EXPECT_TRUE(fresh.DragOptions().Contains(doItemToOtherDay));
  EXPECT_TRUE(fresh.HintsOptions().Empty());
  EXPECT_EQ(fresh.SelectedItem(), nullptr);
  EXPECT_EQ(fresh.TimeSelectionStart(), -1);
  EXPECT_EQ(fresh.AllDaySelectionEnd(), -1);
  EXPECT_EQ(fresh.LongCaptionFormat(), "dddd d mmmm yyyy");
  EXPECT_EQ(fresh.MediumCaptionFormat(), "ddd d mmm yy");
  EXPECT_EQ(fresh.ShortCaptionFormat(), "dd/mm/yy");
  EXPECT_EQ(fresh.RulerFont().family(), "Arial");
  EXPECT_EQ(fresh.BorderStyle(), bsSingle);
  EXPECT_TRUE(fresh.ClickToEdit());
  EXPECT_TRUE(fresh.CreateOnType());
  EXPECT_TRUE(fresh.SmoothScroll());
  EXPECT_EQ(fresh.ItemsAboveMark().size(), QSize(20, 8));
  EXPECT_EQ(fresh.TopSpaceHeight(), 40);  // two marks even with no all-day item
  EXPECT_NE(fresh.HintWindow(), nullptr);
  EXPECT_FALSE(fresh.HintWindow()->isVisible());
  const TRBTimeviewDay* day = fresh.Days(0);
  EXPECT_FALSE(day->WorkingDay());
  EXPECT_EQ(day->StartWork(), HM(8, 0));
  EXPECT_EQ(day->EndWork(), HM(17, 30));
}

TEST_F(TimeViewTest, SetDaysClampsTheCountAndAnnouncesEachDayInOrder) {
  struct Case {
    int count;
    double date;
    int shown;
  } cases[] = {{0, Day0() + 5, 1}, {40, Day0() + 1, 31}, {3, Day0() + 10.75, 3}, {7, Day0(), 7}};
  for (const Case& c : cases) {
    std::vector<TDate> announced;
    view->OnNewDay = [&](TRBTimeView* sender, TRBTimeviewDay* day) {
      EXPECT_EQ(sender, view.get());
      announced.push_back(day->Date());
    };
    view->SetDays(c.count, c.date);
    ASSERT_EQ(view->DaysCount(), c.shown) << c.count;
    ASSERT_EQ(static_cast<int>(announced.size()), c.shown);
    const TDate first = dt::DateOf(c.date);
    EXPECT_EQ(view->Date(), first);
    for (int i = 0; i < c.shown; ++i) {
      EXPECT_EQ(announced[static_cast<size_t>(i)], first + i);
      EXPECT_EQ(view->Days(i)->Date(), first + i);
    }
  }
  int calls = 0;
  view->OnNewDay = [&](TRBTimeView*, TRBTimeviewDay*) { ++calls; };
  view->SetDays(7, Day0());
  view->SetDays(7, Day0());  // the current date and count: nothing
  EXPECT_EQ(calls, 0);
  view->SetDaysCount(2);
  view->SetDate(Day0() + 1);
  EXPECT_EQ(calls, 4);
}

TEST_F(TimeViewTest, DayListsErrorsAndLookups) {
  view->SetDays(3, Day0());
  EXPECT_THROW(view->Days(3), ERBTimeViewError);
  EXPECT_THROW(view->Days(-1), ERBTimeViewError);
  try {
    view->Days(5);
  } catch (const ERBTimeViewError& e) {
    EXPECT_STREQ(e.what(), "Index out of range");
  }
  try {
    view->DayOfDate(-1);
    ADD_FAILURE();
  } catch (const ERBTimeViewError& e) {
    EXPECT_STREQ(e.what(), "Invalid date");
  }
  EXPECT_EQ(view->DayOfDate(Day0() + 1.5), view->Days(1));
  EXPECT_EQ(view->DayOfDate(Day0() + 3), nullptr);
  EXPECT_EQ(view->Days(2)->Index(), 2);
  EXPECT_THROW(view->Items()->Items(0), std::out_of_range);
}

TEST_F(TimeViewTest, ItemsAreFiledInTheDaysTheyOverlapMidnightExcluded) {
  view->SetDays(2, Day0());
  const TDate d = Day0();
  struct Case {
    TDateTime start, end;
    bool inFirst, inSecond;
  } cases[] = {
      {d + HM(23, 0), d + 1 + HM(1, 0), true, true},
      {d + HM(10, 0), d + 1, true, false},            // ends exactly at midnight
      {d + 1, d + 1 + HM(2, 0), false, true},         // starts exactly at midnight
      {d - 1 + HM(22, 0), d + HM(0, 30), true, false},  // from the day before
      {d + 2, d + 3, false, false},                   // not shown
  };
  for (const Case& c : cases) {
    TRBTimeViewItem* item = Add(c.start, c.end);
    EXPECT_EQ(view->Days(0)->Contains(item), c.inFirst) << c.start;
    EXPECT_EQ(view->Days(1)->Contains(item), c.inSecond) << c.start;
  }
  TRBTimeViewItem* allDay = Add(d, d + 2, "x", true);  // all-day plays no part in filing
  EXPECT_TRUE(view->Days(0)->Contains(allDay));
  EXPECT_TRUE(view->Days(1)->Contains(allDay));
}

TEST_F(TimeViewTest, ADaysListKeepsTheOrderInWhichItsItemsCameToOverlapIt) {
  view->SetDays(2, Day0());
  const TDate d = Day0();
  TRBTimeViewItem* a = Add(d + HM(9, 0), d + HM(10, 0));
  TRBTimeViewItem* b = Add(d + 1 + HM(9, 0), d + 1 + HM(10, 0));
  TRBTimeViewItem* c = Add(d + HM(11, 0), d + HM(12, 0));
  EXPECT_EQ(ListOf(view->Days(0)), (std::vector{a, c}));
  b->MoveTo(d + HM(8, 0));  // comes to day 0 last
  EXPECT_EQ(ListOf(view->Days(0)), (std::vector{a, c, b}));
  EXPECT_TRUE(view->Days(1)->Items().empty());
  a->SetEndTime(d + HM(10, 30));  // stays: keeps its place
  EXPECT_EQ(ListOf(view->Days(0)), (std::vector{a, c, b}));
  view->SetDays(2, d - 1);
  view->SetDays(2, d);  // refiled from scratch: collection order
  EXPECT_EQ(ListOf(view->Days(0)), (std::vector{a, b, c}));
}

TEST_F(TimeViewTest, ItemSettersRefuseAStartNotBeforeTheEnd) {
  const TDate d = Day0();
  TRBTimeViewItem* item = Add(d + HM(9, 0), d + HM(10, 0));
  item->SetStartTime(d + HM(11, 0));
  EXPECT_EQ(item->StartTime(), d + HM(9, 0));
  item->SetEndTime(d + HM(12, 0));
  item->SetStartTime(d + HM(11, 0));
  EXPECT_EQ(item->StartTime(), d + HM(11, 0));
  EXPECT_EQ(item->EndTime(), d + HM(12, 0));
  item->SetEndTime(d + HM(11, 0));  // equal to the start: refused
  EXPECT_EQ(item->EndTime(), d + HM(12, 0));
  item->SetTimes(d + HM(15, 0), d + HM(14, 0));
  EXPECT_EQ(item->StartTime(), d + HM(11, 0));

  TRBTimeViewItem* moved = Add(d + HM(9, 0), d + HM(10, 0));
  moved->MoveTo(d + HM(11, 0));
  EXPECT_EQ(moved->StartTime(), d + HM(11, 0));
  EXPECT_EQ(moved->EndTime(), d + HM(12, 0));
  moved->MoveTo(d + 1 + HM(9, 0));  // to a day not shown: leaves the list
  EXPECT_FALSE(view->Days(0)->Contains(moved));
}

TEST_F(TimeViewTest, AddStoresTimesAsGivenButRefusesNegativeOnes) {
  const TDate d = Day0();
  TRBTimeViewItem* reversed = view->Items()->Add("r", false, d + HM(10, 0), d + HM(9, 0), 7);
  EXPECT_EQ(reversed->StartTime(), d + HM(10, 0));
  EXPECT_EQ(reversed->EndTime(), d + HM(9, 0));
  EXPECT_EQ(reversed->UserData(), 7);
  EXPECT_TRUE(reversed->Owned());
  EXPECT_EQ(reversed->View(), view.get());
  for (auto [s, e] : {std::pair{-1.0, 1.0}, std::pair{1.0, -0.5}}) {
    try {
      view->Items()->Add("x", false, s, e);
      ADD_FAILURE();
    } catch (const ERBTimeViewError& err) {
      EXPECT_STREQ(err.what(), "Invalid time range");
    }
  }
  EXPECT_EQ(view->Items()->Count(), 1);
}

TEST_F(TimeViewTest, AFreeItemOnlyStoresValues) {
  TRBTimeViewItem free(view->Items());
  free.SetTimes(Day0() + HM(9, 0), Day0() + HM(10, 0));
  EXPECT_FALSE(free.Owned());
  EXPECT_FALSE(view->Days(0)->Contains(&free));
  EXPECT_EQ(view->Items()->Count(), 0);
  view->SetSelectedItem(&free);
  EXPECT_FALSE(free.Selected());
  view->SetSelectedItem(nullptr);
}

TEST_F(TimeViewTest, WorkingHoursSettersKeepStartBeforeEndAndReport) {
  TRBTimeviewDay* day = view->Days(0);
  int begins = 0, ends = 0;
  view->OnChangeBeginWork = [&](TRBTimeView*, TRBTimeviewDay* d) { EXPECT_EQ(d, day); ++begins; };
  view->OnChangeEndWork = [&](TRBTimeView*, TRBTimeviewDay*) { ++ends; };
  day->SetStartWork(HM(18, 0));  // after the end
  day->SetStartWork(HM(8, 0));   // the same
  EXPECT_EQ(begins, 0);
  day->SetStartWork(HM(9, 0));
  EXPECT_EQ(begins, 1);
  day->SetEndWork(HM(9, 0));  // not after the start
  EXPECT_EQ(ends, 0);
  day->SetEndWork(HM(19, 0));
  EXPECT_EQ(ends, 1);
  EXPECT_EQ(day->StartWork(), HM(9, 0));
  EXPECT_EQ(day->EndWork(), HM(19, 0));
}

TEST_F(TimeViewTest, HasItemsOnCountsOnlyTimedItemsShownOrNot) {
  const TDate d = Day0();
  Add(d, d + 1, "all day", true);
  EXPECT_FALSE(view->HasItemsOn(d));
  Add(d + 20 + HM(9, 0), d + 20 + HM(10, 0));
  EXPECT_TRUE(view->HasItemsOn(d + 20));
  EXPECT_FALSE(view->HasItemsOn(d + 21));
}

TEST_F(TimeViewTest, DestroyingItemsUnselectsThemAndFiresOnDeletionOnce) {
  const TDate d = Day0();
  std::vector<TRBTimeViewItem*> deleted;
  TRBTimeView* const control = view.get();
  view->OnDeletion = [&](TRBTimeView* sender, TRBTimeViewItem* item) {
    EXPECT_EQ(sender, control);
    EXPECT_EQ(sender->Items()->IndexOf(item) >= 0, true);  // still there while announced
    deleted.push_back(item);
  };
  TRBTimeViewItem* a = Add(d + HM(9, 0), d + HM(10, 0));
  TRBTimeViewItem* b = Add(d + HM(9, 0), d + HM(10, 0));
  TRBTimeViewItem* c = Add(d + HM(9, 0), d + HM(10, 0));
  view->SetSelectedItem(b);
  EXPECT_TRUE(b->Selected());
  view->Items()->Delete(b);
  EXPECT_EQ(view->SelectedItem(), nullptr);
  EXPECT_EQ(deleted, (std::vector{b}));
  EXPECT_EQ(view->Days(0)->Items(), (std::vector{a, c}));
  delete c;  // directly
  EXPECT_EQ(deleted.back(), c);
  EXPECT_EQ(view->Items()->Count(), 1);
  Add(d + HM(9, 0), d + HM(10, 0));
  deleted.clear();
  view->Items()->Clear();
  EXPECT_EQ(deleted.size(), 2u);
  EXPECT_EQ(deleted.front(), a);  // first item first
  EXPECT_TRUE(view->Days(0)->Items().empty());

  Add(d + HM(9, 0), d + HM(10, 0));
  Add(d + HM(9, 0), d + HM(10, 0));
  deleted.clear();
  view.reset();  // the control destroys its items first, announcing each
  EXPECT_EQ(deleted.size(), 2u);
}

TEST_F(TimeViewTest, SelectionSettersReportChangesAndEmptyNegativeRanges) {
  std::vector<std::pair<double, double>> reports;
  view->OnSelectionChanged = [&](TRBTimeView*, TDateTime s, TDateTime e) { reports.push_back({s, e}); };
  const TDate d = Day0();
  view->SetTimeSelection(d + HM(9, 0), d + HM(10, 0));
  view->SetTimeSelection(d + HM(9, 0), d + HM(10, 0));  // unchanged: no report
  view->SetTimeSelection(d + HM(9, 0), -5);
  view->SetTimeSelectionEnd(d + HM(11, 0));
  ASSERT_EQ(reports.size(), 3u);
  EXPECT_EQ(reports[0], std::make_pair(d + HM(9, 0), d + HM(10, 0)));
  EXPECT_EQ(reports[1], std::make_pair(-1.0, -1.0));
  EXPECT_EQ(reports[2], std::make_pair(-1.0, d + HM(11, 0)));  // stored as given

  int allDayReports = 0;
  view->OnAllDaySelectionChanged = [&](TRBTimeView*, TDateTime, TDateTime) { ++allDayReports; };
  view->SetAllDaySelection(d, d + 2);
  view->SetAllDaySelection(-1, d);
  EXPECT_EQ(view->AllDaySelectionStart(), -1);
  EXPECT_EQ(view->AllDaySelectionEnd(), -1);
  EXPECT_EQ(allDayReports, 2);
}

TEST_F(TimeViewTest, TimeScaleChangeSetsDayHeightAndResolutions) {
  int changes = 0;
  view->OnTimeScaleChanged = [&](TRBTimeView*) { ++changes; };
  view->SetRulerMarkMinutes(rmm15Minutes);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(view->DayHeight(), 4 * 20 * 24);
  EXPECT_EQ(view->SelectResolution(), 15);
  EXPECT_EQ(view->ItemDragResolution(), 15);
  EXPECT_EQ(view->MinItemLength(), 15);
  EXPECT_EQ(view->MinWorkingHours(), 15);
  view->SetRulerMarkMinutes(rmm15Minutes);
  EXPECT_EQ(changes, 1);
  view->SetRulerMarkMinutes(rmm5Minutes);
  EXPECT_EQ(view->MinItemLength(), 5);
  EXPECT_EQ(view->ItemDragResolution(), 5);
  view->SetRulerMarkHeight(10);
  EXPECT_EQ(view->DayHeight(), 12 * 10 * 24);

  TRBTVOptions options = view->Options();
  view->SetOptions(options.Exclude(tvoAutoTimeScaleAdjust));
  view->SetRulerMarkMinutes(rmm60Minutes);
  EXPECT_EQ(view->SelectResolution(), 5);
  EXPECT_EQ(view->DayHeight(), 1 * 10 * 24);
}

TEST_F(TimeViewTest, ResolutionSettersKeepTheirLimits) {
  struct Case {
    void (TRBTimeView::*set)(int);
    int (TRBTimeView::*get)() const;
    int given, kept;
  } cases[] = {
      {&TRBTimeView::SetSelectResolution, &TRBTimeView::SelectResolution, 0, 1},
      {&TRBTimeView::SetSelectResolution, &TRBTimeView::SelectResolution, 90, 90},
      {&TRBTimeView::SetItemDragResolution, &TRBTimeView::ItemDragResolution, -3, 1},
      {&TRBTimeView::SetItemDragResolution, &TRBTimeView::ItemDragResolution, 90, 60},
      {&TRBTimeView::SetItemsSnap, &TRBTimeView::ItemsSnap, 0, 1},
      {&TRBTimeView::SetMinItemLength, &TRBTimeView::MinItemLength, 4, 5},
      {&TRBTimeView::SetMinWorkingHours, &TRBTimeView::MinWorkingHours, 2, 5},
      {&TRBTimeView::SetMinWorkingHours, &TRBTimeView::MinWorkingHours, 45, 45},
  };
  for (const Case& c : cases) {
    (view.get()->*c.set)(c.given);
    EXPECT_EQ((view.get()->*c.get)(), c.kept) << c.given;
  }
}

TEST_F(TimeViewTest, BatchesDeferTheLayoutToTheOutermostEnd) {
  const TDate d = Day0();
  view->Items()->BeginUpdate();
  view->Items()->BeginUpdate();
  Add(d + HM(9, 0), d + HM(10, 0));
  TRBTimeViewItem* second = Add(d + HM(9, 30), d + HM(10, 30));
  view->Items()->EndUpdate();
  EXPECT_EQ(view->Days(0)->Columns(), 1);
  EXPECT_EQ(second->DayColumn(0), 0);
  view->Items()->EndUpdate();
  EXPECT_EQ(view->Days(0)->Columns(), 2);
  EXPECT_EQ(second->DayColumn(0), 1);
}

// ------------------------------------------------------------------ stream

namespace {
QByteArray Write(const TRBTimeViewItems& items) {
  QByteArray bytes;
  QBuffer out(&bytes);
  out.open(QIODevice::WriteOnly);
  items.WriteData(out);
  return bytes;
}
void Read(TRBTimeViewItems& items, const QByteArray& bytes) {
  QBuffer in;
  in.setData(bytes);
  in.open(QIODevice::ReadOnly);
  items.ReadData(in);
}
std::int32_t IntAt(const QByteArray& b, int offset) { return qFromLittleEndian<qint32>(b.constData() + offset); }
}  // namespace

TEST_F(TimeViewTest, DataStreamRoundTripKeepsEveryStoredField) {
  const TDate d = Day0();
  TRBTimeViewItem* a = view->Items()->Add(QString::fromUtf8("Reunión"), false, d + HM(9, 0), d + HM(10, 15), 42);
  a->SetColor(clRed);
  a->SetAllDayColor(clAqua);
  a->SetReminder(true);
  a->SetIsPrivate(true);
  a->SetUserIndex(3);
  a->SetUserText("nota");
  a->SetUserFlag(true);
  a->SetItemID(1234);
  TRBTimeViewItem* b = view->Items()->Add("", true, d + 1, d + 2);

  TRBTimeView other;
  other.SetDays(2, d);
  Read(*other.Items(), Write(*view->Items()));
  ASSERT_EQ(other.Items()->Count(), 2);
  for (int i = 0; i < 2; ++i) {
    const TRBTimeViewItem* x = view->Items()->Items(i);
    const TRBTimeViewItem* y = other.Items()->Items(i);
    EXPECT_TRUE(x->IsEqual(*y));
    EXPECT_EQ(x->AllDayColor(), y->AllDayColor());
    EXPECT_EQ(x->IsPrivate(), y->IsPrivate());
    EXPECT_EQ(x->UserIndex(), y->UserIndex());
    EXPECT_EQ(x->UserText(), y->UserText());
    EXPECT_EQ(x->UserFlag(), y->UserFlag());
    EXPECT_EQ(x->ItemID(), y->ItemID());
  }
  EXPECT_EQ(other.Items()->Items(0)->Text(), QString::fromUtf8("Reunión"));
  EXPECT_TRUE(other.Days(0)->Contains(other.Items()->Items(0)));
  EXPECT_TRUE(other.Days(1)->Contains(other.Items()->Items(1)));
  EXPECT_FALSE(other.Days(0)->Contains(other.Items()->Items(1)));
  EXPECT_FALSE(other.Items()->HasData(view->Items()));
  b->SetText("changed");
  EXPECT_TRUE(other.Items()->HasData(view->Items()));
  EXPECT_TRUE(other.Items()->HasData());
}

TEST_F(TimeViewTest, DataStreamLayoutIsLittleEndianWithSingleByteText) {
  const TDate d = Day0();
  TRBTimeViewItem* a = view->Items()->Add(QString::fromUtf8("ñu"), false, d + HM(9, 0), d + HM(10, 0), 5);
  a->SetItemID(77);
  const QByteArray b = Write(*view->Items());
  EXPECT_EQ(IntAt(b, 0), 110);
  EXPECT_EQ(IntAt(b, 4), 1);
  EXPECT_EQ(IntAt(b, 8), 110);
  EXPECT_EQ(IntAt(b, 12), 2);  // "ñu" is two single bytes
  EXPECT_EQ(static_cast<unsigned char>(b[16]), 0xF1);
  double start;
  memcpy(&start, b.constData() + 18, 8);
  EXPECT_EQ(start, d + HM(9, 0));
  // colour 4, user index 4, all day 1, all-day colour 4, reminder 1, private 1 -> user data
  EXPECT_EQ(IntAt(b, 34 + 4 + 4 + 1 + 4 + 1 + 1), 5);
  EXPECT_EQ(IntAt(b, b.size() - 4), 77);  // item id last
  EXPECT_EQ(b.size(), 8 + 4 + 4 + 2 + 8 + 8 + 4 + 4 + 1 + 4 + 1 + 1 + 4 + 1 + 4 + 0 + 4);
}

TEST_F(TimeViewTest, DataStreamRecordOfAnotherVersionHasNoItemID) {
  const TDate d = Day0();
  view->Items()->Add("old", false, d + HM(9, 0), d + HM(10, 0))->SetItemID(9);
  QByteArray b = Write(*view->Items());
  qToLittleEndian<qint32>(100, b.data() + 8);  // the record's version
  b.chop(4);                                    // and no id field
  TRBTimeView other;
  Read(*other.Items(), b);
  ASSERT_EQ(other.Items()->Count(), 1);
  EXPECT_EQ(other.Items()->Items(0)->Text(), "old");
  EXPECT_EQ(other.Items()->Items(0)->ItemID(), 0);
  EXPECT_EQ(other.Items()->Items(0)->EndTime(), d + HM(10, 0));
}

TEST_F(TimeViewTest, DataStreamEndingEarlyOrDamagedFailsKeepingWhatWasRead) {
  const TDate d = Day0();
  view->Items()->Add("one", false, d + HM(9, 0), d + HM(10, 0));
  view->Items()->Add("two", false, d + HM(11, 0), d + HM(12, 0));
  const QByteArray whole = Write(*view->Items());
  TRBTimeView other;
  QByteArray cut = whole;
  cut.chop(10);
  EXPECT_THROW(Read(*other.Items(), cut), ERBTimeViewError);
  ASSERT_EQ(other.Items()->Count(), 2);  // the second was created before its fields ran out
  EXPECT_EQ(other.Items()->Items(0)->Text(), "one");

  QByteArray damaged = whole;
  qToLittleEndian<qint32>(0x7FFFFFF0, damaged.data() + 12);  // first text length
  EXPECT_THROW(Read(*other.Items(), damaged), ERBTimeViewError);
  EXPECT_EQ(other.Items()->Count(), 1);
  qToLittleEndian<qint32>(-2, damaged.data() + 12);
  EXPECT_THROW(Read(*other.Items(), damaged), ERBTimeViewError);
}

TEST_F(TimeViewTest, DataStreamTextIsInTheTablesCodePage) {
  const TDate d = Day0();
  struct Case {
    const char* text;
    QByteArray bytes;  // as stored
    const char* back;  // as read again
  } cases[] = {
      {"20 €", QByteArray("20 \x80"), "20 €"},
      {"Año…", QByteArray("A\xF1o\x85"), "Año…"},
      {"“Ñu” – œ", QByteArray("\x93\xD1u\x94 \x96 \x9C"), "“Ñu” – œ"},
      {"Ω", QByteArray("?"), "?"},  // not in the code page
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    view->Items()->Clear();
    view->Items()->Add(QString::fromUtf8(c.text), false, d + HM(9, 0), d + HM(10, 0));
    const QByteArray b = Write(*view->Items());
    EXPECT_EQ(IntAt(b, 12), c.bytes.size());
    EXPECT_EQ(b.mid(16, c.bytes.size()), c.bytes);
    TRBTimeView other;
    Read(*other.Items(), b);
    ASSERT_EQ(other.Items()->Count(), 1);
    EXPECT_EQ(other.Items()->Items(0)->Text(), QString::fromUtf8(c.back));
  }
}

namespace {
// Counts what a collection asks of its control.
struct CountingLink : TRBTimeViewLink {
  int layouts = 0, repaints = 0;
  TRBTimeView* LinkView() override { return nullptr; }
  int LinkDayCount() const override { return 0; }
  TRBTimeviewDay* LinkDay(int) const override { return nullptr; }
  void LinkLayout() override { ++layouts; }
  void LinkInvalidate() override { ++repaints; }
  void LinkInvalidateDay(TRBTimeviewDay*) override {}
  void LinkWorkChanged(TRBTimeviewDay*, bool) override {}
  void LinkItemTextChanged(TRBTimeViewItem*) override {}
  void LinkItemColorChanged(TRBTimeViewItem*) override {}
  void LinkItemDestroying(TRBTimeViewItem*) override {}
  void LinkItemRemoved(TRBTimeViewItem*) override {}
  bool LinkIsSelected(const TRBTimeViewItem*) const override { return false; }
  bool LinkShowsImage(bool) const override { return false; }
};
}  // namespace

TEST_F(TimeViewTest, ReadingAStreamLaysOutAndRepaintsOnceWhetherItEndsEarlyOrNot) {
  const TDate d = Day0();
  view->Items()->BeginUpdate();
  for (int k = 0; k < 200; ++k) view->Items()->Add("cita", false, d + HM(k % 20, 0), d + HM(k % 20, 30));
  view->Items()->EndUpdate();
  const QByteArray whole = Write(*view->Items());
  QByteArray cut = whole;
  cut.chop(10);
  struct Case {
    const QByteArray* stream;
    bool fails;
    int count;
  } cases[] = {{&whole, false, 200}, {&cut, true, 200}};
  for (const Case& c : cases) {
    CountingLink link;
    TRBTimeViewItems items(&link);
    items.Add("antes", false, d, d + HM(1, 0));
    link.layouts = link.repaints = 0;
    if (c.fails) {
      EXPECT_THROW(Read(items, *c.stream), ERBTimeViewError);
    } else {
      Read(items, *c.stream);
    }
    EXPECT_EQ(items.Count(), c.count);
    EXPECT_EQ(link.layouts, 1) << c.fails;
    EXPECT_EQ(link.repaints, 1) << c.fails;
  }
}

TEST_F(TimeViewTest, AssignCopiesItemsAndFieldsButNotIdentity) {
  const TDate d = Day0();
  TRBTimeViewItem* a = view->Items()->Add("a", false, d + HM(9, 0), d + HM(10, 0), 1);
  a->SetItemID(5);
  a->SetUserText("u");
  a->SetCreatedOnType(true);
  TRBTimeViewItem copy(view->Items());
  copy.Assign(*a);
  EXPECT_TRUE(copy.IsEqual(*a));
  EXPECT_EQ(copy.UserText(), "u");
  EXPECT_EQ(copy.ItemID(), 0);
  EXPECT_FALSE(copy.CreatedOnType());
  EXPECT_FALSE(copy.Owned());

  TRBTimeView other;
  other.Items()->Add("gone", false, d, d + 0.1);
  other.Items()->Assign(*view->Items());
  ASSERT_EQ(other.Items()->Count(), 1);
  EXPECT_EQ(other.Items()->Items(0)->Text(), "a");
  EXPECT_EQ(other.Items()->Items(0)->ItemID(), 5);  // through the stream, which carries it
  EXPECT_TRUE(other.Days(0)->Contains(other.Items()->Items(0)));
}

TEST_F(TimeViewTest, AssigningTimesToAnOwnedItemRefilesItAndDeletingItLeavesNoDayHoldingIt) {
  view->SetDays(3, Day0());
  const TDate d = Day0();
  TRBTimeViewItem* moved = Add(d + HM(9, 0), d + HM(10, 0));
  TRBTimeViewItem* stays = Add(d + 2 + HM(9, 0), d + 2 + HM(10, 0));
  TRBTimeViewItem source(view->Items());
  source.SetEndTime(d + 2 + HM(12, 0));
  source.SetStartTime(d + 1 + HM(23, 0));  // over the night into the third day
  moved->Assign(source);
  EXPECT_TRUE(view->Days(0)->Items().empty());
  EXPECT_EQ(ListOf(view->Days(1)), (std::vector{moved}));
  EXPECT_EQ(ListOf(view->Days(2)), (std::vector{stays, moved}));
  view->Items()->Delete(moved);
  EXPECT_TRUE(view->Days(1)->Items().empty());
  EXPECT_EQ(ListOf(view->Days(2)), (std::vector{stays}));
}

// Deleting an item looks for it only in the days it overlaps, so every way of
// changing times or days must leave each day listing exactly the items that
// overlap it (an item left behind would be a dangling pointer after its
// deletion). A long seeded run of mixed changes checks that after each step.
TEST_F(TimeViewTest, EveryChangeOfTimesOrDaysKeepsEachDayListingExactlyTheItemsOverlappingIt) {
  std::mt19937 rng(20261210);
  auto uniform = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); };
  auto pick = [&]() { return view->Items()->Items(static_cast<int>(rng() % view->Items()->Count())); };
  const TDate d = Day0();
  view->SetDays(5, d);
  for (int step = 0; step < 3000; ++step) {
    // Additions three times as often as deletions, so that the days fill up.
    const int draw = static_cast<int>(rng() % 11);
    const int op = view->Items()->Count() == 0 || draw < 3 ? 0 : draw - 2;
    const double start = d - 3 + uniform(0, 12);
    const double end = start + uniform(0.01, 3);
    switch (op) {
      case 0: Add(start, end, QString(), rng() % 4 == 0); break;
      case 1: pick()->SetTimes(start, end); break;
      case 2: pick()->MoveTo(start); break;
      case 3: pick()->SetStartTime(start); break;
      case 4: pick()->SetEndTime(end); break;
      case 5: {
        TRBTimeViewItem source(view->Items());
        source.SetTimes(start, end);
        source.SetAllDay(rng() % 2 == 0);
        pick()->Assign(source);
        break;
      }
      case 6: view->SetDays(1 + static_cast<int>(rng() % 7), d - 2 + static_cast<int>(rng() % 6)); break;
      case 7: pick()->SetAllDay(rng() % 2 == 0); break;
      case 8: view->Items()->Delete(pick()); break;
    }
    for (int i = 0; i < view->DaysCount(); ++i) {
      TRBTimeviewDay* day = view->Days(i);
      std::vector<TRBTimeViewItem*> expected;
      for (int k = 0; k < view->Items()->Count(); ++k)
        if (view->Items()->Items(k)->OverlapsDay(day->Date())) expected.push_back(view->Items()->Items(k));
      std::vector<TRBTimeViewItem*> listed = ListOf(day);
      std::sort(expected.begin(), expected.end());
      std::sort(listed.begin(), listed.end());
      ASSERT_EQ(listed, expected) << "step " << step << ", operation " << op << ", day " << i;
    }
  }
}
