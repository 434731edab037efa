// A walk of the start-date tag hands rows out already in ORDER BY order
// (SQLite then skips its sorter), and a small table joined many times is
// searched in memory. Both must give exactly what SQLite's own sorting and
// a plain scan give: each query is compared with the same query written so
// the index cannot serve it (a unary + hides a column from the planner).
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "SqlFixture.h"
#include "SqlTestUtil.h"
#include "data/TableTestSupport.h"
#include "data/Table.h"
#include "data/sql/Query.h"

namespace data::sqltest {
namespace {

using Ids = std::vector<int>;

// 300 appointments over 60 days from 1 March 2024, five a day written in an
// order unlike date order; within a day the start times are out of order
// and two are equal. Categories 0-9, category 4 deleted; TIPO runs 0-11.
class ScanOrderTest : public ::testing::Test {
 protected:
  static constexpr int kDays = 60;
  static constexpr int kCitas = 5 * kDays;
  static int Tipo(int i) { return i % 12; }
  static std::string Asunto(int i) {
    static const char* const kAsuntos[] = {"Médico", "Reunión", "cena", "Cat 3", "cat 5", "Año nuevo", "Zapatero"};
    return kAsuntos[i % 7];
  }
  static bool CategoryExists(int tipo) { return tipo >= 0 && tipo <= 9 && tipo != 4; }

  static void SetUpTestSuite() {
    folder_ = testdata::FreshFolder("ScanOrderTest");
    std::vector<Categoria> cats;
    for (int i = 0; i < 10; ++i) cats.push_back({i, "Cat " + std::to_string(i), i});
    CreateCategorias(folder_, cats);
    Table t(folder_, "CATEGORIAS");
    t.Open();
    t.SetIndexName("ID");
    ASSERT_TRUE(t.FindKey(4));
    t.Delete();
    t.Close();

    static const char* const kHoras[] = {"16:00", "09:00", "12:30", "09:00", "08:15"};
    std::vector<Cita> citas;
    for (int i = 0; i < kCitas; ++i) {
      const int day = (i * 7) % kDays;
      citas.push_back({i + 1, Day(2024, 3, 1) + day, kHoras[(i / kDays) % 5], Asunto(i), "", i % 3, Tipo(i), 0, "",
                       ""});
    }
    CreateAgenda(folder_, citas);
  }
  static void TearDownTestSuite() {
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }

  // The "detail" lines of SQLite's plan for the query.
  static std::string PlanOf(const std::vector<std::string>& sql, TDateTime a, TDateTime b) {
    Query q(folder_);
    std::vector<std::string> lines = sql;
    lines.front() = "EXPLAIN QUERY PLAN " + lines.front();
    q.SetSQL(lines);
    q.ParamByName("a").SetAsDate(a);
    q.ParamByName("b").SetAsDate(b);
    q.Open();
    std::string plan;
    for (q.First(); !q.Eof(); q.Next()) plan += q.FieldByName("detail").AsString() + "\n";
    return plan;
  }

  static std::string folder_;
};

std::string ScanOrderTest::folder_;

std::vector<std::string> Replaced(std::vector<std::string> lines, const std::string& from, const std::string& to) {
  for (std::string& line : lines)
    for (std::size_t p = 0; (p = line.find(from, p)) != std::string::npos; p += to.size()) line.replace(p, from.size(), to);
  return lines;
}

TEST_F(ScanOrderTest, OrderedWalkOfTheDateTagGivesWhatSqliteSortingGives) {
  const TDate d = Day(2024, 3, 10);
  const TTime noon = dt::EncodeTime(12, 0);
  // WHERE on W (the start date, through its tag or hidden from it), ORDER BY
  // on the start date. `consumed`: the walk gives the order, no sorter.
  const struct {
    std::vector<std::string> sql;
    TDateTime a, b;
    bool consumed;
  } cases[] = {
      {{"SELECT ID FROM AGENDA WHERE W BETWEEN :a AND :b", "ORDER BY FECHA_INI, HORA_INI, ID"}, d, d + 20, true},
      {{"SELECT ID FROM AGENDA WHERE W >= :a AND W <= :b", "ORDER BY FECHA_INI, HORA_INI DESC, ID DESC"},
       d + noon, d + 5 + noon, true},
      {{"SELECT ID FROM AGENDA WHERE W > :a AND W < :b", "ORDER BY FECHA_INI, ASUNTO, ID"}, d, d + 9, true},
      {{"SELECT ID FROM AGENDA WHERE W = :a OR W = :b", "ORDER BY FECHA_INI, HORA_INI, ID"}, d, d + 3, false},
      {{"SELECT ID FROM AGENDA WHERE W = :a AND ID <> :b", "ORDER BY FECHA_INI, ID DESC"}, d + 2, 0, true},
      {{"SELECT ID FROM AGENDA WHERE W >= :a AND TIPO <> :b", "ORDER BY FECHA_INI, TIPO, HORA_INI, ID"}, d + 30, 3,
       true},
      // More than a quarter of the dates: still walked in key order.
      {{"SELECT ID FROM AGENDA WHERE W BETWEEN :a AND :b", "ORDER BY FECHA_INI, HORA_INI, ID"}, d - 20, d + 60, true},
      // Orders the walk cannot give: SQLite sorts.
      {{"SELECT ID FROM AGENDA WHERE W BETWEEN :a AND :b", "ORDER BY FECHA_INI DESC, HORA_INI, ID"}, d, d + 20,
       false},
      {{"SELECT ID FROM AGENDA WHERE W BETWEEN :a AND :b", "ORDER BY HORA_INI, FECHA_INI, ID"}, d, d + 20, false},
      {{"SELECT A.ID FROM AGENDA A LEFT JOIN CATEGORIAS C ON C.ID = A.TIPO", "WHERE W BETWEEN :a AND :b",
        "ORDER BY A.FECHA_INI, A.HORA_INI, A.ID"},
       d, d + 20, true},
      {{"SELECT A.ID FROM AGENDA A LEFT JOIN CATEGORIAS C ON C.ID = A.TIPO", "WHERE W BETWEEN :a AND :b",
        "ORDER BY A.FECHA_INI, C.CATEGORIA, A.ID"},
       d, d + 20, false},
  };
  for (const auto& c : cases) {
    const auto indexed = Replaced(c.sql, "W ", "FECHA_INI ");
    const auto sorted = Replaced(c.sql, "W ", "+FECHA_INI ");
    const std::string what = indexed[0] + " " + indexed.back();
    Query qi(folder_), qs(folder_);
    qi.SetSQL(indexed);
    qs.SetSQL(sorted);
    for (Query* q : {&qi, &qs}) {
      q->ParamByName("a").SetAsDate(c.a);
      q->ParamByName("b").SetAsDate(c.b);
      q->Open();
    }
    ASSERT_GT(qs.RecordCount(), 4) << what;
    EXPECT_EQ(IdsOf(qi), IdsOf(qs)) << what;
    const std::string plan = PlanOf(indexed, c.a, c.b);
    EXPECT_EQ(plan.find("TEMP B-TREE") == std::string::npos, c.consumed) << what << "\n" << plan;
    EXPECT_NE(PlanOf(sorted, c.a, c.b).find("TEMP B-TREE"), std::string::npos) << what;
  }
}

TEST_F(ScanOrderTest, OrderedWalkByTheDateAloneKeepsDatesInOrder) {
  Query q(folder_);
  q.SetSQL({"SELECT ID, FECHA_INI FROM AGENDA WHERE FECHA_INI >= :a ORDER BY FECHA_INI"});
  q.ParamByName("a").SetAsDate(Day(2024, 4, 20));
  q.Open();
  ASSERT_EQ(q.RecordCount(), 5 * 10);
  TDateTime last = 0;
  for (q.First(); !q.Eof(); q.Next()) {
    EXPECT_GE(q.FieldByName("FECHA_INI").AsDate(), last);
    last = q.FieldByName("FECHA_INI").AsDate();
  }
  EXPECT_EQ(last, Day(2024, 4, 29));
}

TEST_F(ScanOrderTest, SmallTableJoinedForEveryRowIsReadOnceAndAnswersAsTheFileDoes) {
  // Categories looked up by ID for every appointment: read once, deleted
  // category and missing numbers give no name.
  Query q(folder_);
  q.SetSQL({"SELECT A.ID, A.TIPO, C.CATEGORIA FROM AGENDA A LEFT JOIN CATEGORIAS C ON C.ID = A.TIPO ORDER BY A.ID"});
  q.Open();
  ASSERT_EQ(q.RecordCount(), kCitas);
  for (q.First(); !q.Eof(); q.Next()) {
    const int tipo = static_cast<int>(q.FieldByName("TIPO").AsInteger());
    EXPECT_EQ(q.FieldByName("CATEGORIA").AsString(), CategoryExists(tipo) ? "Cat " + std::to_string(tipo) : "")
        << q.FieldByName("ID").AsInteger();
  }
  EXPECT_LE(q.RecordsVisited("CATEGORIAS"), 1u + 9u);

  // Ranges, text equality and text equality under another collation, each
  // against the same join with the inner column hidden from the index.
  const char* const joins[] = {
      "JOIN CATEGORIAS C ON C.ID > A.TIPO",
      "JOIN CATEGORIAS C ON C.ID <= A.TIPO AND C.ID >= A.TIPO - 2",
      "JOIN CATEGORIAS C ON C.ID BETWEEN A.TIPO + 0.5 AND A.TIPO + 2",
      "JOIN CATEGORIAS C ON C.CATEGORIA = A.ASUNTO",
      "JOIN CATEGORIAS C ON C.CATEGORIA = A.ASUNTO COLLATE NOCASE",
  };
  for (const char* join : joins) {
    std::string plain = join;
    for (const char* col : {"C.ID", "C.CATEGORIA"})
      for (std::size_t p = 0; (p = plain.find(col, p)) != std::string::npos; p += 2) plain.insert(p, "+");
    const std::string select = "SELECT A.ID AS ID, C.ID AS CID FROM AGENDA A ";
    Query qi(folder_), qs(folder_);
    qi.SetSQL({select + join + " ORDER BY A.ID, C.ID"});
    qs.SetSQL({select + plain + " ORDER BY A.ID, C.ID"});
    qi.Open();
    qs.Open();
    EXPECT_GT(qs.RecordCount(), 0) << join;
    EXPECT_EQ(ColumnOf(qi, "ID"), ColumnOf(qs, "ID")) << join;
    EXPECT_EQ(ColumnOf(qi, "CID"), ColumnOf(qs, "CID")) << join;
  }

  // The expected counts of two of them, worked out here.
  std::map<std::string, int> expected;
  for (int i = 0; i < kCitas; ++i) {
    for (int c = 0; c <= 9; ++c) {
      if (!CategoryExists(c)) continue;
      if (c > Tipo(i)) ++expected["ID"];
      const std::string name = "Cat " + std::to_string(c);
      std::string lower = name;
      lower[0] = 'c';
      if (Asunto(i) == name || Asunto(i) == lower) ++expected["NOCASE"];
    }
  }
  q.SetSQL({"SELECT COUNT(*) AS N FROM AGENDA A JOIN CATEGORIAS C ON C.ID > A.TIPO"});
  q.Open();
  EXPECT_EQ(q.FieldByName("N").AsInteger(), expected["ID"]);
  q.SetSQL({"SELECT COUNT(*) AS N FROM AGENDA A JOIN CATEGORIAS C ON C.CATEGORIA = A.ASUNTO COLLATE NOCASE"});
  q.Open();
  EXPECT_EQ(q.FieldByName("N").AsInteger(), expected["NOCASE"]);
}

TEST_F(ScanOrderTest, TextEqualityUnderAnotherCollationIsNotAnsweredByTheTag) {
  // The tag compares bytes; NOCASE equality has to see every candidate.
  Query q(folder_);
  q.SetSQL({"SELECT ID FROM CATEGORIAS WHERE CATEGORIA = 'cAT 3' COLLATE NOCASE"});
  q.Open();
  EXPECT_EQ(IdsOf(q), (Ids{3}));
  q.SetSQL({"SELECT ID FROM CATEGORIAS WHERE CATEGORIA = 'Cat 3'"});
  q.Open();
  EXPECT_EQ(IdsOf(q), (Ids{3}));
  EXPECT_LE(q.RecordsVisited(), 2u);
}

}  // namespace
}  // namespace data::sqltest
