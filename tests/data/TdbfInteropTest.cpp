// Free Pascal's TDbf, compiled from tdbf/tdbf_probe.pas during the test run,
// as a second dBase engine: it walks the tags of our production index, and
// the tables it writes at levels 3, 4 and 7 read back here with the same
// values and index order (and stay right for it after we add to them).
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>

#include "TableTestSupport.h"
#include "core/DateTime.h"
#include "data/FileIo.h"

using namespace data;
using namespace testdata;

namespace {

class TdbfInteropTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    buildDir = FreshFolder("tdbf-probe");
    std::string log = RunCommand("fpc -O1 -FE" + buildDir + " -FU" + buildDir + " " TDBF_PROBE_SOURCE " 2>&1");
    probe = buildDir + "tdbf_probe";
    if (!std::filesystem::exists(probe)) compileLog = log;
  }
  void SetUp() override { ASSERT_TRUE(compileLog.empty()) << "fpc failed:\n" << compileLog; }

  static std::string Probe(const std::string& args) { return RunCommand(probe + " " + args + " 2>&1"); }

  static std::string buildDir, probe, compileLog;
};
std::string TdbfInteropTest::buildDir, TdbfInteropTest::probe, TdbfInteropTest::compileLog;

std::vector<std::string> OurDump(const std::string& folder, const std::string& name) {
  Table t(folder, name);
  t.Open();
  std::vector<std::string> rows;
  for (t.First(); !t.Eof(); t.Next())
    rows.push_back(t.FieldByName("ID").AsString() + "|" + t.FieldByName("NAME").AsString() + "|" +
                   t.FieldByName("DAY").AsString() + "|" + t.FieldByName("AMOUNT").AsString() + "|" +
                   t.FieldByName("NOTE").AsString());
  return rows;
}

std::vector<std::string> OurWalk(const std::string& folder, const std::string& name, const std::string& tag,
                                 const std::string& field) {
  Table t(folder, name);
  t.Open();
  t.SetIndexName(tag);
  std::vector<std::string> out;
  for (t.First(); !t.Eof(); t.Next()) out.push_back(t.FieldByName(field).AsString());
  return out;
}

TEST_F(TdbfInteropTest, TablesWrittenByTdbfReadWithTheSameValuesAndIndexes) {
  for (int level : {3, 4, 7}) {
    SCOPED_TRACE("level " + std::to_string(level));
    const std::string folder = FreshFolder("tdbf-level" + std::to_string(level));
    const std::string name = "TDBF" + std::to_string(level) + ".DBF";
    ASSERT_EQ(Probe("write " + folder + " " + std::to_string(level)), "");
    std::vector<std::string> theirs = Lines(Probe("dump " + folder + " " + name));
    ASSERT_EQ(theirs.size(), 299u);
    EXPECT_EQ(OurDump(folder, name), theirs);
    Table t(folder, name);
    t.Open();
    EXPECT_EQ(t.Verify(), std::vector<std::string>{});
    if (level == 7) {
      EXPECT_EQ(t.FieldByName("ID").Info().type, 'I');
    }
    t.Close();
    if (level == 3) continue;
    for (const std::string tag : {"ID", "NAME"})
      EXPECT_EQ(OurWalk(folder, name, tag, "ID"), Lines(Probe("walk " + folder + " " + name + " " + tag + " ID"))) << tag;
    // Records we add land in their index where TDbf looks for them.
    t.Open();
    for (int i = 0; i < 100; ++i) {
      t.Append();
      t.FieldByName("ID").SetAsInteger(1000 + i);
      t.FieldByName("NAME").SetAsString("Added " + std::to_string(i % 10));
      t.FieldByName("DAY").SetAsDate(dt::EncodeDate(2005, 1, 1) + i);
      ASSERT_TRUE(t.Post());
    }
    t.Close();
    for (const std::string tag : {"ID", "NAME"}) {
      auto walked = Lines(Probe("walk " + folder + " " + name + " " + tag + " ID"));
      EXPECT_EQ(walked.size(), 399u) << tag;
      EXPECT_EQ(OurWalk(folder, name, tag, "ID"), walked) << tag;
    }
    if (level == 7) {
      // Our records took the autoincrement numbers after TDbf's (which
      // counts from 0), and TDbf numbers its next record after ours.
      std::vector<std::string> want;
      for (int n = 0; n <= 400; ++n)
        if (n != 1) want.push_back(std::to_string(n));  // the second record was deleted
      EXPECT_EQ(Lines(Probe("seq " + folder + " " + name)), want);
    }
  }
}

TEST_F(TdbfInteropTest, TdbfWalksOurNumericTagInOurOrder) {
  const std::string folder = FreshFolder("tdbf-ours");
  {
    Table t(folder, "AGENDA");
    t.Create(AgendaFieldDefs(), AgendaIndexDefs());
    t.Open();
    for (int i = 0; i < 300; ++i)
      AddAppointment(t, (i * 37) % 301 + 1, dt::EncodeDate(2004, 1, 1) + (i * 13) % 90, "Cita " + std::to_string(i));
    t.SetIndexName("ID");
    ASSERT_TRUE(t.FindKey(5));
    t.Delete();
  }
  // TDbf on Linux looks for the family files with lower-case extensions.
  std::filesystem::create_symlink(folder + "AGENDA.MDX", folder + "AGENDA.mdx");
  std::filesystem::create_symlink(folder + "AGENDA.DBT", folder + "AGENDA.dbt");
  // TDbf handles numeric and character tags only (it refuses to create date
  // tags and misreads them); index_dump walks the date tag in InteropTest.
  for (const std::string tag : {"ID"}) {
    auto walked = Lines(Probe("walk " + folder + " AGENDA.DBF " + tag + " ID"));
    ASSERT_EQ(walked.size(), 299u) << tag << ": " << (walked.empty() ? "" : walked[0]);
    std::vector<std::string> ours = OurWalk(folder, "AGENDA.DBF", tag, "ID");
    // TDbf shows the float ID with its decimals.
    for (auto& v : walked) v = std::to_string(static_cast<int>(std::stod(v)));
    EXPECT_EQ(walked, ours) << tag;
  }
}

// --- Tags on key expressions, as TDbf writes them.

// ID of every record in the tag's order, with the record's key parts, from our engine.
struct Walked {
  std::vector<std::string> ids;
  bool ordered = true;  // by the tag's expression, as computed here from the fields
};

Walked OurExpressionWalk(const std::string& folder, const std::string& tag) {
  Table t(folder, "AGENDA.DBF");
  t.Open();
  t.SetIndexName(tag);
  Walked w;
  std::string previous;
  for (t.First(); !t.Eof(); t.Next()) {
    const std::int64_t id = t.FieldByName("ID").AsInteger();
    w.ids.push_back(std::to_string(id));
    char idText[32];
    std::snprintf(idText, sizeof idText, "%10lld", static_cast<long long>(id));
    const std::string day = t.FieldByName("FECHA_INI").AsString();
    std::string key = tag == "FECHA_INI" ? day
                      : tag == "ASUNTO"  ? t.FieldByName("ASUNTO").AsString().substr(0, 40)
                      : tag == "DIAHORA" ? day + t.FieldByName("HORA_INI").AsString()
                                         : idText;
    if (key < previous) w.ordered = false;
    previous = key;
  }
  return w;
}

std::vector<std::string> TdbfIds(const std::string& lines) {
  std::vector<std::string> ids = Lines(lines);
  for (auto& v : ids) v = std::to_string(static_cast<long long>(std::stod(v)));
  return ids;
}

TEST_F(TdbfInteropTest, TdbfExpressionTagsStayRightForTdbfAfterOurPostsAndDeletes) {
  const std::string folder = FreshFolder("tdbf-expr");
  ASSERT_EQ(Probe("agenda " + folder), "");
  const std::vector<std::string> tags = {"ID", "FECHA_INI", "ASUNTO", "DIAHORA", "IDTEXTO"};
  {
    Table t(folder, "AGENDA.DBF");
    t.Open();
    EXPECT_EQ(t.ReadOnlyReason(), "");
    EXPECT_EQ(t.Verify(), std::vector<std::string>{});
    // The date tag on DTOS(FECHA_INI) serves lookups by date as the plain one does.
    t.SetIndexName("FECHA_INI");
    t.FindNearest(dt::EncodeDate(2004, 2, 1));
    ASSERT_FALSE(t.Eof());
    EXPECT_GE(t.FieldByName("FECHA_INI").AsDate(), dt::EncodeDate(2004, 2, 1));
    EXPECT_EQ(t.CompareCurrentKey(t.FieldByName("FECHA_INI").AsDate()), 0);
    EXPECT_LT(t.CompareCurrentKey(dt::EncodeDate(2004, 12, 1)), 0);
    t.Prior();
    EXPECT_LT(t.FieldByName("FECHA_INI").AsDate(), dt::EncodeDate(2004, 2, 1));
    EXPECT_FALSE(t.FindKey(dt::EncodeDate(2003, 1, 1)));

    for (int i = 0; i < 60; ++i)
      AddAppointment(t, 500 + i, dt::EncodeDate(2004, 1, 15) + (i * 7) % 60, "Nuevo " + std::to_string(i * 31 % 17));
    // Edits move records within every tag; deletes take them out.
    t.SetIndexName("ID");
    for (int id : {3, 40, 77, 510}) {
      ASSERT_TRUE(t.FindKey(id)) << id;
      t.Edit();
      t.FieldByName("FECHA_INI").SetAsDate(dt::EncodeDate(2004, 3, 1) + id % 5);
      t.FieldByName("HORA_INI").SetAsString("23:59");
      t.FieldByName("ASUNTO").SetAsString("Cambiado " + std::to_string(id));
      ASSERT_TRUE(t.Post());
    }
    for (int id : {5, 90, 520, 559}) {
      ASSERT_TRUE(t.FindKey(id)) << id;
      t.Delete();
    }
    EXPECT_EQ(t.Verify(), std::vector<std::string>{});
  }
  for (const std::string& tag : tags) {
    SCOPED_TRACE(tag);
    const Walked ours = OurExpressionWalk(folder, tag);
    EXPECT_EQ(ours.ids.size(), 149u + 60u - 4u);
    EXPECT_TRUE(ours.ordered);
    EXPECT_EQ(TdbfIds(Probe("walk " + folder + " AGENDA.DBF " + tag + " ID")), ours.ids);
  }
  // An index out of step with the records (the change counter moved on
  // without it) is rebuilt in the file, every tag on its own expression.
  {
    std::fstream dbf(folder + "AGENDA.DBF", std::ios::in | std::ios::out | std::ios::binary);
    dbf.seekp(16);
    dbf.put('\x7F');
  }
  {
    Table t(folder, "AGENDA.DBF");
    t.Open();
    std::vector<std::string> names;
    for (const TagInfo& tag : t.Tags()) names.push_back(tag.name + " " + tag.expression);
    EXPECT_EQ(names, (std::vector<std::string>{"ID ID", "FECHA_INI DTOS(FECHA_INI)", "ASUNTO SUBSTR(ASUNTO,1,40)",
                                               "DIAHORA DTOS(FECHA_INI)+HORA_INI", "IDTEXTO STR(ID,10)"}));
    EXPECT_EQ(t.Verify(), std::vector<std::string>{});
  }
  for (const std::string& tag : tags) {
    SCOPED_TRACE("rebuilt " + tag);
    EXPECT_EQ(TdbfIds(Probe("walk " + folder + " AGENDA.DBF " + tag + " ID")), OurExpressionWalk(folder, tag).ids);
  }
}

TEST_F(TdbfInteropTest, ATagWeCannotEvaluateOpensReadOnlyAndLeavesTheFilesAlone) {
  const std::string folder = FreshFolder("tdbf-expr-unknown");
  ASSERT_EQ(Probe("agenda " + folder + " RARO 'UPPER(HORA_FIN)'"), "");
  // Another program's function in the tag's expression (the tag header
  // holds it as NUL-terminated text).
  std::string mdx;
  for (const auto& e : std::filesystem::directory_iterator(folder))
    if (e.path().extension() == ".mdx" || e.path().extension() == ".MDX") mdx = e.path().string();
  ASSERT_FALSE(mdx.empty());
  const std::string bytes = ReplaceInFile(mdx, "UPPER(HORA_FIN)", std::string("SOUNDEX(HORA_FIN)") + '\0');
  ASSERT_FALSE(bytes.empty());
  const std::string dbfBefore = ReadAll(folder + "AGENDA.DBF");

  Table t(folder, "AGENDA.DBF");
  t.Open();
  EXPECT_NE(t.ReadOnlyReason().find("RARO"), std::string::npos) << t.ReadOnlyReason();
  EXPECT_NE(t.ReadOnlyReason().find("SOUNDEX(HORA_FIN)"), std::string::npos) << t.ReadOnlyReason();
  // Reading goes on, on the tags it can evaluate.
  t.SetIndexName("FECHA_INI");
  t.FindNearest(dt::EncodeDate(2004, 2, 1));
  EXPECT_FALSE(t.Eof());
  EXPECT_EQ(t.RecordCount(), 149u);
  // Writing is refused with the reason.
  try {
    t.Append();
    ADD_FAILURE() << "appended";
  } catch (const DbError& e) {
    EXPECT_NE(std::string(e.what()).find("SOUNDEX(HORA_FIN)"), std::string::npos) << e.what();
  }
  EXPECT_THROW(t.Edit(), DbError);
  EXPECT_THROW(t.Delete(), DbError);
  const auto problems = t.Verify();
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0], t.ReadOnlyReason());
  t.Close();
  // Exclusive work (reorganising, adding an index) is refused before it starts.
  EXPECT_THROW(t.Open(OpenMode::Exclusive), DbError);
  EXPECT_EQ(ReadAll(mdx), bytes);
  EXPECT_EQ(ReadAll(folder + "AGENDA.DBF"), dbfBefore);
}

std::string MdxOf(const std::string& folder) {
  for (const auto& e : std::filesystem::directory_iterator(folder))
    if (e.path().extension() == ".mdx" || e.path().extension() == ".MDX") return e.path().string();
  return {};
}

void Patch(const std::string& path, size_t at, const std::string& bytes) {
  std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
  f.seekp(static_cast<std::streamoff>(at));
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

TEST_F(TdbfInteropTest, AnIndexFileWeCannotReadIsNeverRebuiltOver) {
  const std::string fixture = FreshFolder("tdbf-mdx-fixture");
  ASSERT_EQ(Probe("agenda " + fixture), "");
  struct Case {
    const char* what;
    size_t at;
    std::string bytes;
  } cases[] = {
      {"a version of the format we do not know", 0, "\x09"},
      {"tag entries of another size", 26, "\x40"},
      {"more tags than the format allows", 28, std::string("\x63\x00", 2)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string folder = FreshFolder("tdbf-mdx-unreadable");
    for (const auto& e : std::filesystem::directory_iterator(fixture))
      std::filesystem::copy_file(e.path(), folder + e.path().filename().string());
    const std::string mdx = MdxOf(folder);
    Patch(mdx, c.at, c.bytes);
    const std::string mdxBefore = ReadAll(mdx), dbfBefore = ReadAll(folder + "AGENDA.DBF");
    {
      Table t(folder, "AGENDA.DBF");
      // Not one write, sync, rename or unlink on the way.
      SetIoFaultPlan({});
      t.Open();
      EXPECT_EQ(IoPointsSoFar(), 0);
      EXPECT_NE(t.ReadOnlyReason().find(mdx), std::string::npos) << t.ReadOnlyReason();
      EXPECT_EQ(t.RecordCount(), 149u);  // the records still read
      EXPECT_THROW(t.Append(), DbError);
      EXPECT_EQ(t.Verify(), std::vector<std::string>{t.ReadOnlyReason()});
      t.Close();
      EXPECT_THROW(t.Open(OpenMode::Exclusive), DbError);
    }
    EXPECT_EQ(ReadAll(mdx), mdxBefore);
    EXPECT_EQ(ReadAll(folder + "AGENDA.DBF"), dbfBefore);
  }
  // A file too short to hold any tag is made anew, as a missing one is.
  const std::string folder = FreshFolder("tdbf-mdx-empty");
  for (const auto& e : std::filesystem::directory_iterator(fixture))
    std::filesystem::copy_file(e.path(), folder + e.path().filename().string());
  std::filesystem::resize_file(MdxOf(folder), 0);
  Table t(folder, "AGENDA.DBF");
  t.Open();
  EXPECT_EQ(t.ReadOnlyReason(), "");
  EXPECT_EQ(t.Verify(), std::vector<std::string>{});
  AddAppointment(t, 900, dt::EncodeDate(2004, 5, 1), "Nueva");
}

TEST_F(TdbfInteropTest, QuotedTextsInTagExpressionsKeepTheirCase) {
  const std::string folder = FreshFolder("tdbf-expr-literal");
  ASSERT_EQ(Probe("agenda " + folder), "");
  {
    Table t(folder, "AGENDA.DBF");
    t.Open(OpenMode::Exclusive);
    t.AddIndex({"PREFIJO", "'a'+hora_ini", false});
  }
  EXPECT_NE(ReadAll(MdxOf(folder)).find("'a'+HORA_INI"), std::string::npos);
  for (const char* when : {"as added", "rebuilt out of step"}) {
    SCOPED_TRACE(when);
    Table t(folder, "AGENDA.DBF");
    t.Open();
    EXPECT_EQ(t.Tags().back().expression, "'a'+HORA_INI");
    EXPECT_EQ(t.Verify(), std::vector<std::string>{});  // keys of 'a', not 'A'
    t.Close();
    EXPECT_EQ(TdbfIds(Probe("walk " + folder + " AGENDA.DBF PREFIJO ID")).size(), 149u);
    Patch(folder + "AGENDA.DBF", 16, "\x7F");
  }
}

}  // namespace
