// What SQL over the agenda's tables means: names, operators, text and date
// comparisons, parameters, errors. Sample agenda of SqlFixture.h.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "SqlFixture.h"
#include "SqlTestUtil.h"
#include "data/sql/Query.h"

namespace data::sqltest {
namespace {

using Ids = std::vector<int>;
using Texts = std::vector<std::string>;

const Ids kAll = {1, 2, 3, 4, 5, 6, 8, 9, 10};

Ids RunIds(Query& q, const std::string& sql, bool sorted = true) {
  q.SetSQL({sql});
  q.Open();
  return IdsOf(q, sorted);
}

TEST_F(SampleDataTest, TableNamesWithOrWithoutExtensionAndQuotesAllNameTheFile) {
  Query q(folder_);
  for (const char* from : {"AGENDA", "agenda", "AGENDA.DBF", "Agenda.dbf", "\"AGENDA.DBF\"", "\"AGENDA\"",
                           "\"agenda.dbf\" AS A", "AGENDA.DBF A"}) {
    EXPECT_EQ(RunIds(q, std::string("SELECT ID FROM ") + from), kAll) << from;
  }
}

TEST_F(SampleDataTest, OperatorsAndParenthesesSelectAsSqlSays) {
  const struct {
    const char* where;
    Ids ids;
  } cases[] = {
      {"TIPO = 1", {1, 5}},
      {"TIPO <> 0", {1, 3, 4, 5, 8, 9}},
      {"AVISO < 3", {1, 2, 4, 6, 9, 10}},
      {"AVISO <= 3", {1, 2, 4, 6, 8, 9, 10}},
      {"AVISO >= 5", {3, 5}},
      {"AVISO > 5", {5}},
      {"TIPO = 0 AND AVISO = 0", {2, 6, 10}},
      {"TIPO = 2 OR TIPO = 9", {3, 8, 9}},
      {"(TIPO = 1 OR TIPO = 2) AND AVISO <> 0", {1, 3, 5}},
      {"TIPO = 1 OR TIPO = 2 AND AVISO <> 0", {1, 3, 5}},
      {"ID BETWEEN 3 AND 5", {3, 4, 5}},
      {"ID > 3 AND ID < 6", {4, 5}},
      {"ID >= 9", {9, 10}},
      {"ID = 7", {}},  // deleted, also when looked up through its index
      // "hh:nn" texts order as times.
      {"HORA_INI >= '09:05' AND HORA_INI < '10:00'", {1, 10}},
      {"HORA_INI BETWEEN '00:00' AND '08:59'", {2, 5}},
      // Blank dates are NULL: they match no comparison.
      {"F_AVISO < 100000", {1, 3, 5, 8}},
      {"F_AVISO IS NULL", {2, 4, 6, 9, 10}},
  };
  Query q(folder_);
  for (const auto& c : cases) EXPECT_EQ(RunIds(q, std::string("SELECT ID FROM AGENDA WHERE ") + c.where), c.ids) << c.where;
}

TEST_F(SampleDataTest, DatesCompareAsDaysWithParametersThatCarryATime) {
  const TDate may10 = Day(2024, 5, 10);
  const TTime endOfDay = dt::EncodeTime(23, 59, 59, 999);
  const TTime noon = dt::EncodeTime(12, 0);
  const struct {
    const char* where;
    TDateTime value;
    Ids ids;
  } cases[] = {
      {"FECHA_INI <= :d", may10 + endOfDay, {1, 2, 6}},
      {"FECHA_INI < :d", may10, {6}},
      {"FECHA_INI < :d", may10 + noon, {1, 2, 6}},
      {"FECHA_INI >= :d", Day(2024, 5, 31), {4, 5}},
      {"FECHA_INI >= :d", Day(2024, 5, 31) + noon, {5}},
      {"FECHA_INI > :d", Day(2024, 5, 31), {5}},
      {"FECHA_INI > :d", Day(2024, 5, 30) + noon, {4, 5}},
      {"FECHA_INI = :d", may10, {1, 2}},
      {"FECHA_INI = :d", may10 + noon, {}},
      {"FECHA_INI BETWEEN :d AND :d + 1", Day(2024, 5, 10), {1, 2, 3}},
      {"F_AVISO = :d", Day(2024, 5, 31), {5}},
      {"EXTRACT(YEAR FROM FECHA_INI) = EXTRACT(YEAR FROM :d)", Day(2023, 1, 1), {6}},
      {"EXTRACT(MONTH FROM FECHA_INI) = 6 AND EXTRACT(DAY FROM FECHA_INI) = :d", 1, {5}},
  };
  Query q(folder_);
  for (const auto& c : cases) {
    q.SetSQL({"SELECT ID FROM AGENDA", std::string("WHERE ") + c.where});
    q.ParamByName("d").SetAsDate(c.value);
    q.Open();
    EXPECT_EQ(IdsOf(q, true), c.ids) << c.where << " " << c.value;
  }
}

TEST_F(SampleDataTest, UpperChangesOnlyUnaccentedLettersAndLikeIsCaseSensitive) {
  Query q(folder_);
  q.SetSQL({"SELECT UPPER(ASUNTO) AS U, LOWER(ASUNTO) AS L FROM AGENDA WHERE ID IN (3, 5) ORDER BY ID"});
  q.Open();
  EXPECT_EQ(ColumnOf(q, "U"), (Texts{"MéDICO", "AñO NUEVO FISCAL"}));
  EXPECT_EQ(ColumnOf(q, "L"), (Texts{"médico", "año nuevo fiscal"}));

  const struct {
    const char* where;
    Ids ids;
  } cases[] = {
      {"ASUNTO LIKE 'desayuno'", {}},
      {"ASUNTO LIKE 'Desayuno'", {2}},
      {"ASUNTO LIKE '%equipo'", {1}},
      {"ASUNTO LIKE 'D%'", {2, 8}},
      {"NOTAS LIKE '%informe%'", {1}},
      {"NOTAS LIKE '%Informe%'", {5, 9}},
      {"NOTAS LIKE '%líneas%con%'", {10}},
      {"NOTAS LIKE ''", {2, 6, 8}},  // an empty memo is empty text
  };
  for (const auto& c : cases) EXPECT_EQ(RunIds(q, std::string("SELECT ID FROM AGENDA WHERE ") + c.where), c.ids) << c.where;
}

TEST_F(SampleDataTest, DistinctCountAliasesAndOrderingBySeveralColumns) {
  Query q(folder_);
  q.SetSQL({"SELECT DISTINCT TIPO AS T FROM AGENDA ORDER BY T"});
  q.Open();
  EXPECT_EQ(ColumnOf(q, "T"), (Texts{"0", "1", "2", "7", "9"}));

  q.SetSQL({"SELECT TIPO, COUNT(*) AS N FROM AGENDA GROUP BY TIPO ORDER BY N DESC, TIPO"});
  q.Open();
  EXPECT_EQ(ColumnOf(q, "TIPO"), (Texts{"0", "1", "2", "7", "9"}));
  EXPECT_EQ(ColumnOf(q, "N"), (Texts{"3", "2", "2", "1", "1"}));

  q.SetSQL({"SELECT ID, FECHA_INI AS DIA FROM AGENDA", "ORDER BY FECHA_INI DESC, HORA_INI"});
  q.Open();
  EXPECT_EQ(IdsOf(q), (Ids{5, 4, 8, 10, 9, 3, 2, 1, 6}));
  q.First();
  EXPECT_TRUE(q.FieldByName("dia").IsDate());
  EXPECT_EQ(q.FieldByName("Dia").AsString(), "2024-06-01");
}

TEST_F(SampleDataTest, ParametersAreBoundByNameNeverPastedIntoTheText) {
  Query q(folder_);
  q.SetSQL({"SELECT ID FROM AGENDA WHERE ASUNTO = :pAsunto OR ASUNTO = :PASUNTO || 'x'"});
  q.ParamByName("pasunto").SetAsString("Llamar a O'Brien");
  q.Open();
  EXPECT_EQ(IdsOf(q), (Ids{10}));
  q.ParamByName("pAsunto").SetAsString("x' OR '1'='1");
  q.Open();
  EXPECT_EQ(IdsOf(q), (Ids{}));

  // A parameter used twice takes one value.
  q.SetSQL({"SELECT ID FROM AGENDA WHERE TIPO = :p AND AVISO <> :p"});
  q.ParamByName("p").SetAsFloat(1);
  q.Open();
  EXPECT_EQ(IdsOf(q, true), (Ids{5}));

  // A parameter without a value is an error, not NULL.
  q.SetSQL({"SELECT ID FROM AGENDA WHERE TIPO = :pSinValor"});
  try {
    q.Open();
    FAIL() << "opened without a parameter value";
  } catch (const DbError& e) {
    EXPECT_NE(std::string(e.what()).find("pSinValor"), std::string::npos) << e.what();
  }
}

TEST_F(SampleDataTest, SqlErrorsCarrySqlitesMessage) {
  const struct {
    const char* sql;
    const char* message;
  } cases[] = {
      {"SELECT ID FORM AGENDA", "syntax error"},
      {"SELECT NOPE FROM AGENDA", "no such column: NOPE"},
      {"SELECT \"NOPE\" FROM AGENDA", "no such column: NOPE"},  // a quoted word is never a string
      {"SELECT * FROM NOEXISTE.DBF", "no such table: NOEXISTE"},
      {"SELECT ID FROM AGENDA WHERE ID = 'x", "unrecognized token"},
      {"DELETE FROM AGENDA", "no se permite DELETE"},
      {"WITH X AS (SELECT 1) DELETE FROM AGENDA", "may not be modified"},  // past the first word
      {"SELECT 1; SELECT 2", "más de una sentencia"},
  };
  Query q(folder_);
  for (const auto& c : cases) {
    q.SetSQL({c.sql});
    try {
      q.Open();
      ADD_FAILURE() << "no error for " << c.sql;
    } catch (const DbError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << c.sql << ": " << e.what();
    }
    EXPECT_FALSE(q.Active());
  }
  // The refused DELETE changed nothing.
  EXPECT_EQ(RunIds(q, "SELECT ID FROM AGENDA"), kAll);
}

TEST_F(SampleDataTest, ValuesOfDateColumnsPassedOnByFunctionsAreDates) {
  const struct {
    const char* sql;
    std::vector<bool> dates;
    std::string first;  // the first column as text
  } cases[] = {
      {"SELECT MIN(FECHA_INI), MAX(A.FECHA_INI) AS ULTIMA, COUNT(*) FROM AGENDA A", {true, true, false}, "2023-12-31"},
      {"SELECT MAX(DISTINCT FECHA_INI) F, MIN(ID) FROM AGENDA.DBF", {true, false}, "2024-06-01"},
      {"SELECT COALESCE(F_AVISO, NULL, FECHA_INI), IFNULL(F_AVISO, 0), NULLIF(FECHA_INI, 1) FROM AGENDA WHERE ID = 2",
       {true, false, true}, "2024-05-10"},
      {"SELECT (MIN(FECHA_INI)) FROM AGENDA", {true}, "2023-12-31"},
      {"SELECT MIN(FECHA_INI) + 1, MIN(HORA_INI), MIN(FECHA_INI) - MIN(FECHA_INI) FROM AGENDA",
       {false, false, false}, "45292"},
      {"SELECT A.*, MAX(C.ID) AS M, MIN(A.FECHA_INI) FROM AGENDA A, CATEGORIAS C WHERE A.ID = 1",
       {}, ""},  // the columns after the star, counted from the end
      {"WITH X AS (SELECT FECHA_INI FROM AGENDA) SELECT MIN(FECHA_INI) FROM X", {true}, "2023-12-31"},
  };
  Query q(folder_);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sql);
    q.SetSQL({c.sql});
    q.Open();
    ASSERT_FALSE(q.IsEmpty());
    if (c.dates.empty()) {
      const int n = q.FieldCount();
      EXPECT_FALSE(q.FieldByNumber(n - 2).IsDate());
      EXPECT_TRUE(q.FieldByNumber(n - 1).IsDate());
      EXPECT_EQ(q.FieldByNumber(n - 1).AsString(), "2024-05-10");
      continue;
    }
    ASSERT_EQ(q.FieldCount(), static_cast<int>(c.dates.size()));
    for (int i = 0; i < q.FieldCount(); ++i) EXPECT_EQ(q.FieldByNumber(i).IsDate(), c.dates[i]) << i;
    EXPECT_EQ(q.FieldByNumber(0).AsString(), c.first);
  }
}

TEST_F(SampleDataTest, QueriesOnlyReadAndSayWhatTheyRefuse) {
  const std::string outside = folder_ + "fuera.db";
  const struct {
    std::string sql;
    std::string refused;
  } cases[] = {
      {"ATTACH '" + outside + "' AS fuera", "ATTACH"},
      {"VACUUM INTO '" + outside + "'", "VACUUM"},
      {"PRAGMA journal_mode = WAL", "PRAGMA journal_mode"},
      {"PRAGMA temp_store_directory = '/tmp'", "PRAGMA temp_store_directory"},
      {"CREATE TABLE T(X)", "CREATE"},
      {"DELETE FROM AGENDA", "DELETE"},
      {"INSERT INTO AGENDA(ID) VALUES (99)", "INSERT"},
      {"BEGIN", "BEGIN"},
      {"WITH X AS (SELECT 1) SELECT * FROM X; ", ""},  // (a reading one, for contrast)
  };
  Query q(folder_);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sql);
    q.SetSQL({c.sql});
    if (c.refused.empty()) {
      EXPECT_NO_THROW(q.Open());
      continue;
    }
    try {
      q.Open();
      ADD_FAILURE() << "ran";
    } catch (const DbError& e) {
      EXPECT_EQ(std::string(e.what()),
                "Error en la consulta SQL: las consultas solo leen las tablas; no se permite " + c.refused + ".");
    }
    EXPECT_FALSE(std::filesystem::exists(outside));
  }
  // Reading the tables' own description is a query like any other.
  q.SetSQL({"PRAGMA table_info(AGENDA)"});
  q.Open();
  EXPECT_EQ(ColumnOf(q, "name").front(), "ID");
  EXPECT_EQ(ColumnOf(q, "type")[1], "DATE");
}

TEST_F(SampleDataTest, LimitsStopAnEndlessQueryWithAMessage) {
  Query q(folder_);
  const auto failure = [&q] {
    try {
      q.Open();
    } catch (const DbError& e) {
      return std::string(e.what());
    }
    return std::string("(ran to its end)");
  };
  q.SetSQL({"WITH RECURSIVE C(N) AS (SELECT 1 UNION ALL SELECT N + 1 FROM C) SELECT MAX(N) FROM C"});
  q.SetLimits({std::chrono::milliseconds(200), 0});
  EXPECT_EQ(failure(), "Error en la consulta SQL: la consulta se ha detenido al pasar de 200 milisegundos.");
  q.SetSQL({"WITH RECURSIVE C(N) AS (SELECT 1 UNION ALL SELECT N + 1 FROM C) SELECT N, N FROM C"});
  q.SetLimits({std::chrono::milliseconds(0), 1000});
  EXPECT_EQ(failure(), "Error en la consulta SQL: la consulta da más de 1000 valores; acótela con WHERE o LIMIT.");
  // Within the limits, the same connection goes on.
  q.SetSQL({"SELECT COUNT(*) FROM AGENDA"});
  q.Open();
  EXPECT_EQ(q.FieldByNumber(0).AsInteger(), 9);
}

TEST_F(SampleDataTest, FieldsReadAsEveryTypeAndNullsReadAsZeroOrEmpty) {
  Query q(folder_);
  q.SetSQL({"SELECT A.*, C.CATEGORIA, C.COLOR FROM AGENDA A LEFT JOIN CATEGORIAS C ON C.ID = A.TIPO",
            "WHERE A.ID IN (1, 4, 10) ORDER BY A.ID"});
  q.Open();
  ASSERT_EQ(q.RecordCount(), 3);
  q.First();
  EXPECT_EQ(q.FieldByName("id").AsInteger(), 1);
  EXPECT_EQ(q.FieldByName("ID").AsFloat(), 1.0);
  EXPECT_EQ(q.FieldByName("COLOR").AsInteger(), 255);
  EXPECT_EQ(q.FieldByName("CATEGORIA").AsString(), "Trabajo");
  EXPECT_EQ(q.FieldByName("HORA_INI").AsString(), "09:30");
  EXPECT_EQ(q.FieldByName("FECHA_FIN").AsDate(), Day(2024, 5, 10));
  EXPECT_TRUE(q.FieldByName("FECHA_FIN").IsDate());
  EXPECT_FALSE(q.FieldByName("HORA_INI").IsDate());

  q.Next();  // 4: no such category, no reminder date
  EXPECT_TRUE(q.FieldByName("CATEGORIA").IsNull());
  EXPECT_EQ(q.FieldByName("CATEGORIA").AsString(), "");
  EXPECT_EQ(q.FieldByName("COLOR").AsInteger(), 0);
  EXPECT_TRUE(q.FieldByName("F_AVISO").IsNull());
  EXPECT_EQ(q.FieldByName("F_AVISO").AsDate(), 0);
  EXPECT_EQ(q.FieldByName("F_AVISO").AsString(), "");
  EXPECT_EQ(q.FieldByName("H_AVISO").AsString(), "");

  q.Next();
  EXPECT_EQ(q.FieldByName("NOTAS").AsString(), "notas\r\nde varias líneas\r\ncon 100% de detalle");
  EXPECT_EQ(q.FieldByName("ASUNTO").AsString(), "Llamar a O'Brien");
  EXPECT_THROW(q.FieldByName("NO_EXISTE"), DbError);

  q.Next();
  EXPECT_TRUE(q.Eof());
  EXPECT_THROW(q.FieldByName("ID"), DbError);
  q.Next();
  EXPECT_TRUE(q.Eof());
  q.SetRecNo(1);
  EXPECT_EQ(q.FieldByNumber(0).AsInteger(), 4);

  q.Close();
  EXPECT_FALSE(q.Active());
  EXPECT_THROW(q.FieldByName("ID"), DbError);
}

TEST_F(SampleDataTest, OnlyTheTablesTheTextNamesAreOpened) {
  // A damaged table in the folder does not stop queries on the others, and a
  // query on it reports the table engine's error.
  std::ofstream(folder_ + "ROTA.DBF") << "this is not a table";
  Query q(folder_);
  EXPECT_EQ(RunIds(q, "SELECT ID FROM CATEGORIAS"), (Ids{0, 1, 2}));
  q.SetSQL({"SELECT * FROM ROTA"});
  EXPECT_THROW(q.Open(), DbError);
}

TEST_F(SampleDataTest, ResultStaysReadableAfterTheTablesChange) {
  Query q(folder_);
  q.SetSQL({"SELECT ID, ASUNTO FROM AGENDA WHERE ID = 2"});
  q.Open();
  DeleteCita(folder_, 2);
  ASSERT_EQ(q.RecordCount(), 1);
  EXPECT_EQ(q.FieldByName("ASUNTO").AsString(), "Desayuno");
  q.Open();
  EXPECT_TRUE(q.IsEmpty());
}

}  // namespace
}  // namespace data::sqltest
