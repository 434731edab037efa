#include <QApplication>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest/QTest>
#include <map>

#include "MaintenanceTestSupport.h"
#include "app/AppPaths.h"
#include "app/UAgendaUtil.h"
#include "app/UCategoriaClass.h"
#include "app/UConfigAgenda.h"
#include "core/Clock.h"
#include "core/Messages.h"
#include "data/Table.h"
#include "maintenance/TestData.h"
#include "maintenance/UGeneraDatos.h"

using namespace mtest;

namespace {

const TDate kHoy = dt::EncodeDate(2024, 5, 10);

TextosPrueba Textos() {
  TextosPrueba t;
  t.Frases = {"Reunión", "", "Llamar al gestor", "   ", "Oficina"};
  t.Texto = "Primera línea\r\nSegunda línea de las notas";
  return t;
}

TEST(GenerarCitaTest, ValuesFollowTheRules) {
  TAzar azar(12345);
  const TextosPrueba textos = Textos();
  const int kN = 20000;
  int vacias = 0, sinCategoria = 0, finSiguienteDia = 0;
  bool ejemplo2230 = false;
  std::map<int, int> avisos;
  for (int i = 0; i < kN; ++i) {
    const TCitaPrueba c = GenerarCita(azar, textos, 3, kHoy);
    ASSERT_GE(c.FechaIni, kHoy - 199);
    ASSERT_LE(c.FechaIni, kHoy + 999);
    // Start: hours 00..22, minutes 00, 15 or 30, so never after 22:30.
    ASSERT_EQ(c.HoraIni.size(), 5);
    const int hh = c.HoraIni.left(2).toInt(), mm = c.HoraIni.mid(3).toInt();
    ASSERT_LE(hh, 22) << c.HoraIni.toStdString();
    ASSERT_TRUE(mm == 0 || mm == 15 || mm == 30) << c.HoraIni.toStdString();
    // End: start plus 0 to 465 minutes in steps of 15, maybe the next day.
    const int len = MinutosEntre(FechaHora(c.FechaIni, c.HoraIni), FechaHora(c.FechaFin, c.HoraFin));
    ASSERT_GE(len, 0);
    ASSERT_LE(len, 465);
    ASSERT_EQ(len % 15, 0);
    if (c.FechaFin > c.FechaIni) ++finSiguienteDia;
    if (c.HoraIni == "22:30" && len == 465) {
      EXPECT_EQ(c.FechaFin, c.FechaIni + 1);
      EXPECT_EQ(c.HoraFin, "06:15");
      ejemplo2230 = true;
    }
    ASSERT_TRUE(textos.Frases.contains(c.Asunto) && !c.Asunto.trimmed().isEmpty()) << c.Asunto.toStdString();
    ASSERT_TRUE(textos.Frases.contains(c.Lugar) && !c.Lugar.trimmed().isEmpty());
    ASSERT_GE(c.Aviso, 0);
    ASSERT_LE(c.Aviso, 9);
    ++avisos[c.Aviso];
    ASSERT_GE(c.Tipo, -1);
    ASSERT_LE(c.Tipo, 1);
    if (c.Tipo == -1) ++sinCategoria;
    ASSERT_TRUE(textos.Texto.startsWith(c.Notas));
    if (c.Notas.isEmpty()) ++vacias;
  }
  EXPECT_TRUE(ejemplo2230);
  EXPECT_GT(finSiguienteDia, 0);
  EXPECT_EQ(avisos.size(), 10u);
  // Random(27) odd gives no notes (13 in 27), and an even draw may cut the
  // text at 0 characters: about half are empty.
  EXPECT_NEAR(double(vacias) / kN, 0.5, 0.05);
  EXPECT_NEAR(double(sinCategoria) / kN, 1.0 / 3, 0.03);
}

TEST(GenerarCitaTest, RandomIsUniformBelowN) {
  TAzar azar(7);
  std::map<int, int> seen;
  for (int i = 0; i < 3000; ++i) ++seen[azar.Random(3)];
  EXPECT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen.begin()->first, 0);
  EXPECT_EQ(seen.rbegin()->first, 2);
  EXPECT_EQ(azar.Random(0), 0);
  EXPECT_EQ(azar.Random(1), 0);
}

class GeneraDatosTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tmp.isValid());
    folder = tmp.path() + "/datos/";
    work = tmp.path() + "/trabajo/";
    QDir().mkpath(folder);
    QDir().mkpath(work);
    previous = QDir::currentPath();
    QDir::setCurrent(work);
    AppPaths::SetProgramFolder(tmp.path() + "/programa");
    QDir().mkpath(tmp.path() + "/programa");
    ConfigAgenda = TConfigAgenda{};
    ConfigAgenda.DataPath = folder;
    Clock::SetSource([] { return kHoy + 0.5; });
    SetMessageAnswerer([this](const MessageRequest& r) {
      messages << r.text;
      return int(mrOk);
    });
  }
  void TearDown() override {
    QDir::setCurrent(previous);
    AppPaths::SetProgramFolder({});
    Clock::SetSource({});
    SetMessageAnswerer({});
  }
  void WriteTexts(const QString& dir, const QByteArray& frases = "Uno\nDos\n\nTres\n") {
    WriteFile(dir + "Frases.txt", frases);
    WriteFile(dir + "Texto.txt", "Texto de prueba\nsegunda línea\n");
  }
  // AGENDA with `n` appointments and CATEGORIAS with three categories.
  void MakeTables(int n) {
    CrearTablaAgenda(folder);
    ASSERT_TRUE(CrearTablaCategorias(folder));
    data::Table cat(folder.toStdString(), "CATEGORIAS.DBF");
    cat.Open();
    for (int id = 1; id <= 2; ++id) {
      cat.Append();
      cat.FieldByName("ID").SetAsInteger(id);
      cat.FieldByName("CATEGORIA").SetAsString("Cat " + std::to_string(id));
      ASSERT_TRUE(cat.Post());
    }
    // n old appointments, written by Perl's XBase and copied in bulk.
    const QString old = tmp.path() + "/VIEJAS";  // XBase adds ".dbf"
    QProcess perl;
    perl.start("perl", {"-MXBase", "-e",
                        "my $t = XBase->create(name => $ARGV[0], field_names => ['ID', 'ASUNTO'],"
                        " field_types => ['N', 'C'], field_lengths => [20, 20], field_decimals => [4, 0])"
                        " or die XBase->errstr; $t->set_record($_ - 1, 1000 + $_, 'vieja') for 1 .. $ARGV[1];"
                        " $t->close;",
                        old, QString::number(n)});
    ASSERT_TRUE(perl.waitForFinished(30000));
    ASSERT_EQ(perl.exitCode(), 0) << perl.readAllStandardError().toStdString();
    data::Table viejas(tmp.path().toStdString() + "/", "VIEJAS");
    viejas.Open();
    data::Table t(folder.toStdString(), "AGENDA.DBF");
    t.Open();
    t.AppendAllFrom(viejas);
    ASSERT_EQ(t.RecordCount(), static_cast<std::uint32_t>(n));
  }
  QString DumpAgenda() {
    return Python(
        "import sys, dbfread\n"
        "t = dbfread.DBF(sys.argv[1], encoding='cp1252')\n"
        "for r in t: print(int(r['ID']), int(r['TIPO']), r['HORA_INI'], r['F_AVISO'], r['H_AVISO'], r['ASUNTO'])\n",
        {folder + "AGENDA.DBF"});
  }
  QTemporaryDir tmp;
  QString folder, work, previous;
  QStringList messages;
};

TEST_F(GeneraDatosTest, HundredIntoATableOfFiveHundredLeavesExactlyOneToHundred) {
  MakeTables(500);
  TextosPrueba textos;
  QString error;
  WriteTexts(work);
  ASSERT_TRUE(CargarTextosPrueba(textos, error)) << error.toStdString();
  TAzar azar(99);
  std::vector<int> avance;
  GenerarCitas(folder, 100, textos, azar, [&](int i) { avance.push_back(i); });
  ASSERT_EQ(avance.size(), 100u);
  EXPECT_EQ(avance.front(), 1);
  EXPECT_EQ(avance.back(), 100);

  const QStringList rows = DumpAgenda().split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(rows.size(), 100);
  for (int i = 0; i < rows.size(); ++i) {
    const QStringList f = rows[i].split(' ');
    EXPECT_EQ(f[0].toInt(), i + 1);
    EXPECT_GE(f[1].toInt(), -1);  // three categories: -1, 0 or 1
    EXPECT_LE(f[1].toInt(), 1);
    EXPECT_NE(f[3], "None") << rows[i].toStdString();  // reminder computed
    EXPECT_TRUE(f[5] == "Uno" || f[5] == "Dos" || f[5] == "Tres") << rows[i].toStdString();
  }
}

TEST_F(GeneraDatosTest, SampleTextsComeFromTheWorkingFolderThenBesideTheProgram) {
  TextosPrueba textos;
  QString error;
  EXPECT_FALSE(CargarTextosPrueba(textos, error));
  EXPECT_TRUE(error.contains("Frases.txt")) << error.toStdString();

  WriteTexts(tmp.path() + "/programa/", "Del programa\n");
  ASSERT_TRUE(CargarTextosPrueba(textos, error));
  EXPECT_EQ(textos.Frases, QStringList{"Del programa"});
  EXPECT_EQ(textos.Texto, "Texto de prueba\r\nsegunda línea");

  WriteTexts(work, "Del trabajo\r\n\r\nOtra\r\n");
  ASSERT_TRUE(CargarTextosPrueba(textos, error));
  EXPECT_EQ(textos.Frases, (QStringList{"Del trabajo", "", "Otra"}));

  WriteTexts(work, "\n  \n\n");
  EXPECT_FALSE(CargarTextosPrueba(textos, error));
  EXPECT_EQ(error, "El fichero \"Frases.txt\" no contiene ninguna frase.");
}

TEST_F(GeneraDatosTest, WindowWithoutSampleTextsSaysSoAndChangesNothing) {
  MakeTables(5);
  const QByteArray before = ReadFile(folder + "AGENDA.DBF");
  QStringList calls;
  MainWindowLink link;
  link.CloseTable = [&] { calls << "close"; };
  TfrmGenerarDatos dlg(link);
  dlg.show();
  QTest::mouseClick(dlg.btnGenerar, Qt::LeftButton);
  ASSERT_EQ(messages.size(), 1);
  EXPECT_TRUE(messages[0].contains("Frases.txt"));
  EXPECT_TRUE(calls.isEmpty());
  EXPECT_EQ(ReadFile(folder + "AGENDA.DBF"), before);
  EXPECT_TRUE(dlg.isVisible());
}

TEST_F(GeneraDatosTest, WindowGeneratesWithTheMainTableClosedAndItsRefreshStopped) {
  MakeTables(5);
  WriteTexts(work);
  QStringList calls;
  const MainWindowLink link = RecordingLink(calls);
  TfrmGenerarDatos dlg(link);
  dlg.show();
  EXPECT_EQ(dlg.edtCantidad->value(), 1000);
  EXPECT_EQ(dlg.edtCantidad->minimum(), 100);
  EXPECT_EQ(dlg.edtCantidad->maximum(), 100000000);
  EXPECT_EQ(dlg.edtCantidad->singleStep(), 100);
  dlg.edtCantidad->setValue(100);
  int maximo = 0;
  SetMessageAnswerer([&](const MessageRequest& r) {
    messages << r.text;
    maximo = dlg.ProgressBar->maximum();
    return int(mrOk);
  });
  QTest::mouseClick(dlg.btnGenerar, Qt::LeftButton);
  EXPECT_EQ(messages, QStringList{"Datos generados"});
  EXPECT_EQ(maximo, 100);
  EXPECT_EQ(dlg.ProgressBar->value(), 0);
  EXPECT_EQ(calls, (QStringList{"stop", "close", "open", "start"}));
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
  EXPECT_EQ(DumpAgenda().count('\n'), 100);
}

TEST_F(GeneraDatosTest, FailureIsShownAndTheMainWindowGetsItsTableBack) {
  // No CATEGORIAS table: the run stops before touching AGENDA.
  CrearTablaAgenda(folder);
  WriteTexts(work);
  QStringList calls;
  const MainWindowLink link = RecordingLink(calls);
  TfrmGenerarDatos dlg(link);
  dlg.show();
  QTest::mouseClick(dlg.btnGenerar, Qt::LeftButton);
  ASSERT_EQ(messages.size(), 1);
  EXPECT_NE(messages[0], "Datos generados");
  EXPECT_EQ(calls, (QStringList{"stop", "close", "open", "start"}));
  EXPECT_TRUE(dlg.isVisible());
  EXPECT_TRUE(dlg.btnGenerar->isEnabled());
}

}  // namespace
