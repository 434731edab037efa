#pragma once
// Helpers shared by the maintenance tests: files on disk, an independent zip
// reader and writer (Python's zipfile), the data and backup folders, and a
// recording link to the main window.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/UAgendaUtil.h"
#include "core/DateTime.h"
#include "data/Table.h"
#include "data/TableTestSupport.h"
#include "maintenance/MainWindowLink.h"

namespace mtest {

inline void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
  f.write(bytes);
}

inline QByteArray ReadFile(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Runs a Python 3 script with the given arguments; returns its standard
// output, failing the test when the script fails.
inline QString Python(const QString& script, const QStringList& args = {}) {
  QProcess p;
  p.start(QStringLiteral("/usr/bin/python3"), QStringList{QStringLiteral("-c"), script} + args);
  p.waitForFinished(30000);
  EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
  return QString::fromUtf8(p.readAllStandardOutput());
}

// Every file name of a folder (hidden ones too), sorted.
inline QStringList Listing(const QString& folder) {
  return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

// AGENDA as the program makes it, with five appointments, notes on the odd
// ones, and the third one deleted.
inline void MakeAgendaTable(const QString& folder) {
  CrearTablaAgenda(folder);
  data::Table t(folder.toStdString(), "AGENDA.DBF");
  t.Open();
  for (int id = 1; id <= 5; ++id) {
    t.Append();
    t.FieldByName("ID").SetAsInteger(id);
    t.FieldByName("FECHA_INI").SetAsDate(dt::EncodeDate(2024, 5, 20 - id));
    t.FieldByName("HORA_INI").SetAsString("10:00");
    t.FieldByName("ASUNTO").SetAsString("Cita " + std::to_string(id));
    if (id % 2 == 1) t.FieldByName("NOTAS").SetAsString("Notas de la cita " + std::to_string(id) + " con eñe");
    ASSERT_TRUE(t.Post());
  }
  t.SetIndexName("ID");
  ASSERT_TRUE(t.FindKey(3));
  t.Delete();
}

// Gives the AGENDA of `folder` one more tag, on a function this program does
// not evaluate (another program's, as it would write it): the table then
// opens only for reading.
inline void AddForeignTag(const QString& folder) {
  {
    data::Table t(folder.toStdString(), "AGENDA.DBF");
    t.Open(data::OpenMode::Exclusive);
    t.AddIndex({"RARO", "UPPER(HORA_FIN)", false});
  }
  ASSERT_FALSE(testdata::ReplaceInFile((folder + "AGENDA.MDX").toStdString(), "UPPER(HORA_FIN)",
                                       std::string("SOUNDEX(HORA_FIN)") + '\0')
                   .empty());
}

// The IDs of a table's visible records in the order of its tag, or in file
// order for tag "".
inline std::vector<int> IdsOf(const QString& folder, const char* table, const char* tag) {
  data::Table t(folder.toStdString(), table);
  t.Open(data::OpenMode::ReadOnly);
  t.SetIndexName(tag);
  std::vector<int> ids;
  for (t.First(); !t.Eof(); t.Next()) ids.push_back(static_cast<int>(t.FieldByName("ID").AsInteger()));
  return ids;
}

// Another process holding a table open (shared) until the object goes.
class TableHolder {
 public:
  TableHolder(const QString& folder, const QString& table) {
    p_.start(QStringLiteral(HOLD_TABLE_PROGRAM), {folder, table});
    EXPECT_TRUE(p_.waitForReadyRead(10000));
    EXPECT_EQ(p_.readLine().trimmed(), "ready");
  }
  ~TableHolder() {
    p_.closeWriteChannel();
    p_.waitForFinished(5000);
  }

 private:
  QProcess p_;
};

// A temporary data folder and a folder for backup archives beside it.
class DataFoldersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tmp.isValid());
    data = tmp.path() + "/datos/";
    dest = tmp.path() + "/copias/";
    QDir().mkpath(data);
    QDir().mkpath(dest);
  }
  QTemporaryDir tmp;
  QString data, dest;
};

// A link to the main window that records what the maintenance window asks of
// it: "close", "open", "stop", "start".
inline MainWindowLink RecordingLink(QStringList& calls) {
  MainWindowLink link;
  link.CloseTable = [&calls] { calls << "close"; };
  link.OpenTable = [&calls] { calls << "open"; };
  link.StopRefresh = [&calls] { calls << "stop"; };
  link.StartRefresh = [&calls] { calls << "start"; };
  return link;
}

}  // namespace mtest
