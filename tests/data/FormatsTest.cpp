// Tables of other levels and code pages, built byte by byte as their
// programs write them, and indexes found out of step at open.
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "TableTestSupport.h"
#include "core/DateTime.h"
#include "data/FieldCodec.h"

using namespace data;
using namespace testdata;

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}
void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}
void PutU32(std::string& s, size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>(v >> (8 * i));
}
void PutU16(std::string& s, size_t at, std::uint16_t v) {
  s[at] = static_cast<char>(v);
  s[at + 1] = static_cast<char>(v >> 8);
}

struct RawField {
  std::string name;
  char type;
  int length;
  int decimals = 0;
};

// A DBF of `version` with 32-byte (or dBase 7 48-byte) descriptors.
std::string BuildDbf(std::uint8_t version, std::uint8_t driver, const std::vector<RawField>& fields,
                     const std::vector<std::string>& records, bool endMarker, const std::string& afterTerminator = "",
                     const std::string& driverName = "") {
  const bool v7 = (version & 0x07) == 4;
  const size_t desc = v7 ? 48 : 32, start = v7 ? 68 : 32;
  std::string h(start + desc * fields.size() + 1, '\0');
  h[0] = static_cast<char>(version);
  h[1] = 4;  // year written as two digits by old programs
  h[2] = 3;
  h[3] = 12;
  PutU32(h, 4, static_cast<std::uint32_t>(records.size()));
  int recLen = 1;
  for (const auto& f : fields) recLen += f.length;
  h[29] = static_cast<char>(driver);
  if (v7) std::memcpy(&h[32], driverName.data(), driverName.size());
  for (size_t i = 0; i < fields.size(); ++i) {
    char* d = &h[start + desc * i];
    std::memcpy(d, fields[i].name.data(), fields[i].name.size());
    const size_t t = v7 ? 32 : 11;
    d[t] = fields[i].type;
    d[v7 ? 33 : 16] = static_cast<char>(fields[i].length);
    d[v7 ? 34 : 17] = static_cast<char>(fields[i].decimals);
  }
  h.back() = 0x0D;
  h += afterTerminator;
  PutU16(h, 8, static_cast<std::uint16_t>(h.size()));
  PutU16(h, 10, static_cast<std::uint16_t>(recLen));
  for (const auto& r : records) {
    EXPECT_EQ(r.size(), static_cast<size_t>(recLen));
    h += r;
  }
  if (endMarker) h += '\x1A';
  return h;
}

std::string BE32(std::uint32_t v) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i) s[i] = static_cast<char>(v >> (24 - 8 * i));
  return s;
}
std::string OrderedDouble(double d) {
  std::uint64_t v;
  std::memcpy(&v, &d, 8);
  v = (v & 0x8000000000000000ULL) ? ~v : (v | 0x8000000000000000ULL);
  std::string s(8, '\0');
  for (int i = 0; i < 8; ++i) s[i] = static_cast<char>(v >> (56 - 8 * i));
  return s;
}

TEST(FormatsTest, DBase3TableWithMemoAndCodePage437ReadsAndKeepsItsBytes) {
  const std::string folder = FreshFolder("dbase3");
  // "Müller" in code page 437 (ü = 0x81), a deleted record, no end marker.
  std::string r1 = std::string(" M") + "\x81" "ller    " + "  12.50" + "20040312" + "T" + "         1";
  std::string r2 = std::string("*Borrado   ") + "   1.00" + "20040101" + "F" + "          ";
  std::string r3 = std::string(" Otro      ") + "  -3.00" + "        " + "?" + "          ";
  std::string dbf = BuildDbf(0x83, 0x01, {{"NOMBRE", 'C', 10}, {"IMPORTE", 'N', 7, 2}, {"DIA", 'D', 8}, {"OK", 'L', 1},
                                          {"NOTAS", 'M', 10}},
                             {r1, r2, r3}, false);
  std::string dbt(512, '\0');
  PutU32(dbt, 0, 3);
  dbt += std::string("Nota en c" "\xA2" "digo 437") + "\x1A\x1A";  // ó = 0xA2
  dbt.resize(1024, '\0');
  WriteFile(folder + "CLIENTES.DBF", dbf);
  WriteFile(folder + "clientes.dbt", dbt);

  Table t(folder, "clientes");
  t.Open();
  EXPECT_EQ(t.LevelByte(), 0x83);
  EXPECT_EQ(t.CodePage(), 437);
  EXPECT_EQ(t.RecordCount(), 2u);
  EXPECT_EQ(t.FieldByName("NOMBRE").AsString(), "Müller");
  EXPECT_EQ(t.FieldByName("IMPORTE").AsFloat(), 12.5);
  EXPECT_EQ(t.FieldByName("DIA").AsDate(), dt::EncodeDate(2004, 3, 12));
  EXPECT_EQ(t.FieldByName("OK").AsBoolean(), std::optional<bool>(true));
  EXPECT_EQ(t.FieldByName("NOTAS").AsString(), "Nota en código 437");
  t.Next();
  EXPECT_EQ(t.FieldByName("NOMBRE").AsString(), "Otro") << "the deleted record is skipped";
  EXPECT_TRUE(t.FieldByName("DIA").IsNull());
  EXPECT_EQ(t.FieldByName("OK").AsBoolean(), std::nullopt);
  // Editing one record rewrites that record only, in the table's own forms.
  t.Edit();
  t.FieldByName("NOTAS").SetAsString("Añadida");
  t.FieldByName("IMPORTE").SetAsFloat(-4.25);
  ASSERT_TRUE(t.Post());
  t.Close();
  std::string after = ReadFile(folder + "CLIENTES.DBF");
  const size_t hl = dbf.size() - 3 * r1.size();
  EXPECT_EQ(after[0], '\x83');
  EXPECT_EQ(after.substr(hl, 2 * r1.size()), r1 + r2) << "untouched records keep their bytes";
  EXPECT_EQ(after.substr(hl + 2 * r1.size() + 11, 7), "  -4.25");
  std::string memo = ReadFile(folder + "clientes.dbt");
  EXPECT_NE(memo.find(std::string("A\xA4") + "adida\x1A\x1A"), std::string::npos) << "dBase III memo in code page 437";
  t.Open();
  t.Last();
  EXPECT_EQ(t.FieldByName("NOTAS").AsString(), "Añadida");
}

TEST(FormatsTest, DBase7FieldTypesReadAndWriteInTheirOwnEncoding) {
  const std::string folder = FreshFolder("dbase7");
  const double stamp = dt::EncodeDate(2004, 3, 12) + dt::EncodeTime(10, 30);
  std::string r1 = " " + BE32(static_cast<std::uint32_t>(57) ^ 0x80000000U) + OrderedDouble(-2.5) +
                   BE32(1 ^ 0x80000000U) + OrderedDouble((stamp + 693594.0) * 86400000.0) + "Caf" "\xE9" "      ";
  std::string props(20, '\0');  // the optional field-properties block after the terminator
  std::string dbf = BuildDbf(0x04, 0, {{"N", 'I', 4}, {"F", 'O', 8}, {"AUTO", '+', 4}, {"WHEN", '@', 8}, {"TEXT", 'C', 10}},
                             {r1}, true, props, "DB850ES0");
  WriteFile(folder + "SIETE.DBF", dbf);
  Table t(folder, "SIETE.DBF");
  t.Open();
  EXPECT_EQ(t.LevelByte(), 0x04);
  EXPECT_EQ(t.CodePage(), 850);
  EXPECT_EQ(t.FieldByName("N").AsInteger(), 57);
  EXPECT_EQ(t.FieldByName("F").AsFloat(), -2.5);
  EXPECT_EQ(t.FieldByName("AUTO").AsInteger(), 1);
  EXPECT_NEAR(t.FieldByName("WHEN").AsDate(), stamp, 1e-8);
  EXPECT_EQ(t.FieldByName("TEXT").AsString(), "Caf\u00da") << "0xE9 is Ú in code page 850";
  const double later = dt::EncodeDate(2005, 11, 30) + dt::EncodeTime(23, 59, 58);
  t.Append();
  t.FieldByName("N").SetAsInteger(-7);
  t.FieldByName("F").SetAsFloat(1e6);
  t.FieldByName("WHEN").SetAsDate(later);  // a timestamp keeps its time of day
  t.FieldByName("TEXT").SetAsString("Ú");
  ASSERT_TRUE(t.Post());
  t.Close();
  std::string after = ReadFile(folder + "SIETE.DBF");
  EXPECT_EQ(after[0], '\x04') << "a dBase 7 table stays dBase 7";
  const size_t rec2 = dbf.size() - 1;  // the new record replaces the end marker
  EXPECT_EQ(after.substr(rec2 + 1, 4), BE32(static_cast<std::uint32_t>(-7) ^ 0x80000000U));
  EXPECT_EQ(after.substr(rec2 + 5, 8), OrderedDouble(1e6));
  EXPECT_EQ(after.substr(rec2 + 17, 8), OrderedDouble(std::round((later + 693594.0) * 86400000.0)));
  EXPECT_EQ(after[rec2 + 25], '\xE9');
  t.Open();
  t.Last();
  EXPECT_EQ(t.FieldByName("N").AsInteger(), -7);
  EXPECT_EQ(t.FieldByName("F").AsFloat(), 1e6);
  EXPECT_NEAR(t.FieldByName("WHEN").AsDate(), later, 1e-8);
  EXPECT_EQ(t.FieldByName("WHEN").AsString(), "2005-11-30 23:59:58");
}

// New records of a dBase 7 table number their autoincrement field from the
// counter in its descriptor, which other copies share.
TEST(FormatsTest, DBase7AutoincrementFieldNumbersNewRecordsFromItsCounter) {
  const std::string folder = FreshFolder("dbase7auto");
  std::string r1 = " " + BE32(4 ^ 0x80000000U) + "primero   ";
  std::string dbf = BuildDbf(0x04, 0, {{"AUTO", '+', 4}, {"TEXT", 'C', 10}}, {r1}, true);
  const size_t counterAt = 68 + 42;  // first descriptor, bytes 42-45
  PutU32(dbf, counterAt, 5);
  WriteFile(folder + "AUTO.DBF", dbf);
  Table a(folder, "AUTO"), b(folder, "AUTO");
  a.Open();
  b.Open();
  auto add = [](Table& t, const std::string& text, int given = 0) {
    t.Append();
    t.FieldByName("TEXT").SetAsString(text);
    if (given) t.FieldByName("AUTO").SetAsInteger(given);
    EXPECT_TRUE(t.Post());
    return t.FieldByName("AUTO").AsInteger();
  };
  EXPECT_EQ(add(a, "a1"), 5);
  EXPECT_EQ(add(b, "b1"), 6) << "the other copy's number was taken";
  EXPECT_EQ(add(a, "a2"), 7);
  EXPECT_EQ(add(b, "dado", 100), 100) << "a number given is kept";
  EXPECT_EQ(add(a, "a3"), 101);
  a.Close();
  b.Close();
  const std::string after = ReadFile(folder + "AUTO.DBF");
  EXPECT_EQ(static_cast<unsigned char>(after[counterAt]), 102);
  Table t(folder, "AUTO");
  t.Open();
  std::vector<std::int64_t> numbers;
  for (t.First(); !t.Eof(); t.Next()) numbers.push_back(t.FieldByName("AUTO").AsInteger());
  EXPECT_EQ(numbers, (std::vector<std::int64_t>{4, 5, 6, 7, 100, 101}));
  // A post refused after numbering gives its number back.
  t.Close();
  t.Open(OpenMode::Exclusive);
  t.AddIndex({"TEXT", "TEXT", true});
  t.Append();
  t.FieldByName("TEXT").SetAsString("a1");
  EXPECT_THROW(t.Post(), DbError);
  EXPECT_TRUE(t.FieldByName("AUTO").IsNull());
  t.Cancel();
  EXPECT_EQ(add(t, "otra"), 102);
}

TEST(FormatsTest, NumericTextsReadAsStrtodReadsThem) {
  // Whole numbers take a quick path; every text must still read as the
  // C library reads it (commas as points), blank as 0.
  const char* texts[] = {"        42", "       -7 ", "     12.00", "      12.5", "          ", "    -0    ",
                         "1e3       ", "  12abc   ", "   12,0   ", "   12,25  ", "9999999999", "  - 5     ",
                         "    0.0001", "     1.   ", "       +3 ", "   3 4    "};
  data::DbfField f;
  f.type = 'N';
  f.length = 10;
  for (const char* text : texts) {
    std::string c(text);
    for (char& ch : c)
      if (ch == ',') ch = '.';
    char* end = nullptr;
    const double expected = std::strtod(c.c_str(), &end);
    const double got = data::ReadNumber(f, text, data::DbfLevel::dBase4);
    EXPECT_EQ(got, end == c.c_str() ? 0.0 : expected) << "'" << text << "'";
    EXPECT_EQ(std::signbit(got), end != c.c_str() && std::signbit(expected)) << "'" << text << "'";
  }
  f.length = 20;
  EXPECT_EQ(data::ReadNumber(f, "  123456789012345678", data::DbfLevel::dBase4), 123456789012345678.0);
}

TEST(FormatsTest, FoxProHeaderWithBacklinkReads) {
  const std::string folder = FreshFolder("foxpro");
  std::string r1 = std::string(" ") + "Hola " + "   42" + std::string("\x07\x00\x00\x00", 4) + "T";
  std::string dbf = BuildDbf(0x30, 0x03, {{"NAME", 'C', 5}, {"QTY", 'N', 5}, {"CODE", 'I', 4}, {"OK", 'L', 1}}, {r1},
                             true, std::string(263, '\0'));
  WriteFile(folder + "fox.dbf", dbf);
  Table t(folder, "FOX");
  t.Open();
  EXPECT_EQ(t.FieldByName("NAME").AsString(), "Hola");
  EXPECT_EQ(t.FieldByName("QTY").AsInteger(), 42);
  EXPECT_EQ(t.FieldByName("CODE").AsInteger(), 7);
  EXPECT_EQ(t.FieldByName("OK").AsBoolean(), std::optional<bool>(true));
}

class OutOfStepTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = FreshFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
    Table t(folder, "AGENDA");
    t.Create(AgendaFieldDefs(), AgendaIndexDefs());
    t.Open();
    for (int i = 1; i <= 150; ++i) AddAppointment(t, i, dt::EncodeDate(2004, 1, 1) + i % 40, "c" + std::to_string(i));
  }
  void ExpectIndexesWork() {
    Table t(folder, "AGENDA");
    ASSERT_NO_THROW(t.Open());
    EXPECT_EQ(t.Verify(), std::vector<std::string>{});
    t.SetIndexName("ID");
    for (int id : {1, 77, 150}) EXPECT_TRUE(t.FindKey(id)) << id;
    t.SetIndexName("FECHA_INI");
    int n = 0;
    for (t.First(); !t.Eof(); t.Next()) ++n;
    EXPECT_EQ(n, static_cast<int>(t.RecordCount()));
  }
  std::string folder;
};

TEST_F(OutOfStepTest, MissingIndexFileIsRebuiltFromTheFieldFlags) {
  std::filesystem::remove(folder + "AGENDA.MDX");
  ExpectIndexesWork();
  EXPECT_TRUE(std::filesystem::exists(folder + "AGENDA.MDX")) << "rebuilt in the file";
}

// An index file whose header or tag table cannot be parsed may hold tags of
// other programs: it is only read around (tags of the field flags, in memory).
// One whose tags all read, with a damaged page, is rebuilt with those tags.
TEST_F(OutOfStepTest, AnIndexFileItCannotParseIsLeftAloneADamagedPageIsRebuilt) {
  const std::string good = ReadFile(folder + "AGENDA.MDX");
  struct Case {
    const char* what;
    std::string bytes;
    bool parses;
  } cases[] = {
      {"unknown version", "\x09" + good.substr(1), false},
      {"truncated", good.substr(0, 3000), false},
      {"a garbage page", good.substr(0, 3072) + std::string(1024, '\x7F') + good.substr(4096), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteFile(folder + "AGENDA.MDX", c.bytes);
    if (c.parses) {
      ExpectIndexesWork();
      continue;
    }
    {
      Table t(folder, "AGENDA");
      t.Open();
      EXPECT_NE(t.ReadOnlyReason().find("AGENDA.MDX"), std::string::npos) << t.ReadOnlyReason();
      t.SetIndexName("ID");
      for (int id : {1, 77, 150}) EXPECT_TRUE(t.FindKey(id)) << id;
      EXPECT_THROW(t.Edit(), DbError);
    }
    EXPECT_EQ(ReadFile(folder + "AGENDA.MDX"), c.bytes);
    WriteFile(folder + "AGENDA.MDX", good);
  }
}

// dBase tags can be in descending order or hold only the records meeting a
// FOR condition (flags in the tag header): this engine keeps neither, so such
// a tag makes the table read-only, as one on an unknown expression does.
TEST_F(OutOfStepTest, ADescendingOrConditionalTagIsOnlyRead) {
  const std::string good = ReadFile(folder + "AGENDA.MDX");
  const size_t tagHeader = 512 * (static_cast<std::uint8_t>(good[544]) | static_cast<std::uint8_t>(good[545]) << 8);
  const std::string firstTag = good.substr(548, good.find('\0', 548) - 548);
  struct Case {
    const char* what;
    size_t at;
    char value;
    const char* says;
  } cases[] = {{"descending", tagHeader + 8, static_cast<char>(good[tagHeader + 8] | 0x08), "de mayor a menor"},
               {"FOR condition", tagHeader + 245, 1, "cumplen una condición"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string mdx = good;
    mdx[c.at] = c.value;
    WriteFile(folder + "AGENDA.MDX", mdx);
    {
      Table t(folder, "AGENDA");
      t.Open();
      EXPECT_NE(t.ReadOnlyReason().find("La etiqueta " + firstTag + " "), std::string::npos) << t.ReadOnlyReason();
      // Its expression is one this program evaluates: the reason is the flag.
      EXPECT_NE(t.ReadOnlyReason().find(c.says), std::string::npos) << t.ReadOnlyReason();
      EXPECT_EQ(t.ReadOnlyReason().find("no sabe calcular"), std::string::npos) << t.ReadOnlyReason();
      EXPECT_THROW(t.Append(), DbError);
      t.Close();
      EXPECT_THROW(t.Open(OpenMode::Exclusive), DbError);
    }
    EXPECT_EQ(ReadFile(folder + "AGENDA.MDX"), mdx);
  }
}

TEST_F(OutOfStepTest, RecordsAppendedByAnotherProgramAreIndexedAtOpen) {
  // Another program appends a record and counts it, leaving the index alone.
  std::string dbf = ReadFile(folder + "AGENDA.DBF");
  std::string rec;
  {
    Table t(folder, "AGENDA");
    t.Open();
    t.Last();
    rec = std::string(dbf.substr(dbf.size() - 1 - 0, 0));
  }
  const std::uint16_t hl = static_cast<std::uint8_t>(dbf[8]) | (static_cast<std::uint8_t>(dbf[9]) << 8);
  const std::uint16_t rl = static_cast<std::uint8_t>(dbf[10]) | (static_cast<std::uint8_t>(dbf[11]) << 8);
  std::string last = dbf.substr(hl + 149 * rl, rl);
  std::string copy = last;
  std::memcpy(&copy[1], "                 999", 20);  // ID 999
  dbf.resize(hl + 150 * rl);
  dbf += copy + "\x1A";
  PutU32(dbf, 4, 151);
  WriteFile(folder + "AGENDA.DBF", dbf);
  ExpectIndexesWork();
  Table t(folder, "AGENDA");
  t.Open();
  t.SetIndexName("ID");
  EXPECT_TRUE(t.FindKey(999));
}

// A post announces its index pages in the index header before writing them;
// a crash after the announcement but before (all) the pages leaves a header
// whose counter matches the table while some pages are old.
TEST_F(OutOfStepTest, IndexPagesCutShortAfterTheirAnnouncementAreNoticed) {
  for (bool allPages : {true, false}) {
    SCOPED_TRACE(allPages ? "no page written" : "one page not written");
    const std::string before = ReadFile(folder + "AGENDA.MDX");
    const int id = allPages ? 500 : 501;
    {
      Table t(folder, "AGENDA");
      t.Open();
      AddAppointment(t, id, dt::EncodeDate(2004, 1, 20), "tras el corte");
    }
    std::string after = ReadFile(folder + "AGENDA.MDX");
    ASSERT_GE(after.size(), before.size());
    std::string crashed = after;
    if (allPages) {
      crashed = after.substr(0, 512) + before.substr(512);
    } else {
      size_t page = 2048;
      while (page + 1024 <= before.size() && before.compare(page, 1024, after, page, 1024) == 0) page += 1024;
      ASSERT_LT(page + 1024, before.size() + 1) << "the post changed no existing page";
      crashed.replace(page, 1024, before, page, 1024);
    }
    WriteFile(folder + "AGENDA.MDX", crashed);
    ExpectIndexesWork();
    Table t(folder, "AGENDA");
    t.Open();
    t.SetIndexName("ID");
    EXPECT_TRUE(t.FindKey(id));
    t.SetIndexName("FECHA_INI");
    t.FindNearest(dt::EncodeDate(2004, 1, 20));
    bool found = false;
    for (; !t.Eof() && t.FieldByName("FECHA_INI").AsDate() == dt::EncodeDate(2004, 1, 20); t.Next())
      found = found || t.FieldByName("ID").AsInteger() == id;
    EXPECT_TRUE(found);
  }
}

// The record and the table header reach the disk in one sync; a crash may
// keep the new header (change counter) but the old record. The index then
// holds the record's new keys and must not be trusted.
TEST_F(OutOfStepTest, RecordLeftOldUnderANewHeaderIsNoticed) {
  for (bool deleting : {false, true}) {
    SCOPED_TRACE(deleting ? "delete" : "edit");
    const std::string before = ReadFile(folder + "AGENDA.DBF");
    const int id = deleting ? 20 : 10;
    {
      Table t(folder, "AGENDA");
      t.Open();
      t.SetIndexName("ID");
      ASSERT_TRUE(t.FindKey(id));
      if (deleting) {
        t.Delete();
      } else {
        t.Edit();
        t.FieldByName("ID").SetAsInteger(900);
        ASSERT_TRUE(t.Post());
      }
    }
    std::string after = ReadFile(folder + "AGENDA.DBF");
    ASSERT_EQ(after.size(), before.size());
    std::string crashed = before;
    crashed.replace(0, 32, after, 0, 32);  // the new header over the old records
    WriteFile(folder + "AGENDA.DBF", crashed);
    ExpectIndexesWork();
    Table t(folder, "AGENDA");
    t.Open();
    t.SetIndexName("ID");
    EXPECT_TRUE(t.FindKey(id)) << "the record as it was";
    EXPECT_FALSE(t.FindKey(900));
  }
}

TEST_F(OutOfStepTest, SharedOpenRebuildsInMemoryAndLeavesTheFile) {
  Table other(folder, "AGENDA");
  other.Open();  // someone else works on the table
  std::filesystem::remove(folder + "AGENDA.MDX");
  Table t(folder, "AGENDA");
  t.Open();
  t.SetIndexName("ID");
  EXPECT_TRUE(t.FindKey(150));
  EXPECT_FALSE(std::filesystem::exists(folder + "AGENDA.MDX"));
  AddAppointment(t, 151, dt::EncodeDate(2005, 1, 1), "nueva");
  EXPECT_TRUE(t.FindKey(151));
  other.Close();
  t.Close();
  ExpectIndexesWork();
}

}  // namespace
