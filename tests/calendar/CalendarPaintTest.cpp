// Painting, checked on pixels of grab() at points computed from the geometry,
// and the custom-draw events.

#include <QDir>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "CalendarTestSupport.h"

namespace {

using CalendarPaint = CalendarTest;

QImage Grab(TRBCalendar& cal) { return cal.grab().toImage(); }

// Widget point of the client point p.
QPoint W(const TRBCalendar& cal, QPoint p) { return cal.ClientRect().topLeft() + p; }

QColor Pixel(const QImage& img, QPoint p) { return img.pixelColor(p); }

int NonBackgroundPixels(const QImage& img, const QRect& r, const QColor& background) {
  int n = 0;
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x)
      if (img.pixelColor(x, y) != background) ++n;
  return n;
}

QRect CellOf(const TRBCalendar& cal, int c, int r, TDate day) {
  const TRBMonthData& m = cal.MonthData(c, r);
  for (int w = 0; w < 6; ++w)
    for (int i = 0; i < 7; ++i)
      if ((m.Days[i][w].Flags & dfShown) && m.Days[i][w].Date == day)
        return cal.Geometry().CellRect(c, r, i, w).translated(cal.ClientRect().topLeft());
  ADD_FAILURE() << "day not shown";
  return {};
}

TEST_F(CalendarPaint, SelectedCellsAreFilledAndTodayIsOutlined) {
  TRBCalendar cal;
  cal.SelectRange(D(2026, 6, 9), D(2026, 6, 10));
  QImage img = Grab(cal);
  const QColor white = ToQColor(clWhite);
  const QRect sel = CellOf(cal, 0, 0, D(2026, 6, 9));
  EXPECT_EQ(Pixel(img, sel.topLeft() + QPoint(1, 1)), ToQColor(clHighlight));
  EXPECT_EQ(Pixel(img, sel.bottomRight()), ToQColor(clHighlight));
  const QRect plain = CellOf(cal, 0, 0, D(2026, 6, 11));
  EXPECT_EQ(Pixel(img, plain.topLeft() + QPoint(1, 1)), white);
  EXPECT_GT(NonBackgroundPixels(img, plain, white), 0) << "the day number is drawn";
  const QRect today = CellOf(cal, 0, 0, D(2026, 6, 15));
  EXPECT_EQ(Pixel(img, today.topLeft()), ToQColor(clRed));
  EXPECT_EQ(Pixel(img, today.bottomRight()), ToQColor(clRed));
  EXPECT_EQ(Pixel(img, today.topLeft() + QPoint(1, 1)), white);
  cal.SetShowToday(false);
  img = Grab(cal);
  EXPECT_EQ(Pixel(img, today.topLeft()), white);
  cal.SetSelectionColor(clYellow);
  img = Grab(cal);
  EXPECT_EQ(Pixel(img, sel.topLeft() + QPoint(1, 1)), ToQColor(clYellow));
}

TEST_F(CalendarPaint, BlankCellsAreNotDrawnAndNeighbourDaysTakeTheirColours) {
  TRBCalendar cal;
  const QColor white = ToQColor(clWhite);
  const QRect may31 = cal.Geometry().CellRect(0, 0, 0, 0).translated(cal.ClientRect().topLeft());
  EXPECT_EQ(NonBackgroundPixels(Grab(cal), may31, white), 0);
  cal.SetShowPrevMonth(true);
  cal.SetPrevMonthColor(clRed);
  const QImage img = Grab(cal);
  EXPECT_GT(NonBackgroundPixels(img, may31, white), 0);
  for (int y = may31.top(); y <= may31.bottom(); ++y)
    for (int x = may31.left(); x <= may31.right(); ++x) {
      const QColor c = img.pixelColor(x, y);
      if (c != white) {
        EXPECT_GT(c.red(), c.blue()) << "previous-month text is drawn in PrevMonthColor";
      }
    }
}

TEST_F(CalendarPaint, CaptionTitlesLinesDividersAndArrowsAppearWhereTheGeometrySays) {
  TRBCalendar cal;
  cal.SetMonthsInWidth(2);
  const TRBCGeometry& g = cal.Geometry();
  const int MW = g.MonthWidth(), CH = g.CaptionHeight, TH = g.TitlesHeight, BW = g.BorderWidth;
  QImage img = Grab(cal);
  EXPECT_EQ(Pixel(img, W(cal, {MW + 3, CH / 2})), ToQColor(clBtnFace)) << "flat caption";
  EXPECT_EQ(Pixel(img, W(cal, {MW + 40, CH + TH - 1})), ToQColor(clBlack)) << "line under the titles";
  EXPECT_EQ(Pixel(img, W(cal, {MW + 40, CH + TH - 2})), ToQColor(clWhite));
  EXPECT_GT(NonBackgroundPixels(img, g.TitleRect(0, 0, 2).translated(cal.ClientRect().topLeft()), ToQColor(clWhite)), 0);
  // The arrows: filled triangles in the corners of the first block row.
  EXPECT_EQ(Pixel(img, W(cal, {CH / 2 - 1, CH / 2 - 2})), ToQColor(clBtnText));
  EXPECT_EQ(Pixel(img, W(cal, {2 * MW - CH / 2 - 1, CH / 2 - 2})), ToQColor(clBtnText));
  cal.SetPrevMonthButton(false);
  img = Grab(cal);
  EXPECT_EQ(Pixel(img, W(cal, {CH / 2 - 1, CH / 2 - 2})), ToQColor(clBtnFace));

  const QPoint divider = W(cal, {MW, CH + TH + 20});
  EXPECT_EQ(Pixel(img, divider), ToQColor(clWhite));
  cal.SetShowDividers(true);
  cal.SetDividersColor(clGreen);
  cal.SetShowLines(false);
  img = Grab(cal);
  EXPECT_EQ(Pixel(img, divider), ToQColor(clGreen));
  EXPECT_EQ(Pixel(img, W(cal, {MW + 40, CH + TH - 1})), ToQColor(clWhite)) << "no lines";

  // Week numbers are drawn in the week margin, with their line when ShowLines.
  const QRect number = g.WeekNumberRect(0, 0, 2).translated(cal.ClientRect().topLeft());
  EXPECT_EQ(NonBackgroundPixels(img, number, ToQColor(clWhite)), 0);
  cal.SetShowWeekNumbers(true);
  cal.SetShowLines(true);
  cal.SetLinesColor(clBlue);
  img = Grab(cal);
  EXPECT_GT(NonBackgroundPixels(img, number, ToQColor(clWhite)), 0);
  EXPECT_EQ(Pixel(img, W(cal, {BW - 2, CH + TH + 30})), ToQColor(clBlue));
}

TEST_F(CalendarPaint, CustomCellDrawGetsEveryShownCellWithAPreparedCanvasAndDrawsAlone) {
  TRBCalendar cal;
  cal.SetMonthsInWidth(2);
  cal.SetShowPrevMonth(true);
  cal.SetOnMark([](TRBCalendar*, TDate day, bool& mark) { mark = day == D(2026, 6, 12); });
  cal.SelectRange(D(2026, 6, 10), D(2026, 6, 11));
  struct Call {
    TDate day;
    bool selected, marked, inMonth, bold;
    QColor brush, text;
    QRect rect;
  };
  std::vector<Call> calls;
  cal.OnCellDraw = [&](TRBCalendar*, TDate day, bool selected, bool marked, bool inMonth, QPainter* canvas,
                       const QRect& rect) {
    calls.push_back({day, selected, marked, inMonth, canvas->font().bold(), canvas->brush().color(),
                     canvas->pen().color(), rect});
  };
  cal.grab();
  EXPECT_TRUE(calls.empty()) << "only with CustomCellsDraw";
  cal.SetCustomCellsDraw(true);
  const QImage img = Grab(cal);
  ASSERT_EQ(calls.size(), 1u + 30u + 31u);  // 31 May, June, July
  std::set<TDate> seen;
  for (const Call& c : calls) seen.insert(c.day);
  EXPECT_EQ(seen.size(), calls.size()) << "each shown cell once";
  auto find = [&](TDate d) {
    for (const Call& c : calls)
      if (c.day == d) return c;
    ADD_FAILURE() << "no call";
    return Call{};
  };
  const Call prev = find(D(2026, 5, 31));
  EXPECT_FALSE(prev.inMonth);
  EXPECT_EQ(prev.text, ToQColor(clSilver));
  const Call sel = find(D(2026, 6, 10));
  EXPECT_TRUE(sel.selected);
  EXPECT_EQ(sel.brush, ToQColor(clHighlight));
  EXPECT_EQ(sel.text, ToQColor(clHighlightText));
  const Call mark = find(D(2026, 6, 12));
  EXPECT_TRUE(mark.marked);
  EXPECT_TRUE(mark.bold);
  EXPECT_EQ(mark.brush, ToQColor(clWhite));
  EXPECT_TRUE(find(D(2026, 7, 1)).inMonth);
  EXPECT_FALSE(find(D(2026, 7, 1)).bold);
  EXPECT_EQ(mark.rect, CellOf(cal, 0, 0, D(2026, 6, 12)).translated(-cal.ClientRect().topLeft()));
  // The handler drew nothing, so the calendar drew nothing in the cells either.
  EXPECT_EQ(NonBackgroundPixels(img, CellOf(cal, 0, 0, D(2026, 6, 10)), ToQColor(clWhite)), 0);
}

TEST_F(CalendarPaint, CustomCaptionAndTitleDrawReceiveMonthYearAndWeekday) {
  TRBCalendar cal;
  cal.SetMonthsInWidth(2);
  cal.SetFirstWeekDay(fwdMonday);
  std::vector<std::pair<int, int>> captions;
  std::vector<int> titleDays;
  cal.OnCaptionDraw = [&](TRBCalendar*, int month, int year, QPainter*, const QRect& r) {
    captions.push_back({month, year});
    EXPECT_EQ(r.height(), cal.CaptionHeight());
    EXPECT_EQ(r.width(), cal.MonthWidth());
  };
  cal.OnTitleDraw = [&](TRBCalendar*, int month, int, int day, QPainter*, const QRect& r) {
    if (month == 6) titleDays.push_back(day);
    EXPECT_EQ(r.width(), cal.DayWidth());
  };
  cal.grab();
  EXPECT_TRUE(captions.empty());
  cal.SetCustomCaptionsDraw(true);
  cal.SetCustomTitlesDraw(true);
  cal.grab();
  EXPECT_EQ(captions, (std::vector<std::pair<int, int>>{{6, 2026}, {7, 2026}}));
  EXPECT_EQ(titleDays, (std::vector<int>{2, 3, 4, 5, 6, 7, 1})) << "Monday first, Sunday last";
}

// The main window's calendar: Monday first, three months, the day cells drawn
// by the owner with marked days filled, a week selected.
TEST_F(CalendarPaint, MainWindowCalendarScreenshot) {
  TRBCalendar cal;
  cal.setFont(QFont("Liberation Sans", 8));
  cal.SetFirstWeekDay(fwdMonday);
  cal.SetMonthsInHeight(3);
  cal.SetDayWidth(18);
  cal.SetDayHeight(15);
  cal.SetShowToday(false);
  cal.SetTitlesColor(clBtnShadow);
  cal.SetCaptionsColor(clWindowText);
  cal.SetMaxSelections(31);
  cal.SetFlatBorder(true);
  cal.SetLinesColor(clBtnFace);
  const TColor markColor = RGBColor(255, 200, 120);
  cal.SetOnMark([](TRBCalendar*, TDate day, bool& mark) {
    const int d = dt::DayOf(day);
    mark = d % 5 == 0 || d == 17;
  });
  cal.OnCellDraw = [&](TRBCalendar*, TDate day, bool selected, bool marked, bool, QPainter* canvas,
                       const QRect& r) {
    if (selected) {
      canvas->fillRect(r, canvas->brush());
    } else if (marked) {
      QFont f = canvas->font();
      f.setBold(false);
      canvas->setFont(f);
      canvas->setBrush(ToQColor(markColor));
      canvas->fillRect(r, canvas->brush());
    }
    canvas->fillRect(r, canvas->brush());
    canvas->drawText(r, Qt::AlignCenter, QString::number(dt::DayOf(day)));
  };
  cal.SetCustomCellsDraw(true);
  cal.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&cal));
  QTest::mouseClick(&cal, Qt::LeftButton, {}, WeekMarginPoint(cal, 0, 0, 2));
  EXPECT_EQ(cal.SelectionStart(), D(2026, 6, 15));
  EXPECT_EQ(cal.SelectionEnd(), D(2026, 6, 21));
  const QImage img = Grab(cal);
  EXPECT_EQ(Pixel(img, CellOf(cal, 0, 0, D(2026, 6, 16)).topLeft() + QPoint(1, 1)), ToQColor(clHighlight));
  EXPECT_EQ(Pixel(img, CellOf(cal, 0, 0, D(2026, 6, 10)).topLeft() + QPoint(1, 1)), ToQColor(markColor));
  EXPECT_EQ(Pixel(img, CellOf(cal, 0, 1, D(2026, 7, 17)).topLeft() + QPoint(1, 1)), ToQColor(markColor));
  EXPECT_EQ(Pixel(img, CellOf(cal, 0, 1, D(2026, 7, 16)).topLeft() + QPoint(1, 1)), ToQColor(clWhite));
  const QString dir = QCoreApplication::applicationDirPath() + "/screenshots";
  QDir().mkpath(dir);
  EXPECT_TRUE(img.save(dir + "/calendar_main_window.png"));
}
}  // namespace

namespace {
// Without the flat look the captions are push buttons and the arrows sit in
// their own framed buttons: the arrow corner is no longer the caption's face.
TEST_F(CalendarPaint, WithoutFlatLookCaptionsAndArrowsAreFramedButtons) {
  TRBCalendar cal;
  cal.SetMonthsInWidth(2);
  cal.SetFlatLook(false);
  cal.SetShowWeekNumbers(true);
  cal.SetShowPrevMonth(true);
  cal.SelectRange(D(2026, 6, 9), D(2026, 6, 12));
  const QImage img = Grab(cal);
  const int CH = cal.CaptionHeight();
  // The caption of the first block starts right of the arrow button.
  const QRect arrow = QRect(QPoint(0, 0), QSize(CH - 1, CH - 1)).translated(cal.ClientRect().topLeft());
  EXPECT_GT(NonBackgroundPixels(img, arrow.adjusted(3, 3, -3, -3), ToQColor(clBtnFace)), 0) << "the arrow";
  EXPECT_EQ(Pixel(img, W(cal, {cal.MonthWidth() + 5, CH / 2})), ToQColor(clBtnFace));
  const QString dir = QCoreApplication::applicationDirPath() + "/screenshots";
  QDir().mkpath(dir);
  EXPECT_TRUE(img.save(dir + "/calendar_classic_look.png"));
}
}  // namespace
