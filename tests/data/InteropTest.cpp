// Tables written by the engine, read by independent dBase readers:
// python3-dbfread for values, Perl's XBase (dbf_dump, index_dump) for values
// and the order of every tag of the production index.
#include <array>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>

#include "TableTestSupport.h"
#include "core/DateTime.h"

using namespace data;
using namespace testdata;

namespace {

class InteropTest : public ::testing::Test {
 protected:
  // One table for every reader (writing it syncs each record).
  static void SetUpTestSuite() {
    folder = FreshFolder("interop");
    Table t(folder, "AGENDA");
    t.Create(AgendaFieldDefs(), AgendaIndexDefs());
    t.Open();
    // Enough records for several index pages and a branch level.
    for (int i = 0; i < 400; ++i) {
      int id = (i * 37) % 401 + 1;
      std::string notes = i % 4 == 0 ? "" : "Nota " + std::to_string(id) + (i % 7 == 0 ? std::string(900, 'z') : "");
      AddAppointment(t, id, dt::EncodeDate(2004, 1, 1) + (i * 13) % 120, "Cita ñandú " + std::to_string(id), notes);
    }
    // A deleted record must stay invisible to the others too.
    t.SetIndexName("ID");
    ASSERT_TRUE(t.FindKey(2));
    t.Delete();
  }

  // ID|FECHA_INI|ASUNTO|NOTAS of every visible record in file order, from our engine.
  std::vector<std::string> OurRows() {
    Table t(folder, "AGENDA");
    t.Open();
    std::vector<std::string> rows;
    for (t.First(); !t.Eof(); t.Next())
      rows.push_back(t.FieldByName("ID").AsString() + "|" + t.FieldByName("FECHA_INI").AsString() + "|" +
                     t.FieldByName("ASUNTO").AsString() + "|" + t.FieldByName("NOTAS").AsString());
    return rows;
  }

  std::vector<std::uint32_t> OurOrder(const std::string& tag) {
    Table t(folder, "AGENDA");
    t.Open();
    t.SetIndexName(tag);
    std::vector<std::uint32_t> recnos;
    for (t.First(); !t.Eof(); t.Next()) recnos.push_back(t.RecNo());
    return recnos;
  }

  static std::string folder;
};

std::string InteropTest::folder;

TEST_F(InteropTest, DbfreadReadsTheSameValues) {
  const std::string script =
      "import sys, dbfread\n"
      "t = dbfread.DBF(sys.argv[1], encoding=None)\n"
      "assert t.encoding == 'cp1252', t.encoding\n"
      "for r in t:\n"
      "    d = r['FECHA_INI']\n"
      "    n = r['ID']\n"
      "    print('%s|%s|%s|%s' % (int(n) if n == int(n) else n, d.isoformat() if d else '', r['ASUNTO'], r['NOTAS'] or ''))\n";
  std::string out = RunCommand("/usr/bin/python3 -c \"" + std::string(script) + "\" " + folder + "AGENDA.DBF 2>&1");
  EXPECT_EQ(Lines(out), OurRows()) << out.substr(0, 2000);
}

TEST_F(InteropTest, PerlDbfDumpReadsTheSameValues) {
  std::string out = RunCommand("LC_ALL=C dbf_dump --fs '|' --fields ID,FECHA_INI,ASUNTO,NOTAS " + folder + "AGENDA.DBF 2>&1 | iconv -f cp1252 -t utf-8");
  std::vector<std::string> theirs = Lines(out);
  std::vector<std::string> ours = OurRows();
  ASSERT_EQ(theirs.size(), ours.size()) << out.substr(0, 2000);
  for (size_t i = 0; i < ours.size(); ++i) {
    // dbf_dump prints numbers with their decimals and dates as YYYYMMDD.
    std::vector<std::string> a, b;
    std::stringstream sa(theirs[i]), sb(ours[i]);
    for (std::string x; std::getline(sa, x, '|');) a.push_back(x);
    for (std::string x; std::getline(sb, x, '|');) b.push_back(x);
    ASSERT_GE(a.size(), 3u) << theirs[i];
    EXPECT_EQ(std::stod(a[0]), std::stod(b[0]));
    std::string iso = b[1];
    iso.erase(std::remove(iso.begin(), iso.end(), '-'), iso.end());
    EXPECT_EQ(a[1], iso);
    EXPECT_EQ(a[2], b[2]);
    EXPECT_EQ(a.size() > 3 ? a[3] : "", b.size() > 3 ? b[3] : "");
  }
}

TEST_F(InteropTest, PerlIndexDumpWalksEveryTagInOurOrder) {
  std::string tags = RunCommand("LC_ALL=C index_dump " + folder + "AGENDA.MDX 2>&1");
  EXPECT_EQ(Lines(tags), (std::vector<std::string>{"FECHA_INI", "ID"}));
  for (const std::string tag : {"ID", "FECHA_INI"}) {
    std::string out = RunCommand("LC_ALL=C index_dump " + folder + "AGENDA.MDX " + tag + " 2>&1");
    // Each line is the raw key (binary for numbers and dates), a blank and
    // the record number.
    const size_t keyLength = tag == "ID" ? 12 : 8;
    std::vector<std::uint32_t> recnos;
    for (size_t pos = 0; pos < out.size();) {
      pos += keyLength;
      ASSERT_LT(pos, out.size());
      ASSERT_EQ(out[pos], ' ') << out.substr(0, 300);
      size_t end = out.find('\n', pos);
      ASSERT_NE(end, std::string::npos);
      recnos.push_back(static_cast<std::uint32_t>(std::stoul(out.substr(pos + 1, end - pos - 1))));
      pos = end + 1;
    }
    EXPECT_EQ(recnos, OurOrder(tag)) << tag;
    EXPECT_EQ(recnos.size(), 399u);
  }
}

// Perl's XBase marks a dBase IV table with memo fields as level 0x84.
TEST(XBaseWrittenTableTest, ALevel84TableWithMemoReadsAndTakesOurRecords) {
  const std::string folder = FreshFolder("xbase84");
  {
    std::ofstream script(folder + "write.pl");
    script << "use XBase;\n"
              "my $t = XBase->create(name => '" << folder << "T84', version => 4,\n"
              "  field_names => ['ID', 'NAME', 'NOTE', 'DAY'], field_types => ['N', 'C', 'M', 'D'],\n"
              "  field_lengths => [11, 20, 10, 8], field_decimals => [0, 0, 0, 0]) or die XBase->errstr;\n"
              "$t->set_record(0, 1, 'uno', 'nota uno', '20040301') or die $t->errstr;\n"
              "$t->set_record(1, 2, 'dos', 'nota dos ' . ('y' x 700), '20040302') or die $t->errstr;\n"
              "$t->close;\n";
  }
  ASSERT_EQ(RunCommand("perl " + folder + "write.pl 2>&1"), "");
  Table t(folder, "T84.DBF");
  t.Open();
  EXPECT_EQ(t.LevelByte(), 0x84);
  std::vector<std::string> rows;
  for (t.First(); !t.Eof(); t.Next())
    rows.push_back(t.FieldByName("ID").AsString() + "|" + t.FieldByName("NAME").AsString() + "|" +
                   t.FieldByName("NOTE").AsString().substr(0, 12) + "|" + t.FieldByName("DAY").AsString());
  EXPECT_EQ(rows, (std::vector<std::string>{"1|uno|nota uno|2004-03-01", "2|dos|nota dos yyy|2004-03-02"}));
  t.Append();
  t.FieldByName("ID").SetAsInteger(3);
  t.FieldByName("NAME").SetAsString("tres");
  t.FieldByName("NOTE").SetAsString("nota nuestra");
  t.FieldByName("DAY").SetAsDate(dt::EncodeDate(2004, 3, 3));
  ASSERT_TRUE(t.Post());
  EXPECT_EQ(t.Verify(), std::vector<std::string>{});
  t.Close();
  const auto theirs = Lines(RunCommand("LC_ALL=C dbf_dump --fs '|' " + folder + "T84.dbf 2>&1"));
  ASSERT_EQ(theirs.size(), 3u);
  EXPECT_EQ(theirs[0], "1|uno|nota uno|20040301");
  EXPECT_EQ(theirs[2], "3|tres|nota nuestra|20040303");
}

}  // namespace
