#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <cstdio>

#include "app/UAgendaUtil.h"
#include "app/UCategoriaClass.h"
#include "app/VigiaTablas.h"
#include "data/Table.h"

namespace {
class VigiaTablasTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    folder = dir.path() + "/";
    CrearTablaAgenda(folder);
  }
  static void Anadir(const QString& carpeta, int id) {
    data::Table t(carpeta.toStdString(), "AGENDA");
    t.Open();
    t.Append();
    t.FieldByName("ID").SetAsInteger(id);
    t.FieldByName("FECHA_INI").SetAsDate(dt::EncodeDate(2004, 3, 12));
    t.FieldByName("FECHA_FIN").SetAsDate(dt::EncodeDate(2004, 3, 12));
    t.FieldByName("ASUNTO").SetAsString("Cita");
    ASSERT_TRUE(t.Post());
  }
  QTemporaryDir dir;
  QString folder;
  std::vector<QStringList> avisos;
  VigiaTablas vigia{[this](const QStringList& t) { avisos.push_back(t); }};
};
}  // namespace

// Without reports from the file system (as on a network share) a poll finds
// a change, once; a state taken as known is not told back.
TEST_F(VigiaTablasTest, ComparingTellsEachNewStateOnceAndNotWhatWasTakenAsKnown) {
  vigia.SetPollInterval(0);
  vigia.Vigilar(folder, {"AGENDA", "CATEGORIAS"});
  const int listados = vigia.Listados();
  vigia.Comprobar();
  EXPECT_TRUE(avisos.empty());
  Anadir(folder, 1);
  vigia.Comprobar();
  ASSERT_EQ(avisos.size(), 1u);
  EXPECT_EQ(avisos[0], QStringList{"AGENDA"});
  vigia.Comprobar();
  EXPECT_EQ(avisos.size(), 1u);

  Anadir(folder, 2);  // our own store
  vigia.Asumir();
  vigia.Comprobar();
  EXPECT_EQ(avisos.size(), 1u);

  // A table that appears counts as a change of it.
  ASSERT_TRUE(CrearTablaCategorias(folder));
  vigia.Comprobar();
  ASSERT_EQ(avisos.size(), 2u);
  EXPECT_EQ(avisos[1], QStringList{"CATEGORIAS"});
  // A poll looks at the files it knows, without listing the folder (slow
  // on a network share).
  EXPECT_EQ(vigia.Listados(), listados);

  // Files renamed to another case are found again, and then their changes.
  for (const char* f : {"AGENDA.DBF", "AGENDA.DBT", "AGENDA.MDX"})
    ASSERT_TRUE(QFile::rename(folder + f, folder + QString::fromLatin1(f).toLower())) << f;
  vigia.Comprobar();
  vigia.Comprobar();
  EXPECT_EQ(vigia.Listados(), listados + 1);
  const std::size_t tras = avisos.size();
  Anadir(folder, 3);
  vigia.Comprobar();
  ASSERT_EQ(avisos.size(), tras + 1);
  EXPECT_EQ(avisos.back(), QStringList{"AGENDA"});
}

// The file system's reports alone (no poll): a table whose files were
// replaced by a rename is reported, and so is the next change of the new
// files, which are watched under the same names.
TEST_F(VigiaTablasTest, FilesReplacedByARenameAreStillWatched) {
  QTemporaryDir otra;
  ASSERT_TRUE(otra.isValid());
  const QString otraCarpeta = otra.path() + "/";
  CrearTablaAgenda(otraCarpeta);
  Anadir(otraCarpeta, 7);

  vigia.SetPollInterval(0);
  vigia.Vigilar(folder, {"AGENDA"});
  for (const char* f : {"AGENDA.DBF", "AGENDA.DBT", "AGENDA.MDX"})
    ASSERT_EQ(std::rename((otraCarpeta + f).toLocal8Bit().constData(), (folder + f).toLocal8Bit().constData()), 0)
        << f;
  ASSERT_TRUE(QTest::qWaitFor([&] { return !avisos.empty(); }, 5000));
  QTest::qWait(2 * VigiaTablas::kPausaMs);
  const std::size_t tras = avisos.size();

  Anadir(folder, 8);
  ASSERT_TRUE(QTest::qWaitFor([&] { return avisos.size() > tras; }, 5000));
  EXPECT_EQ(avisos.back(), QStringList{"AGENDA"});
}
