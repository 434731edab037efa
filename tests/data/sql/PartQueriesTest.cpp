// The query texts the agenda's windows run, exactly as they write them, on the
// sample agenda (SqlFixture.h).
#include <gtest/gtest.h>

#include "SqlFixture.h"
#include "SqlTestUtil.h"
#include "data/sql/Query.h"

namespace data::sqltest {
namespace {

using Ids = std::vector<int>;
using Texts = std::vector<std::string>;

TEST_F(SampleDataTest, CategoryInUseQueryFindsTheAppointmentsOfOneCategory) {
  Query q(folder_);
  q.SetSQL({"SELECT ID, TIPO", "FROM AGENDA.DBF", "WHERE TIPO=:pTipo"});
  const struct {
    int tipo;
    Ids ids;
  } cases[] = {{1, {1, 5}}, {2, {3, 9}}, {9, {8}}, {3, {}}};
  for (const auto& c : cases) {
    q.ParamByName("pTipo").SetAsInteger(c.tipo);
    q.Open();
    EXPECT_EQ(IdsOf(q, true), c.ids) << c.tipo;
    EXPECT_EQ(q.IsEmpty(), c.ids.empty());
    q.Close();
  }
}

std::vector<std::string> AnnualMarksSql(bool withCategory) {
  std::vector<std::string> sql = {"SELECT DISTINCT(FECHA_INI) AS FECHA", "FROM AGENDA",
                                  "WHERE EXTRACT(YEAR FROM FECHA_INI)=:pYear"};
  if (withCategory) sql.push_back("AND TIPO=:pCategoria");
  sql.push_back("ORDER BY FECHA");
  return sql;
}

TEST_F(SampleDataTest, AnnualViewMarksAreTheDistinctStartDaysOfTheYearInOrder) {
  Query q(folder_);
  q.SetSQL(AnnualMarksSql(false));
  q.ParamByName("pYear").SetAsInteger(2024);
  q.Open();
  EXPECT_EQ(ColumnOf(q, "FECHA"),
            (Texts{"2024-05-10", "2024-05-11", "2024-05-15", "2024-05-20", "2024-05-31", "2024-06-01"}));
  q.First();
  EXPECT_EQ(q.FieldByName("FECHA").AsDate(), Day(2024, 5, 10));

  q.ParamByName("pYear").SetAsInteger(2023);
  q.Open();
  EXPECT_EQ(ColumnOf(q, "FECHA"), (Texts{"2023-12-31"}));

  q.SetSQL(AnnualMarksSql(true));
  const struct {
    int categoria;
    Texts days;
  } cases[] = {{1, {"2024-05-10", "2024-06-01"}}, {2, {"2024-05-11", "2024-05-15"}}, {5, {}}};
  for (const auto& c : cases) {
    q.ParamByName("pYear").SetAsInteger(2024);
    q.ParamByName("pCategoria").SetAsInteger(c.categoria);
    q.Open();
    EXPECT_EQ(ColumnOf(q, "FECHA"), c.days) << c.categoria;
  }
}

const std::vector<std::string> kAvisosSql = {
    "SELECT A.*, C.CATEGORIA",
    "FROM AGENDA AS A",
    "LEFT JOIN CATEGORIAS AS C ON C.ID=A.TIPO",
    "WHERE A.AVISO<>0 AND",
    "((A.F_AVISO=:pFECHA AND A.H_AVISO<=:pHORA) OR",
    "(A.F_AVISO<:pFECHA))",
    "ORDER BY FECHA_INI, HORA_INI",
};

TEST_F(SampleDataTest, RemindersQueryListsDueRemindersByStart) {
  Query q(folder_);
  q.SetSQL(kAvisosSql);
  const struct {
    TDate fecha;
    const char* hora;
    Ids ids;
    Texts categorias;
  } cases[] = {
      // Due at exactly the current minute, not a minute earlier; the deleted
      // record (reminder on 1 May) never shows.
      {Day(2024, 5, 10), "09:25", {1}, {"Trabajo"}},
      {Day(2024, 5, 10), "09:24", {}, {}},
      // An earlier reminder day is due whatever its time; a category that does
      // not exist joins as an empty name.
      {Day(2024, 6, 1), "00:00", {1, 3, 8, 5}, {"Trabajo", "Personal", "", "Trabajo"}},
      {Day(2024, 5, 1), "23:59", {}, {}},
  };
  for (const auto& c : cases) {
    q.ParamByName("pFECHA").SetAsDate(c.fecha);
    q.ParamByName("pHORA").SetAsString(c.hora);
    q.Open();
    EXPECT_EQ(IdsOf(q), c.ids) << c.hora;
    EXPECT_EQ(ColumnOf(q, "CATEGORIA"), c.categorias);
    EXPECT_EQ(q.RecordCount(), static_cast<int>(c.ids.size()));
  }

  // Every field of the appointment comes along, memo text included.
  q.ParamByName("pFECHA").SetAsDate(Day(2024, 5, 10));
  q.ParamByName("pHORA").SetAsString("09:25");
  q.Open();
  const Texts names = {"ID", "FECHA_INI", "FECHA_FIN", "HORA_INI", "HORA_FIN", "ASUNTO", "LUGAR",
                       "NOTAS", "AVISO", "TIPO", "F_AVISO", "H_AVISO", "CATEGORIA"};
  EXPECT_EQ(q.FieldNames(), names);
  EXPECT_EQ(q.FieldByName("ASUNTO").AsString(), "Reunión de equipo");
  EXPECT_EQ(q.FieldByName("LUGAR").AsString(), "Sala 2");
  EXPECT_EQ(q.FieldByName("NOTAS").AsString(), "Llevar el informe");
  EXPECT_EQ(q.FieldByName("FECHA_INI").AsDate(), Day(2024, 5, 10));
  EXPECT_EQ(q.FieldByName("F_AVISO").AsString(), "2024-05-10");
  EXPECT_EQ(q.FieldByName("AVISO").AsInteger(), 1);
  EXPECT_EQ(q.FieldByName("ID").AsString(), "1");
}

// The search text as the search window builds it: UPPER and LOWER of the
// typed text change only A-Z, and the text goes in unescaped.
std::vector<std::string> SearchSql(const std::string& t) {
  std::vector<std::string> sql = {"SELECT ID, FECHA_INI, HORA_INI, ASUNTO", "FROM AGENDA.DBF",
                                  "WHERE (FECHA_INI BETWEEN :DESDE AND :HASTA)"};
  if (!t.empty()) {
    std::string up = t, low = t;
    for (char& c : up) if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    for (char& c : low) if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    sql.push_back("AND (UPPER(ASUNTO) LIKE '%" + up + "%' OR");
    sql.push_back("NOTAS LIKE '%" + t + "%' OR");
    sql.push_back("NOTAS LIKE '%" + up + "%' OR");
    sql.push_back("NOTAS LIKE '%" + low + "%')");
  }
  return sql;
}

TEST_F(SampleDataTest, SearchQueryMatchesSubjectWithoutCaseAndNotesAsTypedUpperOrLower) {
  const struct {
    std::string text;
    TDate desde, hasta;
    Ids ids;
  } cases[] = {
      {"", Day(2024, 5, 10), Day(2024, 5, 31), {1, 2, 3, 4, 8, 9, 10}},  // both ends included
      {"", Day(2024, 5, 31), Day(2024, 5, 10), {}},                      // reversed range: empty
      {"reunión", Day(2024, 5, 1), Day(2024, 6, 30), {1}},                // subject, accent kept
      {"MÉDICO", Day(2024, 5, 1), Day(2024, 6, 30), {}},                  // é is not upper-cased
      {"médico", Day(2024, 5, 1), Day(2024, 6, 30), {3}},
      {"doctor", Day(2024, 5, 1), Day(2024, 6, 30), {3}},                 // notes in capitals
      {"informe", Day(2024, 5, 1), Day(2024, 6, 30), {1}},                // not "Informe ..." (9, 5)
      {"Informe", Day(2024, 5, 1), Day(2024, 6, 30), {1, 5, 9}},
      {"varias", Day(2024, 5, 1), Day(2024, 6, 30), {10}},               // memo over several lines
      {"100%", Day(2024, 5, 1), Day(2024, 6, 30), {10}},
  };
  Query q(folder_);
  for (const auto& c : cases) {
    q.SetSQL(SearchSql(c.text));
    q.ParamByName("DESDE").SetAsDate(c.desde);
    q.ParamByName("HASTA").SetAsDate(c.hasta);
    q.Open();
    EXPECT_EQ(IdsOf(q, true), c.ids) << c.text;
    EXPECT_EQ(q.FieldNames(), (Texts{"ID", "FECHA_INI", "HORA_INI", "ASUNTO"}));
  }
}

TEST_F(SampleDataTest, SearchTextWithAQuoteIsAnSqlErrorAndTheQueryStaysUsable) {
  Query q(folder_);
  q.SetSQL(SearchSql("o'brien"));
  q.ParamByName("DESDE").SetAsDate(Day(2024, 5, 1));
  q.ParamByName("HASTA").SetAsDate(Day(2024, 6, 30));
  EXPECT_THROW(q.Open(), DbError);
  EXPECT_FALSE(q.Active());
  q.SetSQL(SearchSql("brien"));
  q.Open();
  EXPECT_EQ(IdsOf(q), (Ids{10}));
}

TEST_F(SampleDataTest, CountQueryOfThePrintDialogCountsTheRangeWhateverTheCategory) {
  Query q(folder_);
  q.SetSQL({"SELECT COUNT(*) AS CUANTAS", "FROM \"AGENDA.DBF\"", "WHERE FECHA_INI BETWEEN :DESDE AND :HASTA"});
  const struct {
    TDate desde, hasta;
    int count;
  } cases[] = {{Day(2024, 5, 10), Day(2024, 5, 31), 7},
               {Day(2024, 5, 10), Day(2024, 5, 10), 2},
               {Day(2024, 7, 1), Day(2024, 7, 31), 0}};
  for (const auto& c : cases) {
    q.ParamByName("DESDE").SetAsDate(c.desde);
    q.ParamByName("HASTA").SetAsDate(c.hasta);
    q.Open();
    ASSERT_EQ(q.RecordCount(), 1);
    EXPECT_EQ(q.FieldByName("CUANTAS").AsInteger(), c.count);
  }
}

std::vector<std::string> RangeReportSql(bool withCategory) {
  std::vector<std::string> sql = {"SELECT A.*, C.CATEGORIA", "FROM AGENDA AS A",
                                  "LEFT JOIN CATEGORIAS AS C ON C.ID=A.TIPO",
                                  "WHERE A.FECHA_INI>=:pDesdeFecha AND A.FECHA_INI<=:pHastaFecha"};
  if (withCategory) sql.push_back("AND A.TIPO=:pCategoria");
  sql.push_back("ORDER BY A.FECHA_INI, A.HORA_INI");
  return sql;
}

TEST_F(SampleDataTest, RangeReportQueryTakesWholeDaysAndOrdersByStart) {
  const TTime endOfDay = dt::EncodeTime(23, 59, 59, 999);
  const struct {
    TDate from, to;
    int categoria;  // -1: all
    Ids ids;
  } cases[] = {
      {Day(2024, 5, 10), Day(2024, 5, 31), -1, {2, 1, 3, 10, 9, 8, 4}},
      {Day(2024, 5, 10), Day(2024, 5, 10), -1, {2, 1}},  // one day: from and to on the same day
      {Day(2024, 5, 10), Day(2024, 6, 1), 1, {1, 5}},
      {Day(2024, 5, 12), Day(2024, 5, 31), 1, {}},      // a category without appointments there
  };
  Query q(folder_);
  for (const auto& c : cases) {
    q.SetSQL(RangeReportSql(c.categoria != -1));
    q.ParamByName("pDesdeFecha").SetAsDate(c.from);
    q.ParamByName("pHastaFecha").SetAsDate(c.to + endOfDay);
    if (c.categoria != -1) q.ParamByName("pCategoria").SetAsInteger(c.categoria);
    q.Open();
    EXPECT_EQ(IdsOf(q), c.ids) << c.from << " " << c.categoria;
  }
}

TEST_F(SampleDataTest, SingleAppointmentReportQueryJoinsItsCategoryName) {
  Query q(folder_);
  q.SetSQL({"SELECT A.*, C.CATEGORIA", "FROM AGENDA AS A", "LEFT JOIN CATEGORIAS AS C ON C.ID=A.TIPO",
            "WHERE A.ID=:pID"});
  const struct {
    int id;
    const char* categoria;
    const char* asunto;
  } cases[] = {{2, "Normal", "Desayuno"}, {3, "Personal", "médico"}, {4, "", "cierre de mes"}};
  for (const auto& c : cases) {
    q.ParamByName("pID").SetAsInteger(c.id);
    q.Open();
    ASSERT_EQ(q.RecordCount(), 1) << c.id;
    EXPECT_EQ(q.FieldByName("CATEGORIA").AsString(), c.categoria);
    EXPECT_EQ(q.FieldByName("ASUNTO").AsString(), c.asunto);
    EXPECT_EQ(q.FieldByName("TIPO").IsNull(), false);
  }
  q.ParamByName("pID").SetAsInteger(7);  // deleted
  q.Open();
  EXPECT_TRUE(q.IsEmpty());
}

}  // namespace
}  // namespace data::sqltest
