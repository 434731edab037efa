// Constraints on indexed columns go through the index: the number of records
// the virtual tables step onto shows it, and the results equal those of a
// scan in file order (a unary + hides a column from the index planner).
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "SqlFixture.h"
#include "SqlTestUtil.h"
#include "data/TableTestSupport.h"
#include "data/Table.h"
#include "data/sql/Query.h"

namespace data::sqltest {
namespace {

using Ids = std::vector<int>;

// 400 appointments over 200 days from 1 March 2024 (two a day, written in
// an order unlike date order) and 10 categories, made once for the suite.
class IndexUseTest : public ::testing::Test {
 protected:
  static constexpr int kDays = 200;
  static void SetUpTestSuite() {
    folder_ = testdata::FreshFolder("IndexUseTest");
    std::vector<Categoria> cats;
    for (int i = 0; i < 10; ++i) cats.push_back({i, "Cat " + std::to_string(i), i});
    CreateCategorias(folder_, cats);
    std::vector<Cita> citas;
    const TDate start = Day(2024, 3, 1);
    for (int i = 0; i < 2 * kDays; ++i) {
      const int day = (i * 37) % kDays;
      citas.push_back({i + 1, start + day, i % 2 ? "16:00" : "09:00", "Cita " + std::to_string(i + 1), "", 0,
                       i % 10, 0, "", ""});
    }
    CreateAgenda(folder_, citas);
    // The same appointments where another dBase program indexed FECHA_INI
    // on DTOS(FECHA_INI).
    dtosFolder_ = testdata::FreshFolder("IndexUseTestDtos");
    Table copy(dtosFolder_, "AGENDA.DBF");
    copy.Create(AgendaFieldDefs(), {{"ID", "ID", true}, {"FECHA_INI", "DTOS(FECHA_INI)", false}});
    copy.Open(OpenMode::Exclusive);
    Table source(folder_, "AGENDA.DBF");
    source.Open();
    copy.AppendAllFrom(source);
  }
  static void TearDownTestSuite() {
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
    std::filesystem::remove_all(dtosFolder_, ec);
  }
  static std::string folder_, dtosFolder_;
};

std::string IndexUseTest::folder_, IndexUseTest::dtosFolder_;

TEST_F(IndexUseTest, AMonthOfTheReportQueryReadsOnlyThatMonthAndLooksCategoriesUpByID) {
  Query q(folder_);
  q.SetSQL({"SELECT A.*, C.CATEGORIA", "FROM AGENDA AS A", "LEFT JOIN CATEGORIAS AS C ON C.ID=A.TIPO",
            "WHERE A.FECHA_INI>=:pDesdeFecha AND A.FECHA_INI<=:pHastaFecha",
            "ORDER BY A.FECHA_INI, A.HORA_INI"});
  q.ParamByName("pDesdeFecha").SetAsDate(Day(2024, 4, 1));
  q.ParamByName("pHastaFecha").SetAsDate(Day(2024, 4, 30) + dt::EncodeTime(23, 59, 59, 999));
  q.Open();
  ASSERT_EQ(q.RecordCount(), 60);
  // The range scan reads the month's records and stops at the first record past it.
  EXPECT_LE(q.RecordsVisited("AGENDA"), 61u);
  // One category per appointment, found by its ID.
  EXPECT_LE(q.RecordsVisited("CATEGORIAS.DBF"), 60u);
  q.First();
  EXPECT_EQ(q.FieldByName("FECHA_INI").AsDate(), Day(2024, 4, 1));
  EXPECT_EQ(q.FieldByName("CATEGORIA").AsString(), "Cat " + std::to_string(q.FieldByName("TIPO").AsInteger()));
}

TEST_F(IndexUseTest, WithoutAnIndexedConstraintEveryRecordIsRead) {
  Query q(folder_);
  q.SetSQL({"SELECT ID FROM AGENDA WHERE AVISO = 0 AND +FECHA_INI = :d"});
  q.ParamByName("d").SetAsDate(Day(2024, 4, 1));
  q.Open();
  EXPECT_EQ(q.RecordCount(), 2);
  EXPECT_EQ(q.RecordsVisited("AGENDA"), 400u);
}

TEST_F(IndexUseTest, EqualityOnATagReadsOnlyTheMatches) {
  const struct {
    const char* sql;
    Ids ids;
    std::uint64_t maxVisits;
  } cases[] = {
      {"SELECT ID FROM AGENDA WHERE ID = 123", {123}, 1},
      {"SELECT ID FROM AGENDA WHERE ID = '123'", {123}, 1},  // text that SQL reads as a number
      {"SELECT ID FROM AGENDA WHERE ID = 123.5", {}, 1},
      {"SELECT ID FROM AGENDA WHERE ID = 'abc'", {}, 400},   // no bound: the whole tag, filtered
      {"SELECT ID FROM CATEGORIAS WHERE CATEGORIA = 'Cat 3'", {3}, 2},
      {"SELECT ID FROM CATEGORIAS WHERE CATEGORIA = 'Cat'", {}, 1},
  };
  Query q(folder_);
  for (const auto& c : cases) {
    q.SetSQL({c.sql});
    q.Open();
    EXPECT_EQ(IdsOf(q, true), c.ids) << c.sql;
    EXPECT_LE(q.RecordsVisited(), c.maxVisits) << c.sql;
  }
}

TEST_F(IndexUseTest, IndexScansReturnWhatAFullScanReturns) {
  const TDate d = Day(2024, 4, 10);
  const TTime noon = dt::EncodeTime(12, 0);
  // A range over more than a quarter of the tag's span is read in file order
  // instead (wide), which visits each record once.
  const struct {
    const char* where;  // over column X
    TDateTime a, b;
    bool wide;
  } cases[] = {
      {"X = :a", d, 0, false},
      {"X = :a", d + noon, 0, false},
      {"X > :a", d + 150, 0, false},
      {"X >= :a", d + noon + 150, 0, false},
      {"X < :a", d - 35, 0, false},
      {"X <= :a", d - 35 + noon, 0, false},
      {"X BETWEEN :a AND :b", d, d + 3, false},
      {"X BETWEEN :a AND :b", d + noon, d + 3 + noon, false},
      {"X > :a AND X < :b", d, d + 3, false},
      {"X >= :a AND X <= :b", d + 3, d, false},
      {"X < :a AND X > :b", d + 2, d - 2, false},
      {"X = :a AND X = :b", d, d + 1, false},
      {"X >= :a AND X >= :b", d, d + 5, true},
      {"X BETWEEN :a AND :b", d - 100, d + 100, true},
  };
  Query scanned(folder_);
  for (const std::string& folder : {folder_, dtosFolder_})
  for (const auto& c : cases) {
    Query indexed(folder);
    std::string where = c.where;
    std::string plain = where;
    for (std::size_t p; (p = where.find('X')) != std::string::npos;) where.replace(p, 1, "FECHA_INI");
    for (std::size_t p; (p = plain.find('X')) != std::string::npos;) plain.replace(p, 1, "+FECHA_INI");
    indexed.SetSQL({"SELECT ID FROM AGENDA WHERE " + where});
    scanned.SetSQL({"SELECT ID FROM AGENDA WHERE " + plain});
    for (Query* q : {&indexed, &scanned}) {
      q->ParamByName("a").SetAsDate(c.a);
      q->ParamByName("b").SetAsDate(c.b);
      q->Open();
    }
    EXPECT_EQ(IdsOf(indexed, true), IdsOf(scanned, true)) << folder << " " << c.where << " " << c.a << " " << c.b;
    if (c.wide) EXPECT_EQ(indexed.RecordsVisited(), scanned.RecordsVisited()) << folder << " " << c.where;
    else EXPECT_LT(indexed.RecordsVisited(), scanned.RecordsVisited() / 4) << folder << " " << c.where;
  }
  Query indexed(folder_);

  // Numbers on the ID tag, with bounds between and on keys, and a text bound
  // that SQL compares as greater than any number.
  const struct {
    const char* where;
    Ids ids;
  } idCases[] = {
      {"ID > 397.5", {398, 399, 400}},
      {"ID >= 398 AND ID < 400", {398, 399}},
      {"ID <= 2.5", {1, 2}},
      {"ID < 2", {1}},
      {"ID = 2.5", {}},
      {"ID < 'abc' AND ID > 398", {399, 400}},
      {"ID = NULL", {}},
  };
  for (const auto& c : idCases) {
    indexed.SetSQL({std::string("SELECT ID FROM AGENDA WHERE ") + c.where});
    indexed.Open();
    EXPECT_EQ(IdsOf(indexed, true), c.ids) << c.where;
  }
}

// A dBase 7 table whose timestamp field (date and time in one value) has a
// tag: bounds with a time of day must not be rounded to whole days there.
TEST(TimestampIndexTest, BoundsWithATimeKeepTheirTimeOnATimestampTag) {
  const std::string folder = testdata::FreshFolder("TimestampIndexTest");
  const TDate d = Day(2024, 3, 12);
  const double stamps[] = {d + 8 / 24.0, d + 18 / 24.0, d + 1, d + 1.5, d + 2.25, 0};  // 0: blank
  auto be = [](std::uint64_t v, int bytes) {
    std::string out;
    for (int i = bytes - 1; i >= 0; --i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
    return out;
  };
  // Header, two 48-byte field descriptors (ID I 4, STAMP @ 8), records.
  std::string dbf(68 + 2 * 48 + 1, '\0');
  dbf[0] = 0x04;
  dbf[1] = 124;
  dbf[2] = 3;
  dbf[3] = 12;
  dbf[4] = static_cast<char>(std::size(stamps));
  dbf[8] = static_cast<char>(dbf.size() & 0xFF);
  dbf[9] = static_cast<char>(dbf.size() >> 8);
  dbf[10] = 13;
  std::memcpy(&dbf[68], "ID", 2);
  dbf[68 + 32] = 'I';
  dbf[68 + 33] = 4;
  std::memcpy(&dbf[116], "STAMP", 5);
  dbf[116 + 32] = '@';
  dbf[116 + 33] = 8;
  dbf.back() = 0x0D;
  for (std::size_t i = 0; i < std::size(stamps); ++i) {
    dbf += " " + be((i + 1) ^ 0x80000000U, 4);
    std::uint64_t bits = 0;
    if (stamps[i] != 0) {
      const double ms = (stamps[i] + 693594.0) * 86400000.0;
      std::memcpy(&bits, &ms, 8);
      bits |= 0x8000000000000000ULL;  // positive values have the sign bit set
    }
    dbf += be(bits, 8);
  }
  dbf += '\x1A';
  std::ofstream(folder + "SELLOS.DBF", std::ios::binary) << dbf;
  {
    Table t(folder, "SELLOS");
    t.Open(OpenMode::Exclusive);
    t.AddIndex({"STAMP", "STAMP", false});
  }

  const TTime h6 = 0.25, h12 = 0.5, h18 = 0.75;
  const struct {
    const char* where;
    TDateTime a, b;
    Ids ids;
  } cases[] = {
      {"X >= :a", d + h12, 0, {2, 3, 4, 5}},
      {"X > :a", d + h18, 0, {3, 4, 5}},
      {"X = :a", d + h18, 0, {2}},
      {"X < :a", d + 1 + h12, 0, {1, 2, 3}},
      {"X BETWEEN :a AND :b", d + h12, d + 1 + h6, {2, 3}},
  };
  Query indexed(folder), scanned(folder);
  for (const auto& c : cases) {
    std::string where = c.where, plain = c.where;
    for (std::size_t p; (p = where.find('X')) != std::string::npos;) where.replace(p, 1, "STAMP");
    for (std::size_t p; (p = plain.find('X')) != std::string::npos;) plain.replace(p, 1, "+STAMP");
    indexed.SetSQL({"SELECT ID FROM SELLOS WHERE " + where});
    scanned.SetSQL({"SELECT ID FROM SELLOS WHERE " + plain});
    for (Query* q : {&indexed, &scanned}) {
      q->ParamByName("a").SetAsDate(c.a);
      q->ParamByName("b").SetAsDate(c.b);
      q->Open();
    }
    EXPECT_EQ(IdsOf(scanned, true), c.ids) << c.where;
    EXPECT_EQ(IdsOf(indexed, true), c.ids) << c.where;
  }
  std::error_code ec;
  std::filesystem::remove_all(folder, ec);
}

}  // namespace
}  // namespace data::sqltest
