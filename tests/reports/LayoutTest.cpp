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
