// Constraints on indexed columns go through the index: the number of records
// the virtual tables step onto shows it, and the results equal those of a
// scan in file order (a unary + hides a column from the index planner).
#include <gtest/gtest.h>

#include <filesystem>

#include "SqlFixture.h"
#include "SqlTestUtil.h"
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
    const auto dir = std::filesystem::temp_directory_path() / "IndexUseTest";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    folder_ = dir.string() + "/";
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
  }
  static void TearDownTestSuite() {
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }
  static std::string folder_;
};

std::string IndexUseTest::folder_;

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
  Query indexed(folder_), scanned(folder_);
  for (const auto& c : cases) {
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
    EXPECT_EQ(IdsOf(indexed, true), IdsOf(scanned, true)) << c.where << " " << c.a << " " << c.b;
    if (c.wide) EXPECT_EQ(indexed.RecordsVisited(), scanned.RecordsVisited()) << c.where;
    else EXPECT_LT(indexed.RecordsVisited(), scanned.RecordsVisited() / 4) << c.where;
  }

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

}  // namespace
}  // namespace data::sqltest
