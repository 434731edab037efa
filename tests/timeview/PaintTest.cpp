// Painting, checked on grabbed pixels at places computed from the geometry.
#include <QCoreApplication>
#include <QDir>
#include <QPainter>

#include "TimeViewFixture.h"
#include "core/DateFormat.h"

namespace {
constexpr TColor Background = RGBColor(255, 255, 255);
constexpr TColor Working = RGBColor(255, 250, 200);
constexpr TColor Selection = RGBColor(40, 60, 200);
constexpr TColor GapColor = RGBColor(230, 230, 230);
constexpr TColor GapCover = RGBColor(0, 0, 160);
constexpr TColor Red = RGBColor(220, 30, 30);
constexpr TColor Green = RGBColor(30, 180, 60);
constexpr TColor Ruler = RGBColor(200, 200, 210);
constexpr TColor Top = RGBColor(120, 120, 120);
constexpr TColor Handles = RGBColor(250, 0, 250);

QRgb Rgb(TColor c) { return ToQColor(c).rgb(); }

class PaintTest : public TimeViewTest {
 protected:
  void SetUp() override {
    TimeViewTest::SetUp();
    view->SetColor(Background);
    view->SetWorkingHoursColor(Working);
    view->SetTimeSelectionColor(Selection);
    view->SetDaysGapColor(GapColor);
    view->SetDaysGapCoverColor(GapCover);
    view->SetRulerColor(Ruler);
    view->SetTopSpaceColor(Top);
    view->SetItemSelectionColor(Handles);
    view->SetDays(3, Day0());
    view->resize(640, 1100);  // the whole day fits: nothing scrolls
    Settle();
  }
  QRgb At(int x, int y) {
    if (image.isNull()) image = view->grab().toImage();
    const QPoint o = view->ClientOrigin();
    return image.pixel(o.x() + x, o.y() + y);
  }
  void Repaint() { image = QImage(); }
  QImage image;
};
}  // namespace

TEST_F(PaintTest, WorkingHoursSelectionAndGapStripFillTheirBands) {
  TRBTimeviewDay* d0 = view->Days(0);
  TRBTimeviewDay* d1 = view->Days(1);
  d0->SetWorkingDay(true);
  view->SetTimeSelection(Day0() + 1 + HM(10, 0), Day0() + 1 + HM(11, 0));
  const int gap = view->DaysGapWidth();
  const int x0 = d0->Left() + gap + 20;
  const int x1 = d1->Left() + gap + 20;
  EXPECT_EQ(At(x0, view->TimeToY(1, HM(9, 0)) + 5), Rgb(Working));
  EXPECT_EQ(At(x0, view->TimeToY(1, HM(17, 29))), Rgb(Working));
  EXPECT_EQ(At(x0, view->TimeToY(1, HM(7, 30)) + 5), Rgb(Background));
  EXPECT_EQ(At(x0, view->TimeToY(1, HM(17, 30)) + 5), Rgb(Background));
  EXPECT_EQ(At(x1, view->TimeToY(1, HM(9, 0)) + 5), Rgb(Background));  // not a working day
  EXPECT_EQ(At(x1, view->TimeToY(1, HM(10, 0)) + 5), Rgb(Selection));
  EXPECT_EQ(At(x1, view->TimeToY(1, HM(11, 0)) + 5), Rgb(Background));
  EXPECT_EQ(At(x0, view->TimeToY(1, HM(10, 0)) + 5), Rgb(Working));  // selection only in its day
  const int y = view->TimeToY(1, HM(3, 0)) + 5;
  EXPECT_EQ(At(d0->Left(), y), qRgb(0, 0, 0));
  EXPECT_EQ(At(d0->Left() + 2, y), Rgb(GapColor));
  EXPECT_EQ(At(d0->Left() + gap - 1, y), qRgb(0, 0, 0));
  EXPECT_EQ(At(2, y), Rgb(Ruler));
  // Time lines close each mark in the day's colour of lines.
  EXPECT_EQ(At(x1, view->TimeToY(1, HM(3, 0))), ToQColor(view->TimeLinesColor()).rgb());
}

TEST_F(PaintTest, BlocksSitSideBySideWithGapCoverAndSelectionHandles) {
  TRBTimeviewDay* d0 = view->Days(0);
  TRBTimeViewItem* a = Add(Day0() + HM(9, 0), Day0() + HM(10, 0), "A");
  TRBTimeViewItem* b = Add(Day0() + HM(9, 30), Day0() + HM(11, 0), "B");
  a->SetColor(Red);
  b->SetColor(Green);
  const TRect ra = d0->ItemRect(a);
  const TRect rb = d0->ItemRect(b);
  ASSERT_LT(ra.Right, rb.Left);
  EXPECT_EQ(At(ra.Right - 3, ra.Bottom - 4), Rgb(Red));
  EXPECT_EQ(At(rb.Right - 3, rb.Bottom - 4), Rgb(Green));
  EXPECT_EQ(At(ra.Left, ra.Top + 5), qRgb(0, 0, 0));   // outline
  EXPECT_EQ(At(ra.Right - 1, ra.Top + 5), qRgb(0, 0, 0));
  EXPECT_EQ(At(ra.Right + 1, ra.Top + 5), Rgb(Background));  // free space right of the block
  // The day's gap strip shows the cover colour while any block occupies the time.
  EXPECT_EQ(At(d0->Left() + 2, view->TimeToY(1, HM(10, 30))), Rgb(GapCover));
  EXPECT_EQ(At(d0->Left() + 2, view->TimeToY(1, HM(12, 0))), Rgb(GapColor));
  // A block right of sub-column 0 gets a cover strip just left of it.
  EXPECT_EQ(At(rb.Left - 2, rb.Bottom - 4), Rgb(GapCover));

  view->SetSelectedItem(a);
  Repaint();
  EXPECT_EQ(At((ra.Left + ra.Right) / 2, ra.Top - 2), Rgb(Handles));
  EXPECT_EQ(At((ra.Left + ra.Right) / 2, ra.Bottom + 2), Rgb(Handles));
  EXPECT_EQ(At(ra.Right - 3, ra.Bottom - 4), Rgb(Red));
}

TEST_F(PaintTest, AnItemAcrossMidnightIsDrawnInBothDays) {
  TRBTimeViewItem* night = Add(Day0() + HM(22, 0), Day0() + 1 + HM(2, 0), "noche");
  night->SetColor(Red);
  for (int i : {0, 1}) {
    const TRect r = view->Days(i)->ItemRect(night);
    EXPECT_EQ(At(r.Right - 3, r.Bottom - 4), Rgb(Red)) << i;
  }
  const TRect first = view->Days(0)->ItemRect(night);
  EXPECT_EQ(At(first.Right - 3, view->TimeToY(1, HM(21, 30)) + 5), Rgb(Background));
  EXPECT_EQ(At(view->Days(2)->Left() + 30, view->TimeToY(1, HM(1, 0)) + 5), Rgb(Background));
}

TEST_F(PaintTest, TopSpaceShowsAllDayItemsAndTheAllDaySelection) {
  TRBTimeViewItem* holiday = Add(Day0(), Day0() + 2, "Fiesta", true);
  holiday->SetAllDayColor(Green);
  view->SetAllDayItemSelectionColor(Red);
  view->SetAllDaySelection(Day0() + 2, Day0() + 2);
  view->SetAllDaySelectionColor(Selection);
  const int ch = view->CaptionHeight();
  const TRect r = view->Days(0)->ItemRect(holiday);
  EXPECT_EQ(At(r.Left + 2, r.Bottom - 3), Rgb(Green));
  EXPECT_EQ(At(view->Days(1)->Left() + view->Days(1)->Width() - 4, r.Bottom - 3), Rgb(Green));
  EXPECT_EQ(At(view->Days(2)->Left() + 10, ch + view->TopSpaceHeight() - 5), Rgb(Selection));
  EXPECT_EQ(At(view->Days(0)->Left() + 10, ch + view->TopSpaceHeight() - 5), Rgb(Top));
  view->SetSelectedItem(holiday);
  Repaint();
  EXPECT_EQ(At(r.Left + 2, r.Bottom - 3), Rgb(Red));
}

TEST_F(PaintTest, ItemMarksTellOfBlocksScrolledOut) {
  view->resize(640, 480);
  Settle();
  TRBTimeViewItem* early = Add(Day0() + HM(1, 0), Day0() + HM(2, 0));
  (void)early;
  TRBTVOptions options = view->Options();
  options.Exclude(tvoItemsAboveMark);
  view->SetOptions(options);  // either option enables both marks
  const int rw = view->RulerWidth();
  const int top = view->CaptionHeight() + view->TopSpaceHeight();
  const QRgb yellow = qRgb(255, 255, 0);
  view->ScrollToTime(HM(12, 0));
  EXPECT_EQ(At(rw - 20 + 2, top + 1), yellow);
  EXPECT_NE(At(rw - 20 + 2, view->ClientHeight() - 2), yellow);
  view->ScrollToTime(0);
  Add(Day0() + HM(22, 0), Day0() + HM(23, 0));
  Repaint();
  EXPECT_NE(At(rw - 20 + 2, top + 1), yellow);
  EXPECT_EQ(At(rw - 20 + 2, view->ClientHeight() - 2), yellow);
  view->SetOptions(options.Exclude(tvoItemsBelowMark));
  Repaint();
  EXPECT_NE(At(rw - 20 + 2, view->ClientHeight() - 2), yellow);
}

TEST_F(PaintTest, ReminderImageIsDrawnAtTheBlocksTopLeft) {
  TRBImageList images(16, 16);
  QPixmap square(16, 16);
  square.fill(ToQColor(Green));
  images.Add(square);
  view->SetImages(&images);
  view->SetReminderImageIndex(0);
  TRBTimeViewItem* item = Add(Day0() + HM(9, 0), Day0() + HM(11, 0), "aviso");
  item->SetColor(Red);
  const TRect r = view->Days(0)->ItemRect(item);
  const int gap = view->DaysGapWidth();
  EXPECT_EQ(At(r.Left + gap + 4, r.Top + 5), Rgb(Red));  // no reminder yet
  item->SetReminder(true);
  EXPECT_TRUE(item->ShowsReminderImage());
  Repaint();
  EXPECT_EQ(At(r.Left + gap + 4, r.Top + 5), Rgb(Green));
  QPixmap other(16, 16);
  other.fill(ToQColor(Selection));
  view->SetPrivateImageIndex(images.Add(other));
  item->SetIsPrivate(true);
  Repaint();
  EXPECT_EQ(At(r.Left + gap + 4, r.Top + 2 + 16 + 1 + 3), Rgb(Selection));  // below the reminder image
  item->SetReminder(false);
  view->Invalidate();
  Repaint();
  EXPECT_EQ(At(r.Left + gap + 4, r.Top + 5), Rgb(Selection));  // alone, it takes the top
  item->SetReminder(true);
  EXPECT_TRUE(item->ShowsReminderImage());
  view->SetImages(nullptr);
  EXPECT_FALSE(item->ShowsReminderImage());
  {
    TRBImageList shortLived(16, 16);
    view->SetImages(&shortLived);
  }
  EXPECT_EQ(view->Images(), nullptr);  // a destroyed list is let go
  EXPECT_FALSE(item->ShowsReminderImage());
}

TEST_F(PaintTest, CustomDrawHooksReplaceTheirPartOnlyWhenEnabled) {
  TRBTimeViewItem* item = Add(Day0() + HM(9, 0), Day0() + HM(10, 0));
  item->SetColor(Red);
  std::vector<TRect> itemRects;
  int rulers = 0, topSpaces = 0, days = 0;
  view->OnDrawItem = [&](TRBTimeView*, QPainter* canvas, TRBTimeViewItem* drawn, TRect r) {
    EXPECT_EQ(drawn, item);
    EXPECT_EQ(canvas->brush().color(), ToQColor(Red));
    itemRects.push_back(r);
  };
  view->OnDrawRuler = [&](TRBTimeView*, QPainter* canvas, TRect r, int offset) {
    EXPECT_EQ(r.Top, 0);
    EXPECT_EQ(offset, view->ScrollOffset());
    canvas->fillRect(QRect(r.Left, r.Top, r.Width(), r.Height()), ToQColor(Green));
    ++rulers;
  };
  view->OnDrawTopSpace = [&](TRBTimeView*, QPainter*, TRBTimeviewDay*, TRect) { ++topSpaces; };
  view->OnDrawDay = [&](TRBTimeView*, QPainter*, TRBTimeviewDay*, TRect, int) { ++days; };
  const TRect r = view->Days(0)->ItemRect(item);
  EXPECT_EQ(At(r.Right - 3, r.Bottom - 4), Rgb(Red));
  EXPECT_EQ(rulers + topSpaces + days, 0);
  EXPECT_TRUE(itemRects.empty());

  view->SetCustomDrawOptions({cdoItems, cdoRuler, cdoTopSpace});
  Repaint();
  EXPECT_NE(At(r.Right - 3, r.Bottom - 4), Rgb(Red));  // the hook drew nothing
  ASSERT_FALSE(itemRects.empty());
  EXPECT_EQ(itemRects.front(), r);
  EXPECT_EQ(At(2, 5), Rgb(Green));  // the hook's ruler, top corner included
  EXPECT_EQ(topSpaces, 0);          // the top space hook follows cdoDays
  std::vector<TRect> captions;
  view->OnDrawCaption = [&](TRBTimeView*, QPainter*, TRect rect, TRBTimeviewDay* day) {
    EXPECT_EQ(rect, (TRect{day->Left(), 0, day->Left() + day->Width(), view->CaptionHeight() - 1}));
    captions.push_back(rect);
  };
  view->SetCustomDrawOptions({cdoDays, cdoCaptions});
  Repaint();
  At(0, 0);
  EXPECT_EQ(topSpaces, 3);
  EXPECT_EQ(days, 3);
  EXPECT_EQ(captions.size(), 3u);
}

TEST_F(PaintTest, RulerClockFollowsTheFormatAndTheLocale) {
  view->SetRulerTimeFormat(tf12Hours);
  EXPECT_TRUE(view->Ruler24Hours());  // the Spanish locale reads 24 hours
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  EXPECT_FALSE(view->Ruler24Hours());
  for (TRBTVRulerMarkMinutes scale : {rmm60Minutes, rmm15Minutes}) {
    view->SetRulerMarkMinutes(scale);
    EXPECT_FALSE(view->grab().isNull());
  }
  view->SetRulerTimeFormat(tf24Hours);
  EXPECT_TRUE(view->Ruler24Hours());
  QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain));
}

TEST_F(PaintTest, CaptionFallsBackFromLongToMediumToShortFormat) {
  const TDate d = Day0();
  const QFontMetrics fm(view->font());
  const QString longText = FormatDateTime(view->LongCaptionFormat(), d);
  const QString mediumText = FormatDateTime(view->MediumCaptionFormat(), d);
  const QString shortText = FormatDateTime(view->ShortCaptionFormat(), d);
  ASSERT_GT(fm.horizontalAdvance(longText), fm.horizontalAdvance(mediumText));
  EXPECT_EQ(longText, QString::fromUtf8("lunes 9 marzo 2026"));
  EXPECT_EQ(view->CaptionText(d, 2000), longText);
  EXPECT_EQ(view->CaptionText(d, fm.horizontalAdvance(longText)), longText);
  EXPECT_EQ(view->CaptionText(d, fm.horizontalAdvance(longText) - 1), mediumText);
  EXPECT_EQ(view->CaptionText(d, fm.horizontalAdvance(mediumText) - 1), shortText);
  EXPECT_EQ(view->CaptionText(d, 5), shortText);  // not measured: drawn with an ellipsis
  // The caption row is button face with its raised edge.
  const int ch = view->CaptionHeight();
  const TRBTimeviewDay* d0 = view->Days(0);
  EXPECT_EQ(At(d0->Left() + 3, 0), ToQColor(clBtnHighlight).rgb());
  EXPECT_EQ(At(d0->Left() + 3, ch - 1), ToQColor(cl3DDkShadow).rgb());
  EXPECT_EQ(At(d0->Left() + d0->Width() - 1, 5), ToQColor(clBtnShadow).rgb());
}

TEST_F(PaintTest, PaintingChangesNothingAndRepeatsItself) {
  for (int i = 0; i < 12; ++i) Add(Day0() + HM(8 + i % 4, 0), Day0() + HM(10 + i % 3, 0), QString("item %1").arg(i));
  std::vector<int> columns;
  for (int i = 0; i < view->Items()->Count(); ++i) columns.push_back(view->Items()->Items(i)->DayColumn(0));
  const QImage first = view->grab().toImage();
  const QImage second = view->grab().toImage();
  EXPECT_EQ(first, second);
  for (int i = 0; i < view->Items()->Count(); ++i) EXPECT_EQ(view->Items()->Items(i)->DayColumn(0), columns[i]);
}

// A populated week, saved beside the test for a look: ruler, captions,
// working hours, overlapping blocks side by side with their texts.
TEST_F(PaintTest, PopulatedWeekScreenshot) {
  view->SetDays(7, Day0());
  view->resize(1200, 800);
  view->SetWorkingHoursColor(clInfoBk);
  view->SetDaysGapColor(clBtnShadow);
  view->SetDaysGapCoverColor(clHighlight);
  view->SetItemSelectionColor(clHighlight);
  Settle();
  const TColor colors[] = {RGBColor(255, 220, 220), RGBColor(220, 255, 220), RGBColor(220, 220, 255),
                           RGBColor(255, 240, 200)};
  const char* subjects[] = {"Reunión de equipo", "Dentista", "Llamar a Marta por el presupuesto", "Comida",
                            "Revisión del proyecto con el cliente"};
  for (int day = 0; day < 7; ++day) {
    view->Days(day)->SetWorkingDay(day < 5);
    view->Days(day)->SetStartWork(HM(8, 0));
    view->Days(day)->SetEndWork(HM(17, 30));
    for (int k = 0; k < 4; ++k) {
      const int h = 8 + (k * 3 + day) % 9;
      TRBTimeViewItem* it = Add(Day0() + day + HM(h, (k % 2) * 30), Day0() + day + HM(h + 1 + k % 2, 0),
                                QString::fromUtf8(subjects[(k + day) % 5]));
      it->SetColor(colors[(k + day) % 4]);
    }
  }
  Add(Day0() + 2, Day0() + 4, "Congreso", true);
  view->SetSelectedItem(view->Items()->Items(3));
  view->ScrollToTime(HM(7, 30));
  const QImage shot = view->grab().toImage();
  const QString folder = QCoreApplication::applicationDirPath() + "/artifacts";
  QDir().mkpath(folder);
  ASSERT_TRUE(shot.save(folder + "/timeview_week.png"));
  // Working hours of a weekday shaded, a weekend day not.
  const int y = view->TimeToY(1, HM(16, 45)) + 3;
  const int xw = view->Days(0)->Left() + view->Days(0)->Width() - 8;
  const int xs = view->Days(6)->Left() + view->Days(6)->Width() - 8;
  EXPECT_EQ(shot.pixel(xw, y), ToQColor(clInfoBk).rgb());
  EXPECT_EQ(shot.pixel(xs, y), Rgb(Background));
}

TEST_F(PaintTest, HourLabelsFitTheRulerWhateverItsFont) {
  // A label wider than its box is cut at the box's left edge (x = 2) and
  // loses its first digit: "10" reads as "0".
  for (int px : {11, 16, 24}) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(px);
    view->SetRulerFont(font);
    Repaint();
    const int y = view->TimeToY(1, HM(10, 0)) - 1;
    int ink = 0;
    for (int row = y + 3; row < y + 2 * view->RulerMarkHeight() - 3; ++row) {
      EXPECT_EQ(At(2, row), Rgb(Ruler)) << px << " px, row " << row;
      for (int x = 4; x < view->RulerWidth() / 2; ++x) ink += At(x, row) != Rgb(Ruler);
    }
    EXPECT_GT(ink, 10) << px << " px: the hour is drawn";
  }
}
