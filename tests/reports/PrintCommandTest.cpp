// quillar-data print: the range report of a data folder written to PDF.
#include <QDir>
#include <QFile>
#include <sstream>

#include "PdfWords.h"
#include "ReportsFixture.h"
#include "app/UConfigAgenda.h"
#include "reports/PrintCommand.h"

namespace {

class PrintCommandTest : public ReportsFixture {
 protected:
  int Run(std::vector<std::string> args) {
    out.str({});
    err.str({});
    return reports::PrintCommand(args, out, err);
  }
  std::string Pdf(const char* name) { return QDir::temp().filePath(name).toStdString(); }
  std::ostringstream out, err;
};

const TDate k1Mar = dt::EncodeDate(2024, 3, 1);

}  // namespace

TEST_F(PrintCommandTest, BadUseAndReversedDatesWriteNothing) {
  const std::string f = folder.toStdString();
  const std::string pdf = Pdf("nada.pdf");
  for (const auto& args : std::vector<std::vector<std::string>>{
           {},
           {f, "2024-03-01", "2024-03-31"},
           {f, "2024-03-01", "31/03/2024", pdf},
           {f, "2024-02-30", "2024-03-31", pdf},
           {f, "2024-03-01", "2024-03-31", pdf, "--categoria"},
           {f, "2024-03-01", "2024-03-31", pdf, "--categoria", "x"},
           {f, "2024-03-31", "2024-03-01", pdf},
       }) {
    EXPECT_EQ(Run(args), 1);
    EXPECT_FALSE(err.str().empty());
    EXPECT_FALSE(QFile::exists(QString::fromStdString(pdf)));
  }
  EXPECT_EQ(err.str(), "La fecha hasta debe ser mayor o igual que la fecha desde.\n");
}

TEST_F(PrintCommandTest, EmptyRangeSaysSoAndWritesNothing) {
  AddCita(1, k1Mar - 1, "10:00", "Antes");
  const std::string pdf = Pdf("vacio.pdf");
  EXPECT_EQ(Run({folder.toStdString(), "2024-03-01", "2024-03-31", pdf}), 1);
  EXPECT_EQ(err.str(), "No hay datos entre las fechas indicadas\n");
  EXPECT_FALSE(QFile::exists(QString::fromStdString(pdf)));
}

TEST_F(PrintCommandTest, WritesTheRangeReportOfTheFolder) {
  AddCategoria(6, "Deporte");
  for (int i = 0; i < 60; ++i) AddCita(i + 1, k1Mar + i % 20, "10:00", "Correr", i % 2 ? 6 : 0);
  AddCita(100, k1Mar + 25, "10:00", "Fuera");
  struct Case {
    std::vector<std::string> extra;
    const char* kind;
    const char* category;
    int rows, pages;
  };
  for (const Case& c : {Case{{"--resumido"}, "Resumido", "(Todas)", 60, 2},
                        Case{{"--resumido", "--categoria", "6"}, "Resumido", "Deporte", 30, 1},
                        Case{{"--categoria", "0"}, "Detallado", "Normal", 30, 10}}) {
    SCOPED_TRACE(c.category);
    const std::string pdf = Pdf("rango.pdf");
    std::vector<std::string> args{folder.toStdString(), "2024-03-01", "2024-03-20", pdf};
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    ASSERT_EQ(Run(args), 0) << err.str();
    const auto pages = ReadPdfWords(QString::fromStdString(pdf));
    ASSERT_EQ(static_cast<int>(pages.size()), c.pages);
    EXPECT_EQ(out.str(), pdf + ": " + std::to_string(c.pages) + (c.pages == 1 ? " página\n" : " páginas\n"));
    int rows = 0;
    for (const PdfPage& p : pages) {
      rows += CountWord(p, "Correr");
      EXPECT_EQ(CountWord(p, "Fuera"), 0);
      EXPECT_TRUE(PageText(p).contains(QString::fromUtf8(c.kind)));
      EXPECT_TRUE(PageText(p).contains(QStringLiteral("Categoría: ") + QString::fromUtf8(c.category)));
    }
    EXPECT_EQ(rows, c.rows);
  }
  EXPECT_EQ(ConfigAgenda.DataPath, folder);  // the program's settings are left as they were
}

TEST_F(PrintCommandTest, UnwritableOutputFails) {
  AddCita(1, k1Mar, "10:00", "Una");
  EXPECT_EQ(Run({folder.toStdString(), "2024-03-01", "2024-03-01", folder.toStdString() + "no/existe/x.pdf"}), 2);
  EXPECT_NE(err.str().find("No se puede escribir"), std::string::npos);
}
