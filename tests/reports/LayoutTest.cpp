// The three layouts rendered to PDF and read back with pdftotext: every item
// where the layout puts it, pages, cutting and the footer.
#include <QDir>
#include <QImage>
#include <gtest/gtest.h>

#include "PdfWords.h"
#include "core/Clock.h"
#include "core/DateTime.h"
#include "reports/ReportLayouts.h"
#include "reports/ReportOutput.h"

using namespace reports;

namespace {

constexpr double kTolerance = 0.5;  // mm

QString Pdf(const QString& name) { return QDir::temp().filePath(name + QStringLiteral(".pdf")); }

std::vector<PdfPage> Render(const BandReport& r, const QString& name) {
  const QString file = Pdf(name);
  SaveReportPdf(r, file);
  return ReadPdfWords(file);
}

CitaRow Cita(int id, int y, int m, int d, const QString& hora, const QString& asunto, int tipo = 0,
             const QString& categoria = {}) {
  CitaRow c;
  c.ID = id;
  c.FechaIni = dt::EncodeDate(y, m, d);
  c.FechaFin = dt::EncodeDate(y, m, d);
  c.HoraIni = hora;
  c.HoraFin = hora;
  c.Asunto = asunto;
  c.Tipo = tipo;
  c.Categoria = categoria;
  return c;
}

const TDateTime kImpreso = dt::EncodeDate(2024, 5, 10) + dt::EncodeTime(10, 7, 0);

// A word expected at a position: its left edge, or its right edge for
// right-aligned texts, and its top, in mm from the band origin of the page.
struct Expected {
  const char* word;
  bool right;
  double x;
  double top;
};

void ExpectAt(const PdfPage& page, const Expected& e, double searchFrom = -1) {
  SCOPED_TRACE(e.word);
  const auto w = FindWord(page, QString::fromUtf8(e.word), searchFrom);
  ASSERT_TRUE(w.has_value()) << "not found";
  EXPECT_NEAR((e.right ? w->right : w->left) - kMargin, e.x, kTolerance);
  EXPECT_NEAR(w->top - kMargin, e.top, kTolerance);
}

}  // namespace

TEST(Layouts, SingleAppointmentItemsWhereTheLayoutPutsThem) {
  CitaRow c = Cita(7, 2024, 5, 10, "09:30", QStringLiteral("Reunión"), 0);
  c.FechaFin = dt::EncodeDate(2024, 5, 11);
  c.HoraFin = QStringLiteral("10:45");
  c.Lugar = QStringLiteral("Despacho");
  c.Notas = QStringLiteral("Traer informes");
  const auto pages = Render(LayoutAgendaCita({c}, kImpreso), QStringLiteral("cita"));
  ASSERT_EQ(pages.size(), 1u);
  const double d = 20.9;     // detail band below the title
  const double f = 277 - 6.1;  // footer at the foot of the page
  for (const Expected& e : std::vector<Expected>{
           {"Agenda", false, 3.2, 5.8},
           {"Asunto:", true, 21.7, d + 4.2},
           {"Reunión", false, 24.3, d + 4.2},
           {"Inicio:", true, 21.7, d + 13.8},
           {"10/05/2024", false, 24.3, d + 13.8},
           {"09:30", false, 44.5, d + 13.8},
           {"Fin:", true, 97.9, d + 13.8},
           {"11/05/2024", false, 100.5, d + 13.8},
           {"10:45", false, 120.7, d + 13.8},
           {"Categoría:", true, 21.7, d + 23.3},
           {"Normal", false, 24.3, d + 23.3},
           {"Lugar:", true, 21.7, d + 32.8},
           {"Despacho", false, 24.3, d + 32.8},
           {"Notas:", true, 21.7, d + 43.4},
           {"Traer", false, 24.3, d + 43.4},
           {"Quillar", false, 1.1, f + 1.3},
           {"10:07:00", true, 189.4, f + 1.6},
       })
    ExpectAt(pages[0], e);
  EXPECT_FALSE(PageText(pages[0]).contains(QStringLiteral("Pág.:")));
}

TEST(Layouts, DetailedRangeHeaderAndFixedHeightBands) {
  std::vector<CitaRow> rows = {Cita(1, 2024, 5, 10, "08:15", QStringLiteral("Primera"), 3, QStringLiteral("Casa")),
                               Cita(2, 2024, 5, 12, "11:40", QStringLiteral("Segunda"))};
  rows[0].Lugar = QStringLiteral("Oficina");
  rows[0].Notas = QStringLiteral("Llamar antes");
  const CabeceraFechas cab{QStringLiteral("01/05/2024"), QStringLiteral("31/05/2024"), QStringLiteral("Casa")};
  const auto pages = Render(LayoutAgendaFechasDetalles(rows, cab, kImpreso), QStringLiteral("detallado"));
  ASSERT_EQ(pages.size(), 1u);
  const double d1 = 20.9, d2 = 20.9 + 72.0, f = 277 - 6.1;
  for (const Expected& e : std::vector<Expected>{
           {"Agenda", false, 1.1, 1.6},
           {"Detallado", false, 173.6, 2.1},
           {"Desde:", true, 18.5, 12.7},
           {"01/05/2024", false, 21.2, 12.7},
           {"Hasta:", false, 45.5, 12.7},
           {"31/05/2024", false, 59.3, 12.7},
           {"Categoría:", false, 97.4, 12.7},
           {"Casa", false, 116.4, 12.7},
           {"Asunto:", true, 21.7, d1 + 4.2},
           {"Primera", false, 24.3, d1 + 4.2},
           {"Inicio:", true, 21.7, d1 + 11.6},
           {"08:15", false, 44.5, d1 + 11.6},
           {"Fin:", true, 97.9, d1 + 11.6},
           {"Categoría:", true, 21.7, d1 + 16.9},
           {"Lugar:", true, 21.7, d1 + 22.2},
           {"Oficina", false, 24.3, d1 + 22.2},
           {"Notas:", true, 21.7, d1 + 27.5},
           {"Llamar", false, 24.3, d1 + 27.5},
           {"Segunda", false, 24.3, d2 + 4.2},
           {"11:40", false, 44.5, d2 + 11.6},
           {"Normal", false, 24.3, d2 + 16.9},
           {"Quillar", false, 1.1, f + 1.3},
           {"Pág.:", false, 86.3 + (103.8 - 86.3) / 2 - 6, f + 0.8},  // centred: checked below
           {"10:07:00", true, 189.4, f + 1.6},
       }) {
    if (QString::fromUtf8(e.word) == QStringLiteral("Pág.:")) continue;
    // The header's "Categoría:" comes first; the band's is searched below it.
    ExpectAt(pages[0], e, e.top > 15 ? kMargin + e.top - 1 : -1);
  }
  // The joined name of the first band's category.
  const auto casa = FindWord(pages[0], QStringLiteral("Casa"), kMargin + d1);
  ASSERT_TRUE(casa);
  EXPECT_NEAR(casa->left - kMargin, 24.3, kTolerance);
  // "Pág.: 1" centred in its box.
  const auto pag = FindWord(pages[0], QStringLiteral("Pág.:"));
  const auto num = FindWord(pages[0], QStringLiteral("1"), kMargin + f);
  ASSERT_TRUE(pag && num);
  EXPECT_NEAR((pag->left + num->right) / 2 - kMargin, (86.3 + 103.8) / 2, kTolerance);
  EXPECT_NEAR(pag->top - kMargin, f + 0.8, kTolerance);
}

TEST(Layouts, SummaryRangeColumnsAndTitleStrip) {
  std::vector<CitaRow> rows = {Cita(1, 2024, 5, 10, "08:15", QStringLiteral("Dentista"), 2, QStringLiteral("Salud")),
                               Cita(2, 2024, 5, 11, "17:05", QStringLiteral("Cena"))};
  rows[0].FechaFin = dt::EncodeDate(2024, 5, 13);
  rows[0].HoraFin = QStringLiteral("09:00");
  const CabeceraFechas cab{QStringLiteral("10/05/2024"), QStringLiteral("11/05/2024"), QStringLiteral("(Todas)")};
  const auto pages = Render(LayoutAgendaFechasResumen(rows, cab, kImpreso), QStringLiteral("resumido"));
  ASSERT_EQ(pages.size(), 1u);
  const double d1 = 34.7, d2 = 34.7 + 5.3;
  for (const Expected& e : std::vector<Expected>{
           {"Agenda", false, 1.1, 1.6},
           {"Resumido", false, 173.6, 2.1},
           {"(Todas)", false, 116.4, 12.7},
           {"Inicio", false, 0.3, 29.6},
           {"Fin", false, 31.5, 29.6},
           {"Asunto", false, 63.8, 29.6},
           {"Categoría", false, 152.4, 29.6},
           {"08:15", false, 15.9, d1},
           {"13/05/2024", false, 31.8, d1},
           {"09:00", false, 47.6, d1},
           {"Dentista", false, 63.5, d1},
           {"Salud", false, 152.4, d1},
           {"11/05/2024", false, 0.0, d2},
           {"17:05", false, 15.9, d2},
           {"Cena", false, 63.5, d2},
           {"Normal", false, 152.4, d2},
       })
    ExpectAt(pages[0], e, e.top >= d1 ? kMargin + e.top - 1 : -1);
  const auto first = FindWord(pages[0], QStringLiteral("10/05/2024"), kMargin + d1 - 1);
  ASSERT_TRUE(first);
  EXPECT_NEAR(first->left - kMargin, 0.0, kTolerance);
}

TEST(Layouts, RangeReportsFlowOverPagesWithNumbersAndHeaders) {
  struct Case {
    const char* name;
    bool summary;
    int rows;
    int perPage;  // (277 - header - footer) / band height, rounded down
  };
  for (const Case& c : {Case{"resumen", true, 100, 44}, Case{"detalle", false, 7, 3}}) {
    SCOPED_TRACE(c.name);
    std::vector<CitaRow> rows;
    for (int i = 0; i < c.rows; ++i)
      rows.push_back(Cita(i + 1, 2024, 5, 10, "08:00", QStringLiteral("Fila%1").arg(i + 1)));
    const CabeceraFechas cab{QStringLiteral("10/05/2024"), QStringLiteral("10/05/2024"), QStringLiteral("(Todas)")};
    const BandReport r = c.summary ? LayoutAgendaFechasResumen(rows, cab, kImpreso)
                                   : LayoutAgendaFechasDetalles(rows, cab, kImpreso);
    const auto pages = Render(r, QString::fromUtf8(c.name));
    const int expectedPages = (c.rows + c.perPage - 1) / c.perPage;
    ASSERT_EQ(static_cast<int>(pages.size()), expectedPages);
    EXPECT_EQ(r.PageCount(), expectedPages);
    int seen = 0;
    for (int p = 0; p < expectedPages; ++p) {
      SCOPED_TRACE(p + 1);
      const QString text = PageText(pages[p]);
      EXPECT_TRUE(text.contains(QStringLiteral("Pág.: %1 ").arg(p + 1))) << text.toStdString();
      EXPECT_EQ(CountWord(pages[p], QStringLiteral("Agenda")), 1);  // the header on every page
      EXPECT_EQ(CountWord(pages[p], QStringLiteral("Quillar")), 1);
      // Rows continue where the previous page stopped, none split or lost.
      const int onPage = std::min(c.perPage, c.rows - seen);
      for (int i = 0; i < onPage; ++i)
        EXPECT_EQ(CountWord(pages[p], QStringLiteral("Fila%1").arg(seen + i + 1)), 1) << seen + i + 1;
      seen += onPage;
      // Every band lies above the footer.
      for (const PdfWord& w : pages[p]) {
        if (w.text.startsWith(QStringLiteral("Fila"))) {
          EXPECT_LT(w.bottom - kMargin, 277 - 6.1 + 0.01);
        }
      }
    }
  }
}

TEST(Layouts, EmptyRangeReportHasHeaderAndFooterOnly) {
  const CabeceraFechas cab{QStringLiteral("10/05/2024"), QStringLiteral("10/05/2024"), QStringLiteral("Normal")};
  const auto pages = Render(LayoutAgendaFechasResumen({}, cab, kImpreso), QStringLiteral("vacio"));
  ASSERT_EQ(pages.size(), 1u);
  // Nothing but the header and the footer, in whatever order pdftotext reads them.
  QStringList found;
  for (const PdfWord& w : pages[0]) found << w.text;
  QStringList expected = (QStringLiteral("Agenda Resumido Desde: 10/05/2024 Hasta: 10/05/2024 Categoría: Normal Inicio "
                                         "Fin Asunto Categoría Quillar Pág.: 1 ") +
                          TextoMomentoImpresion(kImpreso))
                             .split(QLatin1Char(' '));
  found.sort();
  expected.sort();
  EXPECT_EQ(found, expected);
}

TEST(Layouts, NotesLongerThanTheirBoxAreCutNotContinued) {
  QStringList words;
  for (int i = 1; i <= 1500; ++i) words << QStringLiteral("palabra%1").arg(i);
  CitaRow c = Cita(1, 2024, 5, 10, "08:00", QStringLiteral("Larga"));
  c.Notas = words.join(QLatin1Char(' '));
  struct Case {
    const char* name;
    BandReport report;
    double boxTop, boxHeight;
  };
  const CabeceraFechas cab{QStringLiteral("10/05/2024"), QStringLiteral("10/05/2024"), QStringLiteral("(Todas)")};
  for (const Case& k : {Case{"notas_cita", LayoutAgendaCita({c}, kImpreso), 20.9 + 43.4, 196.6},
                        Case{"notas_detalle", LayoutAgendaFechasDetalles({c}, cab, kImpreso), 20.9 + 27.5, 36.2}}) {
    SCOPED_TRACE(k.name);
    const auto pages = Render(k.report, QString::fromUtf8(k.name));
    ASSERT_EQ(pages.size(), 1u);
    int shown = 0;
    for (const PdfWord& w : pages[0]) {
      if (!w.text.startsWith(QStringLiteral("palabra"))) continue;
      // Words start inside the box and stay in its width.
      ++shown;
      EXPECT_LT(w.top - kMargin, k.boxTop + k.boxHeight);
      EXPECT_LE(w.right - kMargin, 24.3 + 156.9 + 0.1);
    }
    EXPECT_GT(shown, 10);
    EXPECT_LT(shown, 1500);
    EXPECT_EQ(CountWord(pages[0], QStringLiteral("palabra1500")), 0);
    // On paper the last line is cut at the box: nothing is inked below it.
    const QImage page(RenderPdfPage(Pdf(QString::fromUtf8(k.name)), 1, 100));
    ASSERT_FALSE(page.isNull());
    const double px = 100 / 25.4;
    int inked = 0;
    for (double y = k.boxTop + k.boxHeight + 0.3; y < k.boxTop + k.boxHeight + 6; y += 0.2)
      for (double x = 24.3; x < 24.3 + 156.9; x += 0.2)
        inked += page.pixelColor(int((kMargin + x) * px), int((kMargin + y) * px)).lightness() < 200;
    EXPECT_EQ(inked, 0);
  }
}

TEST(Layouts, SummaryTextsAreCutAtTheirBoxes) {
  const QString largo = QStringLiteral("Asuntomuylargo") + QString(60, QLatin1Char('x'));
  CitaRow c = Cita(1, 2024, 5, 10, "08:00", largo + QStringLiteral(" cola"), 5, QString(40, QLatin1Char('C')));
  const CabeceraFechas cab{QStringLiteral("10/05/2024"), QStringLiteral("10/05/2024"), QStringLiteral("(Todas)")};
  const auto pages = Render(LayoutAgendaFechasResumen({c}, cab, kImpreso), QStringLiteral("cortes"));
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_EQ(CountWord(pages[0], QStringLiteral("cola")), 0);
  bool asunto = false, categoria = false;
  for (const PdfWord& w : pages[0]) {
    if (w.text.startsWith(QStringLiteral("Asuntomuylargo"))) {
      asunto = true;
      EXPECT_LT(w.text.size(), largo.size());
      EXPECT_LE(w.right - kMargin, 63.5 + 87.0 + 2.5);  // at most the one character the box cuts
    }
    if (w.text.startsWith(QStringLiteral("CCC"))) {
      categoria = true;
      EXPECT_LT(w.text.size(), 40);
      EXPECT_LE(w.right - kMargin, 152.4 + 36.2 + 2.5);
    }
  }
  EXPECT_TRUE(asunto);
  EXPECT_TRUE(categoria);
}

TEST(Layouts, GreyBarsArePaintedBehindTheTexts) {
  CitaRow c = Cita(1, 2024, 5, 10, "08:00", QStringLiteral("Gris"));
  const CabeceraFechas cab{QStringLiteral("10/05/2024"), QStringLiteral("10/05/2024"), QStringLiteral("(Todas)")};
  struct Case {
    const char* name;
    BandReport report;
    double x, y;  // a point of a bar, mm from the paper's corner, clear of text
    QColor grey;
  };
  for (const Case& k : {Case{"barra_cita", LayoutAgendaCita({c}, kImpreso), 10 + 185, 10 + 20.9 + 6, QColor(224, 224, 224)},
                        Case{"barra_resumen", LayoutAgendaFechasResumen({c}, cab, kImpreso), 10 + 120, 10 + 31.7,
                             QColor(223, 223, 223)},
                        Case{"barra_resumen_izq", LayoutAgendaFechasResumen({c}, cab, kImpreso), 10 - 0.5, 10 + 31.7,
                             QColor(223, 223, 223)}}) {
    SCOPED_TRACE(k.name);
    const QString pdf = Pdf(QString::fromUtf8(k.name));
    SaveReportPdf(k.report, pdf);
    const QImage page(RenderPdfPage(pdf, 1, 72));
    ASSERT_FALSE(page.isNull());
    const double px = 72 / 25.4;
    EXPECT_EQ(page.pixelColor(int(k.x * px), int(k.y * px)), k.grey);
    // Just outside the bar the paper is white.
    EXPECT_EQ(page.pixelColor(int(k.x * px), int((k.y + 6) * px)), QColor(Qt::white));
  }
}
