// The commands of quillar-data built on the program's own code (init, the
// maintenance commands, print), run as separate processes as a script would.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <map>
#include <string>

#include "data/Table.h"

namespace {

struct CommandRun {
  int code = -1;
  QString out;
  QString err;
};

CommandRun Data(const QStringList& args) {
  QProcess p;
  p.start(QStringLiteral(QUILLAR_DATA_EXE), args);
  p.waitForFinished(120000);
  return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
          QString::fromUtf8(p.readAllStandardError())};
}

// ID -> subject of every visible appointment of a folder.
std::map<int, std::string> Appointments(const QString& folder) {
  data::Table t(QDir(folder).absolutePath().toStdString() + "/", "AGENDA.DBF");
  t.Open(data::OpenMode::ReadOnly);
  std::map<int, std::string> rows;
  for (t.First(); !t.Eof(); t.Next())
    rows[t.FieldByName("ID").AsInteger()] = t.FieldByName("ASUNTO").AsString();
  return rows;
}

TEST(CommandsTest, InitCreatesTheTablesAndKeepsExistingData) {
  QTemporaryDir dir;
  const QString folder = dir.path();
  CommandRun r = Data({"init", folder});
  ASSERT_EQ(r.code, 0) << r.err.toStdString();
  EXPECT_TRUE(QFile::exists(folder + "/AGENDA.DBF"));
  {
    data::Table cats(folder.toStdString() + "/", "CATEGORIAS.DBF");
    cats.Open(data::OpenMode::ReadOnly);
    cats.First();
    ASSERT_FALSE(cats.Eof());
    EXPECT_EQ(cats.FieldByName("CATEGORIA").AsString(), "Normal");
  }
  {
    data::Table t(folder.toStdString() + "/", "AGENDA.DBF");
    t.Open();
    t.Append();
    t.FieldByName("ID").SetAsInteger(7);
    t.FieldByName("ASUNTO").SetAsString("Dentista");
    t.Post();
  }
  r = Data({"init", folder});
  EXPECT_EQ(r.code, 0) << r.err.toStdString();
  EXPECT_EQ(Appointments(folder), (std::map<int, std::string>{{7, "Dentista"}}));

  r = Data({"init", folder + "/no-existe"});
  EXPECT_EQ(r.code, 2);
  EXPECT_TRUE(r.err.contains("no existe la carpeta")) << r.err.toStdString();
}

TEST(CommandsTest, GenerateBackupReorganizeRestoreAndPrintAFolder) {
  QTemporaryDir dir;
  const QString data = dir.path() + "/datos", copies = dir.path() + "/copias", other = dir.path() + "/otra";
  for (const QString& f : {data, copies, other}) ASSERT_TRUE(QDir().mkpath(f));
  ASSERT_EQ(Data({"init", data}).code, 0);

  CommandRun r = Data({"generate", data, "40"});
  ASSERT_EQ(r.code, 0) << r.err.toStdString();
  const auto generated = Appointments(data);
  ASSERT_EQ(generated.size(), 40u);

  r = Data({"backup", data, copies});
  ASSERT_EQ(r.code, 0) << r.err.toStdString();
  const QString archive = r.out.trimmed();
  EXPECT_TRUE(QRegularExpression(R"(/AGENDA_\d{12}\.zip$)").match(archive).hasMatch()) << archive.toStdString();
  EXPECT_TRUE(QFile::exists(archive));

  r = Data({"reorganize", data});
  ASSERT_EQ(r.code, 0) << r.err.toStdString();
  EXPECT_EQ(Appointments(data), generated);

  r = Data({"restore", archive, other});
  ASSERT_EQ(r.code, 0) << r.err.toStdString();
  EXPECT_EQ(Appointments(other), generated);

  const QString pdf = dir.path() + "/agenda.pdf";
  r = Data({"print", data, "1990-01-01", "2099-12-31", pdf, "--resumido"});
  ASSERT_EQ(r.code, 0) << r.err.toStdString();
  QFile f(pdf);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_TRUE(f.read(5) == "%PDF-");
}

TEST(CommandsTest, BadUseAndFailuresAreReportedWithTheirExitCodes) {
  QTemporaryDir dir;
  struct Case {
    QStringList args;
    int code;
    const char* message;
  };
  const Case cases[] = {
      {{"frobnicate", dir.path()}, 1, "uso: quillar-data"},
      {{"init"}, 1, "uso: quillar-data"},
      {{"generate", dir.path(), "cero"}, 1, "entero positivo"},
      {{"backup", dir.path(), dir.path() + "/no-existe"}, 1, "ruta inexistente"},
      {{"restore", dir.path() + "/nada.zip"}, 2, "uso: quillar-data"},
  };
  for (const Case& c : cases) {
    const CommandRun r = Data(c.args);
    EXPECT_EQ(r.code, c.code) << c.args.join(' ').toStdString();
    EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.message))) << c.args.join(' ').toStdString() << ": " << r.err.toStdString();
  }
}

}  // namespace
