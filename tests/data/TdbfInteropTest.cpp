// Free Pascal's TDbf, compiled from tdbf/tdbf_probe.pas during the test run,
// as a second dBase engine: it walks the tags of our production index, and
// the tables it writes at levels 3, 4 and 7 read back here with the same
// values and index order (and stay right for it after we add to them).
#include <array>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <sstream>

#include "TableTestSupport.h"
#include "core/DateTime.h"

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

}  // namespace
