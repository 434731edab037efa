// The annual view, driven through its named controls. The marks come through
// the annual view's data source, which the tests install with fixed rows.

#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QTest>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "CalendarTestSupport.h"
#include "calendar/USelectDate.h"
#include "core/Messages.h"
#include "support/ScreenCentre.h"

namespace {

const TColor kMarkDayColor = RGBColor(255, 200, 120);
const TColor kTrabajo = RGBColor(120, 200, 255);

class SelectDate : public ::testing::Test {
 protected:
  void SetUp() override {
    SetToday(2024, 6, 15);
    SetMessageAnswerer([this](const MessageRequest& r) {
      messages.push_back(r);
      return int(mrOk);
    });
    AnnualViewSource source;
    source.markDayColor = [] { return kMarkDayColor; };
    source.categories = [] {
      return std::vector<AnnualViewCategory>{
          {0, "Normal", RGBColor(240, 240, 240)}, {3, "Trabajo", kTrabajo}, {7, "Médico", RGBColor(255, 150, 150)}};
    };
    source.runMarksQuery = [this](const AnnualMarksQuery& q, const std::function<void(TDateTime)>& onRow) {
      queries.push_back(q);
      int n = 0;
      for (TDateTime fecha : rows) {
        if (failAfter >= 0 && n++ == failAfter) throw std::runtime_error("Tabla bloqueada por otro usuario");
        onRow(fecha);
      }
    };
    SetAnnualViewSource(source);
  }
  void TearDown() override {
    SetAnnualViewSource({});
    SetMessageAnswerer({});
    Clock::SetSource({});
  }
  static void SetToday(int y, int m, int d) {
    Clock::SetSource([=] { return dt::EncodeDate(y, m, d) + dt::EncodeTime(9, 0); });
  }

  // The point of a day of the shown year in the calendar.
  static QPoint DayIn(const TfrmSelectDate& frm, TDate day) {
    const int block = dt::MonthOf(day) - 1;
    return DayPoint(*frm.AnualCalendar, block % 4, block / 4, day);
  }
  static QColor PixelOfDay(TfrmSelectDate& frm, TDate day) {
    const QImage img = frm.AnualCalendar->grab().toImage();
    return img.pixelColor(DayIn(frm, day) + QPoint(-frm.AnualCalendar->DayWidth() / 2 + 1, -6));
  }

  std::vector<TDateTime> rows;
  int failAfter = -1;
  std::vector<AnnualMarksQuery> queries;
  std::vector<MessageRequest> messages;
};

TEST_F(SelectDate, TheDialogShowsTheCurrentYearAsTwelveMonthsWithTheYearMenuAroundIt) {
  TfrmSelectDate frm;
  EXPECT_EQ(frm.windowTitle(), "Vista anual");
  EXPECT_EQ(frm.size(), QSize(587, 427));
  for (const char* name : {"btnYearDec", "lblYear", "btnYeadAdd", "Label1", "cbbCategoria", "AnualCalendar", "popYear"})
    EXPECT_NE(frm.findChild<QObject*>(name), nullptr) << name;
  EXPECT_EQ(frm.Label1->text(), "Categoría");
  EXPECT_EQ(frm.lblYear->text(), "2024");
  const TRBCalendar* cal = frm.AnualCalendar;
  EXPECT_EQ(cal->geometry(), QRect(0, 427 - 395, 586, 395));
  EXPECT_EQ(cal->MonthWidth(), 146);
  EXPECT_EQ(cal->MonthHeight(), 131);
  EXPECT_EQ(cal->FirstWeekDay(), fwdMonday);
  EXPECT_EQ(cal->Year(), 2024);
  EXPECT_EQ(cal->Month(), 1);
  EXPECT_EQ(cal->StartDay(), D(2024, 1, 1));
  EXPECT_EQ(cal->EndDay(), D(2024, 12, 31));
  EXPECT_EQ(cal->MonthData(3, 2).Month, 12);
  EXPECT_FALSE(cal->PrevMonthButton());
  EXPECT_FALSE(cal->NextMonthButton());
  EXPECT_FALSE(cal->ShowToday());
  EXPECT_FALSE(cal->SideWeekSelect());
  EXPECT_FALSE(cal->EnableCaptionPopup());
  EXPECT_FALSE(cal->CanSelectAnother());
  EXPECT_EQ(cal->MaxSelections(), 1);
  EXPECT_TRUE(cal->CustomCellsDraw());
  EXPECT_TRUE(cal->FlatBorder());
  EXPECT_EQ(cal->TitlesColor(), clBtnShadow);
  EXPECT_EQ(cal->CaptionsColor(), clWindowText);
  EXPECT_EQ(cal->LinesColor(), clBtnFace);
  QStringList years;
  for (QAction* a : frm.popYear->actions()) years << a->text();
  EXPECT_EQ(years.size(), 16);
  EXPECT_EQ(years.first(), "2019");
  EXPECT_EQ(years.last(), "2034");
}

TEST_F(SelectDate, OpensInTheMiddleOfTheScreenWhateverItsOwner) {
  testsupport::ExpectOpensInTheMiddleOfTheScreen([](QWidget* owner) -> QWidget* { return new TfrmSelectDate(owner); });
}

TEST_F(SelectDate, ShowingLoadsTheYearsStartDaysAndDrawsThemInTheMarkColour) {
  rows = {D(2024, 1, 5) + dt::EncodeTime(9, 30), D(2024, 3, 1), D(2024, 12, 31) + dt::EncodeTime(23, 0)};
  TfrmSelectDate frm;
  frm.FormShow();
  EXPECT_EQ(frm.cbbCategoria->count(), 4);
  EXPECT_EQ(frm.cbbCategoria->itemText(0), "(Todas)");
  EXPECT_EQ(frm.cbbCategoria->itemText(3), "Médico");
  EXPECT_EQ(frm.cbbCategoria->currentIndex(), 0);
  ASSERT_EQ(queries.size(), 1u);
  EXPECT_EQ(queries[0].sql,
            "SELECT DISTINCT(FECHA_INI) AS FECHA\nFROM AGENDA\nWHERE EXTRACT(YEAR FROM FECHA_INI)=:pYear\n"
            "ORDER BY FECHA");
  EXPECT_EQ(queries[0].pYear, 2024);
  EXPECT_FALSE(queries[0].pCategoria.has_value());
  EXPECT_TRUE(frm.Marca(5));
  EXPECT_TRUE(frm.Marca(61)) << "1 March of a leap year";
  EXPECT_TRUE(frm.Marca(366)) << "31 December of a leap year is day 366";
  EXPECT_FALSE(frm.Marca(6));
  EXPECT_EQ(PixelOfDay(frm, D(2024, 1, 5)), ToQColor(kMarkDayColor));
  EXPECT_EQ(PixelOfDay(frm, D(2024, 12, 31)), ToQColor(kMarkDayColor));
  EXPECT_EQ(PixelOfDay(frm, D(2024, 1, 6)), ToQColor(clWhite));
  EXPECT_EQ(PixelOfDay(frm, D(2024, 3, 2)), ToQColor(clWhite));
}

TEST_F(SelectDate, AYearWithoutAppointmentsShowsNoColouredDay) {
  TfrmSelectDate frm;
  frm.FormShow();
  const QImage img = frm.AnualCalendar->grab().toImage();
  int coloured = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if (img.pixelColor(x, y) == ToQColor(kMarkDayColor)) ++coloured;
  EXPECT_EQ(coloured, 0);
}

TEST_F(SelectDate, ChoosingACategoryFiltersByItsIdAndFillsInItsColourUntilTodasAgain) {
  rows = {D(2024, 2, 10)};
  TfrmSelectDate frm;
  frm.FormShow();
  frm.cbbCategoria->setCurrentIndex(2);  // "Trabajo", ID 3
  ASSERT_EQ(queries.size(), 2u);
  EXPECT_EQ(queries[1].sql,
            "SELECT DISTINCT(FECHA_INI) AS FECHA\nFROM AGENDA\nWHERE EXTRACT(YEAR FROM FECHA_INI)=:pYear\n"
            "AND TIPO=:pCategoria\nORDER BY FECHA");
  EXPECT_EQ(queries[1].pCategoria, 3);
  EXPECT_EQ(frm.MarkColor(), kTrabajo);
  EXPECT_EQ(PixelOfDay(frm, D(2024, 2, 10)), ToQColor(kTrabajo));
  frm.cbbCategoria->setCurrentIndex(1);  // "Normal", ID 0
  EXPECT_EQ(queries.back().pCategoria, 0);
  frm.cbbCategoria->setCurrentIndex(0);
  EXPECT_FALSE(queries.back().pCategoria.has_value());
  EXPECT_EQ(frm.MarkColor(), kMarkDayColor);
  EXPECT_EQ(PixelOfDay(frm, D(2024, 2, 10)), ToQColor(kMarkDayColor));
}

TEST_F(SelectDate, YearButtonsAndTheYearMenuChangeTheYearAndReloadItsMarks) {
  TfrmSelectDate frm;
  frm.FormShow();
  frm.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&frm));
  QTest::mouseClick(frm.btnYearDec, Qt::LeftButton);
  EXPECT_EQ(frm.lblYear->text(), "2023");
  EXPECT_EQ(frm.AnualCalendar->Year(), 2023);
  EXPECT_EQ(queries.back().pYear, 2023);
  QTest::mouseClick(frm.btnYeadAdd, Qt::LeftButton);
  QTest::mouseClick(frm.btnYeadAdd, Qt::LeftButton);
  EXPECT_EQ(frm.lblYear->text(), "2025");
  EXPECT_EQ(frm.AnualCalendar->StartDay(), D(2025, 1, 1));
  EXPECT_EQ(queries.back().pYear, 2025);
  QTest::mouseClick(frm.lblYear, Qt::LeftButton);
  EXPECT_TRUE(frm.popYear->isVisible());
  frm.popYear->actions()[14]->trigger();  // 2033
  frm.popYear->hide();
  EXPECT_EQ(frm.lblYear->text(), "2033");
  EXPECT_EQ(frm.AnualCalendar->Year(), 2033);
  EXPECT_EQ(queries.back().pYear, 2033);
  EXPECT_EQ(frm.popYear->actions().first()->text(), "2019") << "the menu keeps the years around the opening year";
  EXPECT_EQ(queries.size(), 5u);
}

TEST_F(SelectDate, TheYearStaysWithinTheCalendarsRange) {
  SetToday(1, 3, 1);
  TfrmSelectDate frm;
  frm.FormShow();
  EXPECT_EQ(frm.popYear->actions().size(), 11) << "no year before 1 is offered";
  EXPECT_EQ(frm.popYear->actions().first()->text(), "1");
  const size_t before = queries.size();
  frm.btnYearDecClick();
  EXPECT_EQ(frm.Anio(), 1);
  EXPECT_EQ(frm.lblYear->text(), "1");
  EXPECT_EQ(queries.size(), before) << "nothing to reload";
}

TEST_F(SelectDate, AFailingQueryShowsItsTextAndKeepsTheMarksReadBeforeIt) {
  rows = {D(2024, 4, 1), D(2024, 4, 2), D(2024, 4, 3)};
  failAfter = 2;
  TfrmSelectDate frm;
  frm.FormShow();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].type, mtError);
  EXPECT_EQ(messages[0].text, "Tabla bloqueada por otro usuario");
  EXPECT_TRUE(frm.Marca(dt::DayOfTheYear(D(2024, 4, 2))));
  EXPECT_FALSE(frm.Marca(dt::DayOfTheYear(D(2024, 4, 3))));
  EXPECT_EQ(PixelOfDay(frm, D(2024, 4, 2)), ToQColor(kMarkDayColor));
}

// A double click as a widget receives it: press, release, double click, release.
void DoubleClick(QWidget* w, QPoint pos) {
  const QPointF local(pos), global(w->mapToGlobal(pos));
  for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
                            QEvent::MouseButtonRelease}) {
    const bool down = type != QEvent::MouseButtonRelease;
    QMouseEvent ev(type, local, global, Qt::LeftButton, down ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &ev);
  }
}

// Runs ShowAnnualView and, once its dialog is up, does `act` on it.
TDate RunAnnualView(const std::function<void(TfrmSelectDate&)>& act) {
  QTimer::singleShot(0, [act] {
    auto* frm = qobject_cast<TfrmSelectDate*>(QApplication::activeModalWidget());
    if (!frm) {
      ADD_FAILURE() << "no annual view is showing";
      return;
    }
    EXPECT_TRUE(QTest::qWaitForWindowExposed(frm));
    act(*frm);
    if (frm->isVisible()) frm->reject();
  });
  return ShowAnnualView();
}

TEST_F(SelectDate, DoubleClickingADayReturnsItAndEscOrAnEmptyPlaceReturnsZero) {
  EXPECT_EQ(RunAnnualView([](TfrmSelectDate& frm) {
              DoubleClick(frm.AnualCalendar, DayIn(frm, D(2024, 8, 14)));
              EXPECT_FALSE(frm.isVisible());
            }),
            D(2024, 8, 14));
  // A month title before any day was clicked: the dialog closes with 0.
  EXPECT_EQ(RunAnnualView([](TfrmSelectDate& frm) {
              DoubleClick(frm.AnualCalendar, frm.AnualCalendar->ClientRect().topLeft() + QPoint(70, 6));
              EXPECT_FALSE(frm.isVisible());
            }),
            0);
  EXPECT_EQ(RunAnnualView([](TfrmSelectDate& frm) {
              QTest::keyClick(frm.cbbCategoria, Qt::Key_Escape);
              EXPECT_FALSE(frm.isVisible());
            }),
            0);
  EXPECT_TRUE(messages.empty());
}

// Esc with the year menu or the category list open closes only that; the
// next Esc closes the dialog.
TEST_F(SelectDate, EscWithAMenuOrListOpenClosesOnlyThat) {
  TfrmSelectDate frm;
  frm.FormShow();
  frm.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&frm));
  const std::pair<const char*, std::function<QWidget*()>> popups[] = {
      {"year menu",
       [&]() -> QWidget* {
         frm.lblYearClick();
         return frm.popYear;
       }},
      {"category list",
       [&]() -> QWidget* {
         frm.cbbCategoria->showPopup();
         return frm.cbbCategoria->view()->window();
       }},
  };
  for (const auto& [name, open] : popups) {
    SCOPED_TRACE(name);
    QWidget* popup = open();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activePopupWidget() != nullptr; }));
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !popup->isVisible(); }));
    EXPECT_TRUE(frm.isVisible());
  }
  QTest::keyClick(frm.cbbCategoria, Qt::Key_Escape);
  EXPECT_FALSE(frm.isVisible());
}

TEST_F(SelectDate, ADragCannotSelectMoreThanOneDay) {
  TfrmSelectDate frm;
  frm.FormShow();
  frm.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&frm));
  QTest::mousePress(frm.AnualCalendar, Qt::LeftButton, {}, DayIn(frm, D(2024, 5, 6)));
  DragTo(frm.AnualCalendar, DayIn(frm, D(2024, 5, 8)));
  QTest::mouseRelease(frm.AnualCalendar, Qt::LeftButton, {}, DayIn(frm, D(2024, 5, 8)));
  EXPECT_EQ(frm.AnualCalendar->SelectionStart(), D(2024, 5, 6));
  EXPECT_EQ(frm.AnualCalendar->SelectionEnd(), D(2024, 5, 6));
  EXPECT_EQ(frm.AnualCalendar->Year(), 2024);
}

TEST_F(SelectDate, WithoutItsDataTheViewWarnsAndReturnsZero) {
  SetAnnualViewSource({});
  EXPECT_EQ(ShowAnnualView(), 0);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].type, mtWarning);
  EXPECT_TRUE(messages[0].text.startsWith("Error en vista anual.\r\n")) << messages[0].text.toStdString();
  EXPECT_GT(messages[0].text.size(), QString("Error en vista anual.\r\n").size());
}

TEST_F(SelectDate, CategoryItemsAreDrawnInTheirCategorysColour) {
  TfrmSelectDate frm;
  frm.FormShow();
  QAbstractItemDelegate* delegate = frm.cbbCategoria->itemDelegate();
  auto paintItem = [&](int row, bool selected) {
    QImage img(120, 14, QImage::Format_RGB32);
    img.fill(Qt::black);
    QPainter p(&img);
    QStyleOptionViewItem option;
    option.rect = img.rect();
    option.font = frm.font();
    option.state = QStyle::State_Enabled | (selected ? QStyle::State_Selected : QStyle::State_None);
    delegate->paint(&p, option, frm.cbbCategoria->model()->index(row, 0));
    p.end();
    return img.pixelColor(1, 1);
  };
  EXPECT_EQ(paintItem(0, false), ToQColor(clWindow));
  EXPECT_EQ(paintItem(2, false), ToQColor(kTrabajo));
  EXPECT_EQ(paintItem(2, true), ToQColor(clHighlight));
  EXPECT_EQ(delegate->sizeHint(QStyleOptionViewItem(), frm.cbbCategoria->model()->index(1, 0)).height(), 14);
}

TEST_F(SelectDate, AnnualViewScreenshot) {
  rows = {D(2024, 1, 8), D(2024, 1, 22), D(2024, 2, 14), D(2024, 3, 3), D(2024, 5, 20), D(2024, 7, 4),
          D(2024, 9, 30), D(2024, 11, 11), D(2024, 12, 24), D(2024, 12, 31)};
  TfrmSelectDate frm;
  frm.FormShow();
  frm.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&frm));
  QTest::mouseClick(frm.AnualCalendar, Qt::LeftButton, {}, DayIn(frm, D(2024, 6, 12)));
  const QImage img = frm.grab().toImage();
  EXPECT_EQ(img.size(), QSize(587, 427));
  const QString dir = QCoreApplication::applicationDirPath() + "/screenshots";
  QDir().mkpath(dir);
  EXPECT_TRUE(img.save(dir + "/annual_view.png"));
}
}  // namespace
