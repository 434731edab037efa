#include <algorithm>

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest/QTest>

#include "MaintenanceTestSupport.h"
#include "data/TableTestSupport.h"
#include "app/TableSchemas.h"
#include "app/UAgendaUtil.h"
#include "app/UCategoriaClass.h"
#include "app/UConfigAgenda.h"
#include "core/Messages.h"
#include "data/Table.h"
#include "maintenance/TableRebuild.h"
#include "maintenance/UReindex.h"

using namespace mtest;

namespace {

// Whether the table engine can give a table without memo fields (level byte
// 0x03) a production index; while it cannot, CATEGORIAS is rebuilt without
// its indexes and the reorganisation reports it.
bool EngineIndexesTablesWithoutMemo() {
  QTemporaryDir dir;
  data::Table t(dir.path().toStdString() + "/", "PRUEBA.DBF");
  t.Create({{"ID", data::FieldKind::Integer}});
  t.Open(data::OpenMode::Exclusive);
  try {
    t.AddIndex({"ID", "ID", false});
    return true;
  } catch (const data::DbError&) {
    return false;
  }
}

class ReindexTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tmp.isValid());
    folder = tmp.path() + "/";
    ConfigAgenda = TConfigAgenda{};
    ConfigAgenda.DataPath = folder;
    SetMessageAnswerer([this](const MessageRequest& r) {
      messages << r.text;
      if (answers.empty()) return int(mrOk);
      const int a = answers.front();
      answers.erase(answers.begin());
      return a;
    });
  }
  void TearDown() override {
    SetMessageAnswerer({});
    for (QProcess* p : holders) {
      p->closeWriteChannel();
      p->waitForFinished(5000);
      delete p;
    }
  }
  // AGENDA with five appointments, the third one deleted, and notes on some.
  void MakeAgenda() { MakeAgendaTable(folder); }
  // What dbfread sees: every record, deleted ones included, as
  // "ID|ASUNTO|NOTAS" lines, then the count of deleted records.
  QString ReadWithPython(const QString& table) {
    return Python(
        "import sys, dbfread\n"
        "t = dbfread.DBF(sys.argv[1], encoding='cp1252')\n"
        "for r in t: print('%d|%s|%s' % (r['ID'], r['ASUNTO'], r['NOTAS'] or ''))\n"
        "print('deleted', len(t.deleted))\n",
        {folder + table});
  }
  // Record numbers of one tag of a production index, in key order, as
  // Perl's index_dump walks it.
  std::vector<int> IndexRecnos(const QString& mdx, const QString& tag, int keyLength) {
    QProcess p;
    p.start("index_dump", {mdx, tag});
    p.waitForFinished(30000);
    const QByteArray out = p.readAllStandardOutput();
    std::vector<int> recnos;
    for (int pos = 0; pos < out.size();) {
      pos += keyLength;
      const int end = out.indexOf('\n', pos);
      if (pos >= out.size() || out[pos] != ' ' || end < 0) {
        ADD_FAILURE() << "index_dump output: " << out.left(200).toStdString();
        break;
      }
      recnos.push_back(out.mid(pos + 1, end - pos - 1).toInt());
      pos = end + 1;
    }
    return recnos;
  }
  void HoldOpen(const QString& table) {
    auto* p = new QProcess;
    holders.push_back(p);
    p->start(QStringLiteral(HOLD_TABLE_PROGRAM), {folder, table});
    ASSERT_TRUE(p->waitForReadyRead(10000));
    ASSERT_EQ(p->readLine().trimmed(), "ready");
  }
  QStringList TablesLeft() { return Listing(folder); }

  QTemporaryDir tmp;
  QString folder;
  QStringList messages;
  std::vector<int> answers;
  std::vector<QProcess*> holders;
};

TEST_F(ReindexTest, RebuildDropsDeletedRecordsAndRestoresBothIndexes) {
  MakeAgenda();
  ASSERT_TRUE(ReadWithPython("AGENDA.DBF").endsWith("deleted 1\n"));
  ReconstruirTabla(folder, "AGENDA.DBF", {"ID", "FECHA_INI"});

  EXPECT_EQ(ReadWithPython("AGENDA.DBF").toStdString(),
            "1|Cita 1|Notas de la cita 1 con eñe\n"
            "2|Cita 2|\n"
            "4|Cita 4|\n"
            "5|Cita 5|Notas de la cita 5 con eñe\n"
            "deleted 0\n");
  EXPECT_EQ(TablesLeft(), (QStringList{"AGENDA.DBF", "AGENDA.DBT", "AGENDA.MDX"}));
  // Both tags, walked by an independent reader: ID in file order, FECHA_INI
  // newest record first (the dates fall as the IDs rise).
  EXPECT_EQ(IndexRecnos(folder + "AGENDA.MDX", "ID", 12), (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(IndexRecnos(folder + "AGENDA.MDX", "FECHA_INI", 8), (std::vector<int>{4, 3, 2, 1}));

  data::Table t(folder.toStdString(), "AGENDA.DBF");
  t.Open();
  const std::vector<data::TagInfo> tags = t.Tags();
  ASSERT_EQ(tags.size(), 2u);
  EXPECT_EQ(tags[0].name, "ID");
  EXPECT_EQ(tags[1].name, "FECHA_INI");
  // Rebuilt without the unique flag.
  EXPECT_FALSE(tags[0].unique);
  EXPECT_FALSE(tags[1].unique);
  EXPECT_TRUE(t.Verify().empty());
  t.SetIndexName("FECHA_INI");
  t.First();
  EXPECT_EQ(t.FieldByName("ID").AsInteger(), 5);
}

// A folder another dBase program indexed on expressions: AGENDA whose
// FECHA_INI tag is DTOS(FECHA_INI), with a tag of its own besides.
void MakeExpressionAgenda(const QString& folder, const std::string& extraExpression) {
  data::Table t(folder.toStdString(), "AGENDA.DBF");
  std::vector<data::IndexDef> tags = {{"ID", "ID", true},
                                      {"FECHA_INI", "DTOS(FECHA_INI)", false},
                                      {"ASUNTO", extraExpression, false}};
  t.Create(AgendaFieldDefs(), tags);
  t.Open();
  for (int i = 1; i <= 30; ++i) {
    t.Append();
    t.FieldByName("ID").SetAsInteger(i);
    t.FieldByName("FECHA_INI").SetAsDate(dt::EncodeDate(2004, 1, 1) + (i * 7) % 20);
    t.FieldByName("HORA_INI").SetAsString("09:00");
    t.FieldByName("HORA_FIN").SetAsString(i % 2 ? "aa" : "bb");
    t.FieldByName("ASUNTO").SetAsString("Cita " + std::to_string((i * 13) % 30));
    ASSERT_TRUE(t.Post());
  }
  t.SetIndexName("FECHA_INI");
  ASSERT_TRUE(t.FindKey(dt::EncodeDate(2004, 1, 8)));
  t.Delete();
}

TEST_F(ReindexTest, RebuildKeepsEveryTagOnItsOwnExpression) {
  MakeExpressionAgenda(folder, "UPPER(SUBSTR(ASUNTO,1,20))");
  ReconstruirTabla(folder, "AGENDA.DBF", {"ID", "FECHA_INI"});
  data::Table t(folder.toStdString(), "AGENDA.DBF");
  t.Open();
  std::vector<std::string> tags;
  for (const data::TagInfo& tag : t.Tags()) tags.push_back(tag.name + " " + tag.expression + (tag.unique ? " U" : ""));
  EXPECT_EQ(tags, (std::vector<std::string>{"ID ID", "FECHA_INI DTOS(FECHA_INI)", "ASUNTO UPPER(SUBSTR(ASUNTO,1,20))"}));
  EXPECT_EQ(t.Verify(), std::vector<std::string>{});
  t.SetIndexName("ASUNTO");
  std::vector<std::string> subjects;
  for (t.First(); !t.Eof(); t.Next()) subjects.push_back(t.FieldByName("ASUNTO").AsString());
  EXPECT_EQ(subjects.size(), 29u);
  EXPECT_TRUE(std::is_sorted(subjects.begin(), subjects.end()));
}

TEST_F(ReindexTest, RebuildRefusesATagItCannotEvaluateAndChangesNothing) {
  MakeExpressionAgenda(folder, "UPPER(HORA_FIN)");
  // Another program's function in the tag's expression.
  QFile mdx(folder + "AGENDA.MDX");
  const QByteArray bytes = QByteArray::fromStdString(testdata::ReplaceInFile(
      mdx.fileName().toStdString(), "UPPER(HORA_FIN)", std::string("SOUNDEX(HORA_FIN)") + '\0'));
  ASSERT_FALSE(bytes.isEmpty());
  const QStringList before = Listing(folder);
  QFile dbf(folder + "AGENDA.DBF");
  ASSERT_TRUE(dbf.open(QIODevice::ReadOnly));
  const QByteArray dbfBefore = dbf.readAll();
  dbf.close();

  try {
    ReconstruirTabla(folder, "AGENDA.DBF", {"ID", "FECHA_INI"});
    ADD_FAILURE() << "rebuilt";
  } catch (const RebuildError& e) {
    EXPECT_TRUE(e.Message().contains("SOUNDEX(HORA_FIN)")) << e.Message().toStdString();
  }
  EXPECT_EQ(Listing(folder), before);
  ASSERT_TRUE(mdx.open(QIODevice::ReadOnly));
  EXPECT_EQ(mdx.readAll(), bytes);
  ASSERT_TRUE(dbf.open(QIODevice::ReadOnly));
  EXPECT_EQ(dbf.readAll(), dbfBefore);
}

TEST_F(ReindexTest, TableWithoutMemoRebuildsWithoutMemoFile) {
  if (!EngineIndexesTablesWithoutMemo()) GTEST_SKIP() << "the table engine cannot index a table without memo";
  ASSERT_TRUE(CrearTablaCategorias(folder));
  ReconstruirTabla(folder, "CATEGORIAS.DBF", {"ID", "CATEGORIA"});
  EXPECT_EQ(TablesLeft(), (QStringList{"CATEGORIAS.DBF", "CATEGORIAS.MDX"}));
  data::Table t(folder.toStdString(), "CATEGORIAS.DBF");
  t.Open();
  EXPECT_EQ(t.RecordCount(), 1u);
  t.Close();
  // The table claims its production index, which holds both tags.
  EXPECT_EQ(ReadFile(folder + "CATEGORIAS.DBF").at(28), 1);
  QProcess p;
  p.start("index_dump", {folder + "CATEGORIAS.MDX"});
  p.waitForFinished(30000);
  EXPECT_EQ(QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts),
            (QStringList{"CATEGORIA", "ID"}));
  EXPECT_EQ(IndexRecnos(folder + "CATEGORIAS.MDX", "ID", 12), std::vector<int>{1});
}

TEST_F(ReindexTest, ReorganisingAFolderWithOnlyTheAgendaSucceeds) {
  MakeAgenda();
  TfrmReindex dlg;
  dlg.show();
  QTest::mouseClick(dlg.btnOk, Qt::LeftButton);
  EXPECT_EQ(messages, QStringList{"Proceso de reorganización finalizado satisfactoriamente"});
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
  EXPECT_EQ(dlg.prbReindex->value(), 2);
  EXPECT_EQ(dlg.lblTabla->text(), "AGENDA.DBF");
  EXPECT_EQ(TablesLeft(), (QStringList{"AGENDA.DBF", "AGENDA.DBT", "AGENDA.MDX"}));
  EXPECT_TRUE(ReadWithPython("AGENDA.DBF").endsWith("deleted 0\n"));
}

TEST_F(ReindexTest, MainWindowTableAndRefreshComeBackOnEveryWayOut) {
  MakeAgenda();
  ASSERT_TRUE(CrearTablaCategorias(folder));
  QStringList calls;
  const MainWindowLink link = RecordingLink(calls);
  const QStringList expected = {"stop", "close", "open", "start"};

  // Held open elsewhere: declining either question leaves everything.
  HoldOpen("AGENDA.DBF");
  const QByteArray before = ReadFile(folder + "AGENDA.DBF");
  const QString inUse =
      "Los datos parece que estén siendo utilizados\r\npor otro programa u ordenador.\r\n"
      "¿Desea realizar Reorganizar información?";
  const QString makeSure = "Por favor, asegurese que no hay otro ordenador\r\nde la red utilizando el programa.";
  struct Case {
    std::vector<int> answers;
    QStringList messages;
  } cases[] = {{{mrNo}, {inUse}}, {{mrYes, mrCancel}, {inUse, makeSure}}};
  TfrmReindex dlg(link);
  dlg.show();
  for (const Case& c : cases) {
    calls.clear();
    messages.clear();
    answers = c.answers;
    QTest::mouseClick(dlg.btnOk, Qt::LeftButton);
    EXPECT_EQ(messages, c.messages);
    EXPECT_EQ(calls, expected);
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_TRUE(dlg.btnOk->isEnabled());
    EXPECT_TRUE(dlg.btnCancel->isEnabled());
    EXPECT_EQ(ReadFile(folder + "AGENDA.DBF"), before);
  }

  // Yes and OK go ahead and fail, as the table really is in use; the data
  // stay under the table's names.
  calls.clear();
  messages.clear();
  answers = {mrYes, mrOk};
  QTest::mouseClick(dlg.btnOk, Qt::LeftButton);
  ASSERT_EQ(messages.size(), 3);
  EXPECT_TRUE(messages[2].startsWith("Error reindexando \"" + folder + "AGENDA.DBF\"\r\n")) << messages[2].toStdString();
  EXPECT_EQ(calls, expected);
  EXPECT_TRUE(dlg.isVisible());
  EXPECT_TRUE(QFile::exists(folder + "AGENDA.DBF"));
  for (const QString& f : TablesLeft()) EXPECT_FALSE(f.startsWith("T_")) << f.toStdString();

  // Once the other copy has gone, the run succeeds and the dialog closes.
  holders.back()->closeWriteChannel();
  holders.back()->waitForFinished(5000);
  calls.clear();
  messages.clear();
  QTest::mouseClick(dlg.btnOk, Qt::LeftButton);
  EXPECT_EQ(calls, expected);
  if (EngineIndexesTablesWithoutMemo()) {
    EXPECT_EQ(messages, QStringList{"Proceso de reorganización finalizado satisfactoriamente"});
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(TablesLeft(),
              (QStringList{"AGENDA.DBF", "AGENDA.DBT", "AGENDA.MDX", "CATEGORIAS.DBF", "CATEGORIAS.MDX"}));
  } else {
    // The categories fail at their indexes; the agenda was rebuilt and both
    // tables keep their records.
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith("Error reindexando \"" + folder + "CATEGORIAS.DBF\"\r\n"));
    EXPECT_TRUE(ReadWithPython("AGENDA.DBF").endsWith("deleted 0\n"));
    data::Table cat(folder.toStdString(), "CATEGORIAS.DBF");
    cat.Open();
    EXPECT_EQ(cat.RecordCount(), 1u);
  }
}

TEST_F(ReindexTest, TheSuccessBoxIsAnInformationTitledMensaje) {
  MakeAgenda();
  std::vector<MessageRequest> shown;
  SetMessageAnswerer([&](const MessageRequest& r) {
    shown.push_back(r);
    return int(mrOk);
  });
  TfrmReindex dlg;
  dlg.show();
  QTest::mouseClick(dlg.btnOk, Qt::LeftButton);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, "Proceso de reorganización finalizado satisfactoriamente");
  EXPECT_EQ(shown[0].title, "Mensaje");
  EXPECT_EQ(shown[0].type, mtInformation);
  EXPECT_EQ(shown[0].buttons, mbOK);
}

}  // namespace
