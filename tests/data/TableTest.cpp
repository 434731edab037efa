#include <filesystem>
#include <fstream>
#include <map>

#include "TableTestSupport.h"
#include "core/DateTime.h"
#include "data/TableRebuild.h"

using namespace data;
using namespace testdata;

namespace {

std::vector<int> IdsInOrder(Table& t) {
  std::vector<int> ids;
  for (t.First(); !t.Eof(); t.Next()) ids.push_back(static_cast<int>(t.FieldByName("ID").AsInteger()));
  return ids;
}

class TableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = FreshFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
    Table t(folder, "AGENDA");
    t.Create(AgendaFieldDefs(), AgendaIndexDefs());
  }
  std::string folder;
};

TEST_F(TableTest, CreatedTableHasFieldsOfTheRequestedKindsAndItsTags) {
  Table t(folder, "agenda.dbf");
  ASSERT_TRUE(t.Exists());
  t.Open();
  EXPECT_EQ(t.LevelByte(), 0x8B);
  EXPECT_EQ(t.CodePage(), 1252);
  const auto& f = t.Fields();
  ASSERT_EQ(f.size(), 12u);
  EXPECT_EQ(f[0].type, 'N');
  EXPECT_EQ(f[0].length, 20);
  EXPECT_EQ(f[0].decimals, 4);
  EXPECT_EQ(f[1].type, 'D');
  EXPECT_EQ(f[5].length, 200);
  EXPECT_EQ(f[7].type, 'M');
  auto tags = t.Tags();
  ASSERT_EQ(tags.size(), 2u);
  EXPECT_EQ(tags[0].name, "ID");
  EXPECT_TRUE(tags[0].unique);
  EXPECT_EQ(tags[1].field, "FECHA_INI");
  EXPECT_TRUE(t.IsEmpty());
  EXPECT_TRUE(t.Eof());
  // The header says a production index exists.
  std::ifstream in(t.FilePath(), std::ios::binary);
  char head[32];
  in.read(head, 32);
  EXPECT_EQ(head[28], 1);
}

TEST_F(TableTest, ValuesRoundTripThroughPostAndReopen) {
  {
    Table t(folder, "AGENDA");
    t.Open();
    t.Append();
    t.FieldByName("ID").SetAsInteger(57);
    t.FieldByName("FECHA_INI").SetAsDate(dt::EncodeDate(2004, 3, 12) + 0.5);
    t.FieldByName("ASUNTO").SetAsString("Reunión con el señor Muñoz");
    t.FieldByName("NOTAS").SetAsString(std::string(3000, 'x') + "ñ\r\nfin");
    t.FieldByName("AVISO").SetAsFloat(20.5);
    ASSERT_TRUE(t.Post());
  }
  Table t(folder, "Agenda");
  t.Open();
  ASSERT_FALSE(t.IsEmpty());
  EXPECT_EQ(t.RecordCount(), 1u);
  EXPECT_EQ(t.FieldByName("id").AsInteger(), 57);
  EXPECT_EQ(t.FieldByName("ID").AsString(), "57");
  EXPECT_EQ(t.FieldByName("FECHA_INI").AsDate(), dt::EncodeDate(2004, 3, 12));
  EXPECT_EQ(t.FieldByName("FECHA_INI").AsString(), "2004-03-12");
  EXPECT_EQ(t.FieldByName("ASUNTO").AsString(), "Reunión con el señor Muñoz");
  EXPECT_EQ(t.FieldByName("NOTAS").AsString(), std::string(3000, 'x') + "ñ\r\nfin");
  EXPECT_EQ(t.FieldByName("AVISO").AsString(), "20.5");
  EXPECT_TRUE(t.FieldByName("FECHA_FIN").IsNull());
  EXPECT_EQ(t.FieldByName("FECHA_FIN").AsDate(), 0.0);
  EXPECT_EQ(t.FieldByName("TIPO").AsInteger(), 0);
  EXPECT_EQ(t.FieldByName("LUGAR").AsString(), "");
  EXPECT_THROW(t.FieldByName("NOPE"), DbError);
}

TEST_F(TableTest, IndexOrderFindKeyFindNearestAndSwitchingIndexKeepsRecord) {
  Table t(folder, "AGENDA");
  t.Open();
  const int ids[] = {5, 3, 9, 1, 7};
  const int days[] = {10, 30, 20, 40, 20};
  for (int i = 0; i < 5; ++i) AddAppointment(t, ids[i], dt::EncodeDate(2004, 3, 1) + days[i], "c");
  t.SetIndexName("ID");
  EXPECT_EQ(IdsInOrder(t), (std::vector<int>{1, 3, 5, 7, 9}));
  t.SetIndexName("FECHA_INI");
  EXPECT_EQ(IdsInOrder(t), (std::vector<int>{5, 9, 7, 3, 1}));
  t.SetIndexName("");
  EXPECT_EQ(IdsInOrder(t), (std::vector<int>{5, 3, 9, 1, 7}));

  t.SetIndexName("ID");
  EXPECT_TRUE(t.FindKey(7));
  EXPECT_EQ(t.FieldByName("ID").AsInteger(), 7);
  EXPECT_FALSE(t.FindKey(4));
  EXPECT_EQ(t.FieldByName("ID").AsInteger(), 7) << "a failed FindKey leaves the position";
  t.SetIndexName("FECHA_INI");
  EXPECT_EQ(t.FieldByName("ID").AsInteger(), 7) << "changing index keeps the record";
  t.Next();
  EXPECT_EQ(t.FieldByName("ID").AsInteger(), 3);

  t.FindNearest(dt::EncodeDate(2004, 3, 15));
  EXPECT_FALSE(t.Eof());
  EXPECT_EQ(t.FieldByName("ID").AsInteger(), 9);
  t.FindNearest(dt::EncodeDate(2004, 3, 21));
  EXPECT_EQ(t.FieldByName("ID").AsInteger(), 9);
  t.FindNearest(dt::EncodeDate(2005, 1, 1));
  EXPECT_TRUE(t.Eof());
  EXPECT_THROW(t.SetIndexName("NOPE"), DbError);

  t.SetIndexName("ID");
  t.Last();
  EXPECT_EQ(t.FieldByName("ID").AsInteger(), 9);
  t.Prior();
  EXPECT_EQ(t.FieldByName("ID").AsInteger(), 7);
}

TEST_F(TableTest, EditMovesTheIndexEntryAndDeleteHidesTheRecordEverywhere) {
  Table t(folder, "AGENDA");
  t.Open();
  for (int i = 1; i <= 4; ++i) AddAppointment(t, i, dt::EncodeDate(2004, 1, i), "c");
  t.SetIndexName("ID");
  ASSERT_TRUE(t.FindKey(2));
  t.Edit();
  t.FieldByName("ID").SetAsInteger(10);
  ASSERT_TRUE(t.Post());
  EXPECT_EQ(IdsInOrder(t), (std::vector<int>{1, 3, 4, 10}));
  ASSERT_TRUE(t.FindKey(3));
  t.Delete();
  EXPECT_EQ(t.FieldByName("ID").AsInteger(), 4) << "after a delete the cursor is on the next record";
  EXPECT_EQ(IdsInOrder(t), (std::vector<int>{1, 4, 10}));
  EXPECT_EQ(t.RecordCount(), 3u);
  t.SetIndexName("");
  EXPECT_EQ(IdsInOrder(t), (std::vector<int>{1, 10, 4}));
  t.Close();
  t.Open();
  t.SetIndexName("FECHA_INI");
  EXPECT_EQ(IdsInOrder(t), (std::vector<int>{1, 10, 4}));
  t.SetIndexName("ID");
  EXPECT_FALSE(t.FindKey(3));
  EXPECT_FALSE(t.FindKey(2));
}

TEST_F(TableTest, CancelRestoresTheStoredRecord) {
  Table t(folder, "AGENDA");
  t.Open();
  AddAppointment(t, 1, dt::EncodeDate(2004, 1, 1), "uno", "nota");
  t.Edit();
  t.FieldByName("ASUNTO").SetAsString("cambiado");
  t.FieldByName("NOTAS").SetAsString("otra");
  t.Cancel();
  EXPECT_EQ(t.FieldByName("ASUNTO").AsString(), "uno");
  EXPECT_EQ(t.FieldByName("NOTAS").AsString(), "nota");
  t.Append();
  t.Cancel();
  EXPECT_EQ(t.RecordCount(), 1u);
  EXPECT_EQ(t.State(), TableState::Browse);
}

TEST_F(TableTest, HooksRunInOrderAndBeforePostCanAbort) {
  Table t(folder, "AGENDA");
  std::vector<std::string> calls;
  t.OnNewRecord = [&](Table& s) {
    calls.push_back("new");
    s.FieldByName("ID").SetAsInteger(-1);
  };
  t.OnBeforePost = [&](Table& s, bool& abort) {
    calls.push_back("before");
    abort = s.FieldByName("ID").AsInteger() < 1;
  };
  t.OnAfterPost = [&](Table&) { calls.push_back("after"); };
  int changes = 0;
  t.SetFieldChangeHook("fecha_ini", [&](Field& f) {
    ++changes;
    EXPECT_EQ(f.FieldName(), "FECHA_INI");
  });
  t.Open();
  t.Append();
  EXPECT_FALSE(t.Post());
  EXPECT_EQ(t.State(), TableState::Insert) << "an aborted post keeps the insert state";
  t.FieldByName("FECHA_INI").SetAsDate(dt::EncodeDate(2004, 1, 1));
  t.FieldByName("FECHA_INI").SetAsDate(dt::EncodeDate(2004, 1, 1));
  EXPECT_EQ(changes, 2) << "assigning an equal value runs the hook too";
  t.FieldByName("ID").SetAsInteger(3);
  EXPECT_TRUE(t.Post());
  EXPECT_EQ(calls, (std::vector<std::string>{"new", "before", "before", "after"}));
  EXPECT_EQ(t.RecordCount(), 1u);
  EXPECT_THROW(t.FieldByName("ID").SetAsInteger(4), DbError) << "assigning outside editing";
}

TEST_F(TableTest, BookmarksReturnToRecordsThatStillExist) {
  Table t(folder, "AGENDA");
  t.Open();
  for (int i = 1; i <= 3; ++i) AddAppointment(t, i, dt::EncodeDate(2004, 1, i), "c");
  t.SetIndexName("ID");
  t.FindKey(2);
  Bookmark b = t.GetBookmark();
  t.First();
  EXPECT_TRUE(t.GotoBookmark(b));
  EXPECT_EQ(t.FieldByName("ID").AsInteger(), 2);
  t.Next();
  EXPECT_EQ(t.FieldByName("ID").AsInteger(), 3);
  t.FindKey(2);
  t.Delete();
  EXPECT_FALSE(t.GotoBookmark(b));
}

TEST_F(TableTest, UniqueIndexRefusesADuplicateKey) {
  Table t(folder, "AGENDA");
  t.Open();
  AddAppointment(t, 1, dt::EncodeDate(2004, 1, 1), "a");
  t.Append();
  t.FieldByName("ID").SetAsInteger(1);
  EXPECT_THROW(t.Post(), DbError);
  t.Cancel();
  EXPECT_EQ(t.RecordCount(), 1u);
}

TEST_F(TableTest, ExclusiveOpenExcludesEveryOtherOpen) {
  Table a(folder, "AGENDA"), b(folder, "AGENDA");
  a.Open();
  EXPECT_THROW(b.Open(OpenMode::Exclusive), DbError);
  b.Open();
  b.Close();
  a.Close();
  a.Open(OpenMode::Exclusive);
  EXPECT_THROW(b.Open(), DbError);
  EXPECT_THROW(b.Open(OpenMode::Exclusive), DbError);
  a.Close();
  b.Open(OpenMode::Exclusive);
}

// A tag's key expression holds up to 220 characters in the index file: one
// that long is kept whole, by the tag and by a rebuild of the table; a
// longer one is refused, never cut into another expression.
TEST_F(TableTest, AKeyExpressionIsKeptWholeOrRefused) {
  const auto expression = [](size_t length) { return "LEFT(" + std::string(length - 21, ' ') + "UPPER(ASUNTO),9)"; };
  {
    Table t(folder, "AGENDA");
    t.Open(OpenMode::Exclusive);
    AddAppointment(t, 1, dt::EncodeDate(2004, 1, 1), "Cita larga");
    t.AddIndex({"LARGA", expression(220), false});
    EXPECT_THROW(t.AddIndex({"MAS", expression(221), false}), DbError);
    EXPECT_EQ(t.Tags().size(), 3u);
  }
  for (const char* when : {"as added", "after a rebuild"}) {
    SCOPED_TRACE(when);
    if (std::string(when) == "after a rebuild") RebuildTable(folder, "AGENDA", {});
    Table t(folder, "AGENDA");
    t.Open();
    EXPECT_EQ(t.ReadOnlyReason(), "");
    ASSERT_EQ(t.Tags().size(), 3u);
    EXPECT_EQ(t.Tags().back().expression, expression(220));
    EXPECT_EQ(t.Verify(), std::vector<std::string>{});
    t.SetIndexName("LARGA");
    t.First();
    EXPECT_EQ(t.FieldByName("ID").AsInteger(), 1);
  }
}

TEST_F(TableTest, EmptyDeleteAddIndexAndAppendAll) {
  {
    Table t(folder, "AGENDA");
    t.Open();
    for (int i = 1; i <= 30; ++i) AddAppointment(t, i, dt::EncodeDate(2004, 1, 1) + (i * 7) % 30, "s" + std::to_string(i), i % 3 ? "n" + std::to_string(i) : "");
    EXPECT_THROW(t.FindKey(4), DbError) << "no current index";
  }
  Table src(folder, "AGENDA");
  src.Open();
  src.First();
  src.Delete();  // record 1 gone
  Table tmp(folder, "T_AGENDA");
  std::vector<FieldDef> defs = AgendaFieldDefs();
  tmp.Create(defs);
  tmp.Open(OpenMode::Exclusive);
  tmp.AppendAllFrom(src);
  EXPECT_EQ(tmp.RecordCount(), 29u);
  tmp.AddIndex({"ID", "ID"});
  tmp.AddIndex({"FECHA_INI", "FECHA_INI"});
  tmp.SetIndexName("ID");
  EXPECT_TRUE(tmp.FindKey(5));
  EXPECT_EQ(tmp.FieldByName("NOTAS").AsString(), "n5");
  EXPECT_EQ(tmp.FieldByName("ASUNTO").AsString(), "s5");
  EXPECT_FALSE(tmp.FindKey(1));
  tmp.Close();
  src.Close();
  src.DeleteTable();
  EXPECT_FALSE(std::filesystem::exists(folder + "AGENDA.DBF"));
  EXPECT_FALSE(std::filesystem::exists(folder + "AGENDA.DBT"));
  EXPECT_FALSE(std::filesystem::exists(folder + "AGENDA.MDX"));
  tmp.Open();
  tmp.SetIndexName("FECHA_INI");
  int n = 0;
  TDateTime prev = 0;
  for (tmp.First(); !tmp.Eof(); tmp.Next(), ++n) {
    EXPECT_GE(tmp.FieldByName("FECHA_INI").AsDate(), prev);
    prev = tmp.FieldByName("FECHA_INI").AsDate();
  }
  EXPECT_EQ(n, 29);
  tmp.Close();
  tmp.EmptyTable();
  tmp.Open();
  EXPECT_TRUE(tmp.IsEmpty());
  tmp.SetIndexName("ID");
  EXPECT_FALSE(tmp.FindKey(5));
  AddAppointment(tmp, 1, dt::EncodeDate(2004, 1, 1), "again");
  EXPECT_EQ(tmp.RecordCount(), 1u);
}

TEST_F(TableTest, FamilyFilesAreFoundWhateverTheirCase) {
  Table t(folder, "AGENDA");
  t.Open();
  AddAppointment(t, 1, dt::EncodeDate(2004, 1, 1), "a", "memo");
  t.Close();
  std::filesystem::rename(folder + "AGENDA.DBT", folder + "agenda.dbt");
  std::filesystem::rename(folder + "AGENDA.MDX", folder + "Agenda.Mdx");
  Table u(folder, "agenda.DBF");
  u.Open();
  EXPECT_EQ(u.FieldByName("NOTAS").AsString(), "memo");
  u.SetIndexName("id");
  EXPECT_TRUE(u.FindKey(1));
}

TEST_F(TableTest, ManyRecordsKeepEveryIndexInOrderThroughSplitsAndDeletes) {
  Table t(folder, "AGENDA");
  t.Open(OpenMode::Exclusive);
  std::vector<int> ids;
  for (int i = 0; i < 1000; ++i) ids.push_back((i * 7919) % 3001 + 1);
  for (int i = 0; i < 1000; ++i) {
    t.Append();
    t.FieldByName("ID").SetAsInteger(ids[i]);
    t.FieldByName("FECHA_INI").SetAsDate(dt::EncodeDate(2000, 1, 1) + ids[i] % 97);
    t.Post();
  }
  t.SetIndexName("ID");
  // Delete every third record by key.
  for (int id = 3; id <= 3001; id += 3)
    if (t.FindKey(id)) t.Delete();
  t.Close();
  t.Open();
  t.SetIndexName("ID");
  std::vector<int> got = IdsInOrder(t);
  std::vector<int> want;
  for (int v : ids)
    if (v % 3 != 0) want.push_back(v);
  std::sort(want.begin(), want.end());
  EXPECT_EQ(got, want);
  t.SetIndexName("FECHA_INI");
  int n = 0;
  TDateTime prev = 0;
  for (t.First(); !t.Eof(); t.Next(), ++n) {
    ASSERT_GE(t.FieldByName("FECHA_INI").AsDate(), prev);
    prev = t.FieldByName("FECHA_INI").AsDate();
  }
  EXPECT_EQ(n, static_cast<int>(want.size()));
  // Walking backwards gives the same records.
  int back = 0;
  for (t.Last(); !t.Bof(); t.Prior()) ++back;
  EXPECT_EQ(back, n);
}

// Rebuilding sorts numbers as numbers and only then encodes the keys; the
// result must be the order the encoded keys have when maintained one post at
// a time: by key, equal keys by record number, a unique tag keeping the first.
TEST_F(TableTest, IndexesRebuiltFromRecordsKeepKeyThenRecordOrder) {
  const std::string dir = folder + "rebuild/";
  std::filesystem::create_directories(dir);
  Table t(dir, "VALORES");
  t.Create({{"N", FieldKind::Float}, {"U", FieldKind::Integer}, {"DIA", FieldKind::Date}, {"TXT", FieldKind::String, 6}},
           {{"N", "N", false}, {"U", "U", true}, {"DIA", "DIA", false}, {"TXT", "TXT", false}});
  const std::vector<double> values = {3, -1000, 0.5, 3, -0.5, 0, 1e14, 99999999999.9999, -3, 0.0001, 3, 0,
                                      -99999999999.9999, 2.5, 1000, -0.0001, 12345.6789, 2.5};
  t.Open(OpenMode::Exclusive);
  for (size_t i = 0; i < values.size(); ++i) {
    t.Append();
    t.FieldByName("N").SetAsFloat(values[i]);
    t.FieldByName("U").SetAsInteger(static_cast<int>(i * 37 % 19) - 9);
    if (i % 4) t.FieldByName("DIA").SetAsDate(dt::EncodeDate(2004, 1 + i % 3, 1));
    t.FieldByName("TXT").SetAsString(i % 5 ? "b" + std::to_string(i % 3) : "");
    ASSERT_TRUE(t.Post());
  }
  auto walk = [&t](const std::string& tag) {
    std::vector<std::pair<std::string, std::uint32_t>> order;
    t.SetIndexName(tag);
    for (t.First(); !t.Eof(); t.Next()) order.push_back({t.FieldByName(tag).AsString(), t.RecNo()});
    return order;
  };
  std::map<std::string, std::vector<std::pair<std::string, std::uint32_t>>> maintained;
  for (const char* tag : {"N", "U", "DIA", "TXT"}) maintained[tag] = walk(tag);
  t.Close();
  std::filesystem::remove(dir + "VALORES.MDX");
  t.Open(OpenMode::Exclusive);
  EXPECT_EQ(t.Verify(), std::vector<std::string>{});
  for (const char* tag : {"N", "U", "DIA", "TXT"}) EXPECT_EQ(walk(tag), maintained[tag]) << tag;
  EXPECT_DOUBLE_EQ(std::stod(maintained["N"].front().first), -99999999999.9999);
  EXPECT_DOUBLE_EQ(std::stod(maintained["N"].back().first), 1e14);
}

// Tables of some size are read through a read-only mapping of their files:
// what other copies write, inside the mapped part or appended after it, and
// a table emptied and filled again must read back as stored.
TEST_F(TableTest, LargeTablesReadWhatIsWrittenAfterTheyWereOpened) {
  const int kRecords = 700;  // past the size from which files are mapped
  {
    Table w(folder, "AGENDA");
    w.Open(OpenMode::Exclusive);
    w.BeginBatch();
    for (int id = 1; id <= kRecords; ++id)
      AddAppointment(w, id, dt::EncodeDate(2004, 1, 1) + id % 60, "Cita " + std::to_string(id), std::string(600, 'n'));
    w.EndBatch();
  }
  ASSERT_GT(std::filesystem::file_size(folder + "AGENDA.DBF"), 256u * 1024);
  Table reader(folder, "AGENDA");
  reader.Open();
  reader.SetIndexName("ID");
  {
    Table writer(folder, "AGENDA");
    writer.Open();
    writer.SetIndexName("ID");
    ASSERT_TRUE(writer.FindKey(10));
    writer.Edit();
    writer.FieldByName("ASUNTO").SetAsString("Cambiada");
    writer.FieldByName("NOTAS").SetAsString("nota nueva");
    ASSERT_TRUE(writer.Post());
    AddAppointment(writer, kRecords + 1, dt::EncodeDate(2005, 1, 1), "Nueva", "después");
  }
  ASSERT_TRUE(reader.FindKey(10));
  EXPECT_EQ(reader.FieldByName("ASUNTO").AsString(), "Cambiada");
  EXPECT_EQ(reader.FieldByName("NOTAS").AsString(), "nota nueva");
  ASSERT_TRUE(reader.FindKey(kRecords + 1));
  EXPECT_EQ(reader.FieldByName("NOTAS").AsString(), "después");
  ASSERT_TRUE(reader.FindKey(kRecords));
  EXPECT_EQ(reader.FieldByName("NOTAS").AsString(), std::string(600, 'n'));
  reader.Close();

  Table t(folder, "AGENDA");
  t.Open(OpenMode::Exclusive);
  t.EmptyTable();
  AddAppointment(t, 1, dt::EncodeDate(2006, 1, 1), "Otra vez", "nota");
  t.SetIndexName("ID");
  EXPECT_EQ(IdsInOrder(t), std::vector<int>{1});
  EXPECT_EQ(t.FieldByName("NOTAS").AsString(), "nota");
  EXPECT_EQ(t.Verify(), std::vector<std::string>{});
}

}  // namespace
