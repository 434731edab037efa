#include "maintenance/DataCommands.h"

#include <QTemporaryDir>
#include <QTextStream>

#include "MaintenanceTestSupport.h"
#include "app/AppPaths.h"
#include "app/UAgendaUtil.h"
#include "app/UCategoriaClass.h"
#include "app/UConfigAgenda.h"
#include "core/Clock.h"
#include "data/Table.h"

using namespace mtest;

namespace {

class DataCommandsTest : public DataFoldersTest {
 protected:
  void SetUp() override {
    DataFoldersTest::SetUp();
    Clock::SetSource([] { return dt::EncodeDate(2024, 5, 10) + dt::EncodeTime(14, 35, 0, 0); });
  }
  void TearDown() override { Clock::SetSource({}); }
  int Run(const QStringList& args) {
    out.clear();
    err.clear();
    QTextStream o(&out), e(&err);
    return RunMaintenanceCommand(args, o, e);
  }
  QString out, err;
};

TEST_F(DataCommandsTest, BackupReorganizeRestoreRoundTrip) {
  CrearTablaAgenda(data);
  {
    data::Table t(data.toStdString(), "AGENDA.DBF");
    t.Open();
    t.Append();
    t.FieldByName("ID").SetAsInteger(1);
    t.FieldByName("ASUNTO").SetAsString("Primera");
    ASSERT_TRUE(t.Post());
  }
  ASSERT_EQ(Run({"backup", data, dest}), 0) << err.toStdString();
  EXPECT_EQ(out, dest + "AGENDA_202405101435.zip\n");
  {
    // While another program has the tables open: refused, nothing touched.
    TableHolder holder(data, "AGENDA.DBF");
    const QByteArray before = ReadFile(data + "AGENDA.DBF");
    EXPECT_EQ(Run({"restore", dest + "AGENDA_202405101435.zip", data}), 1);
    EXPECT_TRUE(err.startsWith("No se puede restaurar la copia de seguridad: los datos están siendo")) << err.toStdString();
    EXPECT_EQ(ReadFile(data + "AGENDA.DBF"), before);
  }
  ASSERT_EQ(Run({"reorganize", data}), 0) << err.toStdString();
  QFile::remove(data + "AGENDA.DBF");
  ASSERT_EQ(Run({"restore", dest + "AGENDA_202405101435.zip", data}), 0) << err.toStdString();
  data::Table t(data.toStdString(), "AGENDA.DBF");
  t.Open();
  EXPECT_EQ(t.RecordCount(), 1u);
}

TEST_F(DataCommandsTest, ReorganizingATableWithATagItCannotKeepSaysWhyNotThatItIsInUse) {
  MakeAgendaTable(data);
  AddForeignTag(data);
  const QByteArray mdx = ReadFile(data + "AGENDA.MDX");
  EXPECT_FALSE(TablasEnUso(data));
  EXPECT_EQ(Run({"reorganize", data}), 1);
  EXPECT_TRUE(err.contains("SOUNDEX(HORA_FIN)")) << err.toStdString();
  EXPECT_FALSE(err.contains("utilizados")) << err.toStdString();
  EXPECT_EQ(ReadFile(data + "AGENDA.MDX"), mdx);
  // Held by another program it is in use all the same.
  TableHolder holder(data, "AGENDA.DBF");
  EXPECT_TRUE(TablasEnUso(data));
}

TEST_F(DataCommandsTest, FailuresExitNonZeroWithTheSpanishMessage) {
  WriteFile(dest + "x.rar", "Rar!");
  struct Case {
    QStringList args;
    int code;
    const char* message;
  } cases[] = {
      {{"backup", "DATA", "DEST"}, 1, "No se han encontrado los ficheros a copiar en:\n\""},
      {{"backup", "DATA", "/no/existe"}, 1, "¡Se ha introducido una ruta inexistente!"},
      {{"restore", "DEST/x.rar", "DATA"}, 1, "El fichero seleccionado no tiene un formato soportado\npor el programa."},
      {{"generate", "DATA", "0"}, 1, "El número de citas debe ser un entero positivo."},
      {{"generate", "DATA", "10"}, 1, "No se encuentran los ficheros de ejemplo"},
      {{"reorganize"}, 2, "uso: quillar-data"},
      {{"backup", "DATA"}, 2, "uso: quillar-data"},
  };
  AppPaths::SetProgramFolder(tmp.path());
  for (Case& c : cases) {
    for (QString& a : c.args) a.replace("DATA", data).replace("DEST", dest);
    EXPECT_EQ(Run(c.args), c.code) << c.args.join(' ').toStdString();
    EXPECT_TRUE(err.startsWith(QString::fromUtf8(c.message))) << err.toStdString();
  }
  AppPaths::SetProgramFolder({});
  EXPECT_TRUE(IsMaintenanceCommand({"generate"}));
  EXPECT_FALSE(IsMaintenanceCommand({"info"}));
}

}  // namespace
