// The print dialog driven through its controls, over a real data folder: the
// reports it produces are rendered to PDF and read back.
#include <QApplication>
#include <QCalendarWidget>
#include <QTextCharFormat>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include "PdfWords.h"
#include "ReportsFixture.h"
#include "app/UConfigAgenda.h"
#include "core/Clock.h"
#include "reports/BandReport.h"
#include "reports/ReportOutput.h"
#include "reports/UListaAgenda.h"

using reports::BandReport;
using reports::ReportDestination;

namespace {

const TDate k10May = dt::EncodeDate(2024, 5, 10);

// A click on a button's caption, where the user clicks (a radio button takes
// clicks on its circle and text only).
void Pulsar(QAbstractButton* b) { QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(8, b->height() / 2)); }

class ListaAgendaTest : public ReportsFixture {
 protected:
  void SetUp() override {
    ReportsFixture::SetUp();
    reports::SetReportSink([this](const BandReport& r, ReportDestination d, QWidget*) {
      sent.push_back(r);
      destinations.push_back(d);
    });
  }
  void TearDown() override {
    reports::SetReportSink({});
    ReportsFixture::TearDown();
  }

  // A dialog as the main window opens it, shown (FormShow has run).
  std::unique_ptr<TfrmListaAgenda> Abrir(int id, TDateTime referencia, TDate desde = k10May, TDate hasta = k10May) {
    auto dlg = std::make_unique<TfrmListaAgenda>();
    dlg->SetDesdeFecha(desde);
    dlg->SetHastaFecha(hasta);
    dlg->SetIDSeleccionado(id);
    dlg->SetFechaReferencia(referencia);
    dlg->show();
    return dlg;
  }

  // The pages of the last report sent, as pdftotext reads them.
  std::vector<PdfPage> Paginas() {
    EXPECT_FALSE(sent.empty());
    if (sent.empty()) return {};
    const QString pdf = QDir::temp().filePath(QStringLiteral("dialogo%1.pdf").arg(sent.size()));
    reports::SaveReportPdf(sent.back(), pdf);
    return ReadPdfWords(pdf);
  }

  std::vector<BandReport> sent;
  std::vector<ReportDestination> destinations;
};

}  // namespace

TEST_F(ListaAgendaTest, ShowEnablesTheChoicesTheCallerCanFill) {
  struct Case {
    int id;
    TDateTime referencia;
    bool cita, fecha;
    const char* checked;
  };
  for (const Case& c : {Case{5, k10May + 0.4, true, true, "rbCita"}, Case{-1, k10May + 0.4, false, true, "rbFecha"},
                        Case{0, -1, false, false, "rbEntreFechas"}, Case{7, -1, true, false, "rbCita"}}) {
    SCOPED_TRACE(c.checked);
    auto dlg = Abrir(c.id, c.referencia);
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("Imprimir Agenda"));
    EXPECT_EQ(dlg->rbCita->isEnabled(), c.cita);
    EXPECT_EQ(dlg->rbFecha->isEnabled(), c.fecha);
    EXPECT_TRUE(dlg->findChild<QRadioButton*>(QString::fromUtf8(c.checked))->isChecked());
    const bool cita = QLatin1String(c.checked) == QLatin1String("rbCita");
    const bool fechas = QLatin1String(c.checked) == QLatin1String("rbEntreFechas");
    EXPECT_EQ(dlg->rgFormato->isEnabled(), !cita);
    EXPECT_EQ(dlg->cbbCategoria->isEnabled(), !cita);
    EXPECT_EQ(dlg->lblCategoria->isEnabled(), !cita);
    for (QWidget* w : {static_cast<QWidget*>(dlg->edtDesdeFecha), static_cast<QWidget*>(dlg->edtHastaFecha),
                       static_cast<QWidget*>(dlg->lblDesde), static_cast<QWidget*>(dlg->lblHasta)})
      EXPECT_EQ(w->isEnabled(), fechas) << w->objectName().toStdString();
    if (fechas) {
      EXPECT_EQ(dlg->focusWidget(), dlg->edtDesdeFecha);
    }
    // The reference date, also the "none" of -1: the day before day 0.
    EXPECT_EQ(dlg->rbFecha->text(), c.referencia > 0 ? QStringLiteral("Fecha: 10/05/2024") : QStringLiteral("Fecha: 29/12/1899"));
  }
}

TEST_F(ListaAgendaTest, DateFieldsShowFourDigitYearsAndMarkWeekendsInTheirCalendars) {
  auto dlg = Abrir(-1, -1, dt::EncodeDate(2024, 5, 6), dt::EncodeDate(2031, 12, 31));
  EXPECT_EQ(dlg->edtDesdeFecha->text(), QStringLiteral("06/05/2024"));
  EXPECT_EQ(dlg->edtHastaFecha->text(), QStringLiteral("31/12/2031"));
  EXPECT_EQ(dlg->DesdeFecha(), dt::EncodeDate(2024, 5, 6));
  for (QDateEdit* e : {dlg->edtDesdeFecha, dlg->edtHastaFecha}) {
    ASSERT_TRUE(e->calendarPopup());
    const QCalendarWidget* cal = e->calendarWidget();
    const QColor weekday = cal->weekdayTextFormat(Qt::Wednesday).foreground().color();
    for (Qt::DayOfWeek d : {Qt::Saturday, Qt::Sunday})
      EXPECT_NE(cal->weekdayTextFormat(d).foreground().color(), weekday);
    EXPECT_EQ(cal->weekdayTextFormat(Qt::Friday).foreground().color(), weekday);
  }
}

TEST_F(ListaAgendaTest, RadioClickFollowsTheCheckedButton) {
  auto dlg = Abrir(5, k10May);
  Pulsar(dlg->rbEntreFechas);
  EXPECT_TRUE(dlg->edtDesdeFecha->isEnabled());
  EXPECT_TRUE(dlg->cbbCategoria->isEnabled());
  Pulsar(dlg->rbFecha);
  EXPECT_FALSE(dlg->edtHastaFecha->isEnabled());
  EXPECT_TRUE(dlg->rgFormato->isEnabled());
  Pulsar(dlg->rbCita);
  EXPECT_FALSE(dlg->rgFormato->isEnabled());
  EXPECT_FALSE(dlg->lblCategoria->isEnabled());
}

TEST_F(ListaAgendaTest, CategoryListStartsWithTodasThenTheCategoriesInListOrder) {
  AddCategoria(4, "Trabajo");
  AddCategoria(2, "Casa");
  auto dlg = Abrir(-1, -1);
  QStringList items;
  for (int i = 0; i < dlg->cbbCategoria->count(); ++i) items << dlg->cbbCategoria->itemText(i);
  EXPECT_EQ(items, (QStringList{"(Todas)", "Normal", "Casa", "Trabajo"}));
  EXPECT_EQ(dlg->cbbCategoria->currentIndex(), 0);
}

TEST_F(ListaAgendaTest, ReversedDatesWarnWhicheverChoiceAndSaveNothing) {
  AddCita(1, k10May, "09:30", "Uno");
  for (const char* choice : {"rbCita", "rbFecha", "rbEntreFechas"}) {
    SCOPED_TRACE(choice);
    messages.clear();
    ConfigAgenda.ReportFormat = 0;
    auto dlg = Abrir(1, k10May, k10May, k10May - 1);
    Pulsar(dlg->findChild<QRadioButton*>(QString::fromUtf8(choice)));
    Pulsar(dlg->rbResumido);
    Pulsar(dlg->btnPreview);
    EXPECT_EQ(messages, QStringList{"La fecha hasta debe ser mayor\r\no igual que la fecha desde."});
    EXPECT_TRUE(sent.empty());
    EXPECT_EQ(ConfigAgenda.ReportFormat, 0);
    EXPECT_FALSE(QFile::exists(ConfigFileName()));
  }
}

TEST_F(ListaAgendaTest, EmptyRangeWarnsAndStillSavesTheFormat) {
  AddCita(1, k10May, "09:30", "Fuera");
  auto dlg = Abrir(-1, -1, k10May + 1, k10May + 30);
  Pulsar(dlg->rbResumido);
  Pulsar(dlg->btnPrint);
  EXPECT_EQ(messages, QStringList{"No hay datos entre las fechas indicadas"});
  EXPECT_TRUE(sent.empty());
  EXPECT_TRUE(QFile::exists(ConfigFileName()));
  ConfigAgenda.ReportFormat = 0;
  CargarConfig();
  EXPECT_EQ(ConfigAgenda.ReportFormat, 1);
}

TEST_F(ListaAgendaTest, ResumidoIsPreselectedAtTheNextOpening) {
  AddCita(1, k10May, "09:30", "Uno");
  {
    auto dlg = Abrir(-1, k10May + 0.5);
    EXPECT_TRUE(dlg->rbDetallado->isChecked());
    Pulsar(dlg->rbResumido);
    Pulsar(dlg->btnPreview);
  }
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(destinations[0], ReportDestination::Preview);
  ConfigAgenda.ReportFormat = 0;
  CargarConfig();  // what was saved on disk, not only in memory
  auto again = Abrir(-1, k10May + 0.5);
  EXPECT_TRUE(again->rbResumido->isChecked());
  EXPECT_EQ(again->FormatoIndex(), 1);
}

TEST_F(ListaAgendaTest, SelectedDatePrintsThatDayOnlyWithItInBothHeaderDates) {
  AddCita(1, k10May, "09:30", "Elegida");
  AddCita(2, k10May, "18:00", "Tarde");
  AddCita(3, k10May - 1, "09:30", "Antes");
  AddCita(4, k10May + 1, "00:00", "Despues");
  auto dlg = Abrir(1, k10May + dt::EncodeTime(9, 30));
  Pulsar(dlg->rbFecha);
  Pulsar(dlg->btnPrint);
  EXPECT_TRUE(messages.isEmpty()) << messages.join("|").toStdString();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(destinations[0], ReportDestination::Printer);
  const auto pages = Paginas();
  ASSERT_EQ(pages.size(), 1u);
  const QString text = PageText(pages[0]);
  EXPECT_TRUE(text.contains("Detallado"));
  EXPECT_TRUE(text.contains("Desde: 10/05/2024")) << text.toStdString();
  EXPECT_TRUE(text.contains("Hasta: 10/05/2024")) << text.toStdString();
  EXPECT_EQ(CountWord(pages[0], "Elegida"), 1);
  EXPECT_EQ(CountWord(pages[0], "Tarde"), 1);
  EXPECT_EQ(CountWord(pages[0], "Antes"), 0);
  EXPECT_EQ(CountWord(pages[0], "Despues"), 0);
}

TEST_F(ListaAgendaTest, SelectedDateWithoutAppointmentsGivesHeaderAndFooterOnly) {
  AddCita(1, k10May, "09:30", "Otra");
  auto dlg = Abrir(-1, k10May + 3);
  Pulsar(dlg->btnPreview);
  EXPECT_TRUE(messages.isEmpty());
  const auto pages = Paginas();
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_EQ(CountWord(pages[0], "Asunto:"), 0);
  EXPECT_EQ(CountWord(pages[0], "Otra"), 0);
  EXPECT_TRUE(PageText(pages[0]).contains("Desde: 13/05/2024"));
  EXPECT_TRUE(PageText(pages[0]).contains(QStringLiteral("Pág.: 1")));
}

TEST_F(ListaAgendaTest, CategoryWithoutAppointmentsInTheRangeGivesAnEmptyReportNamingIt) {
  AddCategoria(3, "Medico");
  AddCategoria(5, "Viajes");
  AddCita(1, k10May, "09:30", "Revision", 3);
  AddCita(2, k10May + 2, "10:00", "Comida", 0);
  auto dlg = Abrir(-1, -1, k10May, k10May + 5);
  dlg->cbbCategoria->setCurrentIndex(dlg->cbbCategoria->findText("Viajes"));
  Pulsar(dlg->btnPreview);
  EXPECT_TRUE(messages.isEmpty());  // the count ignores the category
  auto pages = Paginas();
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_TRUE(PageText(pages[0]).contains(QStringLiteral("Categoría: Viajes")));
  EXPECT_EQ(CountWord(pages[0], "Revision"), 0);
  EXPECT_EQ(CountWord(pages[0], "Comida"), 0);

  // The filter picks that category's rows only; "Normal" is category 0.
  dlg->cbbCategoria->setCurrentIndex(dlg->cbbCategoria->findText("Normal"));
  Pulsar(dlg->rbResumido);
  Pulsar(dlg->btnPreview);
  pages = Paginas();
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_TRUE(PageText(pages[0]).contains(QStringLiteral("Categoría: Normal")));
  EXPECT_EQ(CountWord(pages[0], "Revision"), 0);
  EXPECT_EQ(CountWord(pages[0], "Comida"), 1);
}

TEST_F(ListaAgendaTest, RangeRowsComeByStartDateThenStartTimeWithTheirCategoryColumn) {
  AddCategoria(3, "Medico");
  QuitarCategoria(0);  // "Normal" comes from TIPO 0 itself, not from a row
  AddCita(1, k10May + 1, "08:00", "Tercera", 0);
  AddCita(2, k10May, "17:45", "Segunda", 3);
  AddCita(3, k10May, "07:05", "Primera", 9);  // no category 9: empty column
  AddCita(4, k10May + 2, "12:00", "Cuarta", 3);
  auto dlg = Abrir(-1, -1, k10May, k10May + 2);
  Pulsar(dlg->rbResumido);
  Pulsar(dlg->btnPreview);
  const auto pages = Paginas();
  ASSERT_EQ(pages.size(), 1u);
  double last = 0;
  for (const char* s : {"Primera", "Segunda", "Tercera", "Cuarta"}) {
    const auto w = FindWord(pages[0], s);
    ASSERT_TRUE(w) << s;
    EXPECT_GT(w->top, last) << s;
    last = w->top;
  }
  auto columnOf = [&](const char* asunto) {
    const auto w = FindWord(pages[0], asunto);
    QStringList column;
    for (const PdfWord& x : pages[0]) {
      if (std::abs(x.top - w->top) < 0.5 && x.left - reports::kMargin > 152) column << x.text;
    }
    return column.join(' ');
  };
  EXPECT_EQ(columnOf("Primera"), "");
  EXPECT_EQ(columnOf("Segunda"), "Medico");
  EXPECT_EQ(columnOf("Tercera"), "Normal");
}

TEST_F(ListaAgendaTest, SelectedAppointmentPrintsItInFull) {
  AddCita(1, k10May, "09:00", "Otra");
  AddCita(8, k10May, "09:30", "Entrevista", 0, "Llevar el CV", k10May + 1, "11:15");
  auto dlg = Abrir(8, k10May + dt::EncodeTime(9, 30));
  Pulsar(dlg->btnPreview);
  const auto pages = Paginas();
  ASSERT_EQ(pages.size(), 1u);
  const QString text = PageText(pages[0]);
  EXPECT_EQ(CountWord(pages[0], "Entrevista"), 1);
  EXPECT_EQ(CountWord(pages[0], "Otra"), 0);
  EXPECT_TRUE(text.contains("Llevar el CV"));
  EXPECT_TRUE(text.contains("11/05/2024")) << text.toStdString();
  EXPECT_TRUE(text.contains("11:15"));
  EXPECT_FALSE(text.contains(QStringLiteral("Pág.:")));
}

TEST_F(ListaAgendaTest, ReportErrorsAreShownAndTheFormatIsStillSaved) {
  QFile::remove(folder + "AGENDA.DBF");
  auto dlg = Abrir(-1, k10May);
  Pulsar(dlg->rbResumido);
  Pulsar(dlg->btnPreview);
  ASSERT_EQ(messages.size(), 1);
  EXPECT_FALSE(messages[0].isEmpty());
  EXPECT_TRUE(sent.empty());
  ConfigAgenda.ReportFormat = 0;
  CargarConfig();
  EXPECT_EQ(ConfigAgenda.ReportFormat, 1);
}

TEST_F(ListaAgendaTest, CancelAndEscapeCloseTheDialog) {
  auto dlg = Abrir(-1, -1);
  QTest::keyClick(dlg.get(), Qt::Key_Escape);
  EXPECT_FALSE(dlg->isVisible());
  dlg->show();
  Pulsar(dlg->btnCancel);
  EXPECT_FALSE(dlg->isVisible());
  EXPECT_EQ(dlg->result(), QDialog::Rejected);
}

// Without the sink: the real preview window lays the pages out.
TEST_F(ListaAgendaTest, PreviewWindowShowsEveryPage) {
  reports::SetReportSink({});
  for (int i = 0; i < 7; ++i) AddCita(i + 1, k10May, "10:00", "Fila");
  auto dlg = Abrir(-1, k10May);  // "Detallado": three bands a page
  int pages = -1;
  QTimer::singleShot(0, [&] {
    auto* preview = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget());
    if (!preview) return;
    if (auto* widget = preview->findChild<QPrintPreviewWidget*>()) pages = widget->pageCount();
    preview->reject();
  });
  Pulsar(dlg->btnPreview);
  EXPECT_EQ(pages, 3);
}

TEST_F(ListaAgendaTest, PrintingWithoutAPrinterSaysSo) {
  if (!QPrinterInfo::defaultPrinter().isNull()) GTEST_SKIP() << "a printer is installed; nothing is sent to it";
  reports::SetReportSink({});
  AddCita(1, k10May, "10:00", "Fila");
  auto dlg = Abrir(-1, k10May);
  Pulsar(dlg->btnPrint);
  ASSERT_EQ(messages.size(), 1);
  EXPECT_TRUE(messages[0].startsWith("No hay ninguna impresora instalada."));
}

// The main window's print command opens the dialog modally with its presets.
TEST_F(ListaAgendaTest, ImprimirAgendaOpensTheDialogPresetAndFreesIt) {
  bool seen = false;
  QTimer::singleShot(0, [&] {
    auto* dlg = qobject_cast<TfrmListaAgenda*>(QApplication::activeModalWidget());
    if (!dlg) return;
    seen = true;
    EXPECT_EQ(dlg->DesdeFecha(), k10May - 4);
    EXPECT_EQ(dlg->HastaFecha(), k10May + 2);
    EXPECT_EQ(dlg->IDSeleccionado(), 12);
    EXPECT_TRUE(dlg->rbCita->isChecked());
    EXPECT_EQ(dlg->rbFecha->text(), QStringLiteral("Fecha: 10/05/2024"));
    dlg->reject();
  });
  ImprimirAgenda(nullptr, k10May - 4, k10May + 2, 12, k10May + dt::EncodeTime(9, 30));
  EXPECT_TRUE(seen);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}
