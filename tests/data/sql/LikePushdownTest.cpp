// LIKE conditions handed down to the table scans: where the twin is added,
// and that the search query returns exactly what it returns without it.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "SqlFixture.h"
#include "data/sql/LikePushdown.h"
#include "data/sql/PreparedQuery.h"
#include "data/sql/SqlRewrite.h"

namespace data::sql {
namespace {

std::string Twin(const std::vector<LikeTerm>& terms) {
  std::string literal = "'";
  for (char c : EncodeLikeTerms(terms)) literal += c == '\'' ? std::string("''") : std::string(1, c);
  return std::string(kTextFilterColumn) + " MATCH " + literal + "' AND ";
}

TEST(LikePushdownTest, AddsTheTwinOnlyWhereItCannotChangeTheAnswer) {
  const std::string search =
      "SELECT ID FROM AGENDA WHERE (FECHA_INI BETWEEN :D AND :H) AND (UPPER(ASUNTO) LIKE '%O''B%' OR NOTAS LIKE "
      "'%o''b%')";
  const std::string searchTwin = Twin({{"ASUNTO", LikeFold::Upper, "%O'B%"}, {"NOTAS", LikeFold::None, "%o'b%"}});
  struct Case {
    std::string sql, expected;  // expected "" : unchanged
  } cases[] = {
      {search, "SELECT ID FROM AGENDA WHERE (FECHA_INI BETWEEN :D AND :H) AND " + searchTwin +
                   "(UPPER(ASUNTO) LIKE '%O''B%' OR NOTAS LIKE '%o''b%')"},
      {"SELECT * FROM AGENDA AS A WHERE A.NOTAS LIKE 'x%' AND TIPO = 1",
       "SELECT * FROM AGENDA AS A WHERE " + Twin({{"NOTAS", LikeFold::None, "x%"}}) + "A.NOTAS LIKE 'x%' AND TIPO = 1"},
      {"SELECT * FROM AGENDA WHERE X BETWEEN 1 AND 2 AND ((lower(\"ASUNTO\") LIKE '_'))",
       "SELECT * FROM AGENDA WHERE X BETWEEN 1 AND 2 AND " + Twin({{"ASUNTO", LikeFold::Lower, "_"}}) +
           "((lower(\"ASUNTO\") LIKE '_'))"},
      {"SELECT * FROM AGENDA WHERE NOTAS LIKE 'a' ORDER BY ID",
       "SELECT * FROM AGENDA WHERE " + Twin({{"NOTAS", LikeFold::None, "a"}}) + "NOTAS LIKE 'a' ORDER BY ID"},
      // Not a top-level AND term, not only LIKE terms, or more than one table.
      {"SELECT * FROM AGENDA WHERE TIPO = 1 OR NOTAS LIKE 'a'", ""},
      {"SELECT * FROM AGENDA WHERE NOT (NOTAS LIKE 'a')", ""},
      {"SELECT * FROM AGENDA WHERE NOTAS NOT LIKE 'a'", ""},
      {"SELECT * FROM AGENDA WHERE (NOTAS LIKE 'a') = 0", ""},
      {"SELECT * FROM AGENDA WHERE X BETWEEN 0 AND (NOTAS LIKE 'a')", ""},
      {"SELECT * FROM AGENDA WHERE CASE WHEN 1 AND NOTAS LIKE 'a' THEN 1 END", ""},
      {"SELECT * FROM AGENDA WHERE (NOTAS LIKE 'a' OR TIPO = 2)", ""},
      {"SELECT * FROM AGENDA WHERE NOTAS LIKE 'a!%' ESCAPE '!'", ""},
      {"SELECT * FROM AGENDA WHERE TRIM(NOTAS) LIKE 'a'", ""},
      {"SELECT * FROM AGENDA WHERE NOTAS LIKE :p", ""},
      {"SELECT * FROM AGENDA WHERE C.NOTAS LIKE 'a'", ""},
      {"SELECT * FROM AGENDA A, CATEGORIAS C WHERE NOTAS LIKE 'a'", ""},
      {"SELECT * FROM AGENDA A JOIN CATEGORIAS C ON 1 WHERE NOTAS LIKE 'a'", ""},
      {"SELECT * FROM AGENDA WHERE ID IN (SELECT ID FROM AGENDA) AND NOTAS LIKE 'a'", ""},
      {"SELECT * FROM AGENDA WHERE NOTAS LIKE 'it''s", ""},  // unterminated: SQLite reports it
      {"SELECT * FROM AGENDA WHERE NOTAS LIKE '" + std::string(101, 'x') + "'", ""},  // over the limit below
  };
  for (const Case& c : cases) EXPECT_EQ(PushLikeDown(c.sql, 100), c.expected.empty() ? c.sql : c.expected) << c.sql;
}

TEST(LikePushdownTest, TermsSurviveTheirEncoding) {
  const std::vector<LikeTerm> terms = {{"NOTAS", LikeFold::None, "%12:3%"}, {"ASUNTO", LikeFold::Upper, ""},
                                       {"X", LikeFold::Lower, "N1:a"}};
  std::vector<LikeTerm> back;
  ASSERT_TRUE(DecodeLikeTerms(EncodeLikeTerms(terms), back));
  EXPECT_EQ(back, terms);
  for (const char* bad : {"", "Q1:a", "NX:4:ab", "NX:a:b", "NX3:abc"}) EXPECT_FALSE(DecodeLikeTerms(bad, back)) << bad;
}

// Texts the search meets: accents in both cases, the wildcards and quotes as
// plain text, blanks, one long memo of several blocks (which also makes the
// memo file large enough to be mapped, so memos are read where they lie).
std::vector<sqltest::Cita> VariedCitas() {
  const std::vector<std::pair<std::string, std::string>> texts = {
      {"Reunión de equipo", "Llevar el informe"},
      {"INFORME anual", ""},
      {"Informe", "informe INFORME"},
      {"Entrega", "Con el Informe"},
      {"Año nuevo", "AÑO NUEVO"},
      {"año", "año"},
      {"Llamar a O'Brien", "o'brien dijo 100% seguro"},
      {"Descuento 50%", "rebaja_del_50"},
      {"A_B", "a b"},
      {"Café", "CAFÉ café"},
      {"  blancos  ", "   "},
      {"Ñandú", "ñandú"},
      {"€uros", "coste 10 €"},
      {"x", std::string(3000, 'n') + " informe final"},
  };
  std::vector<sqltest::Cita> citas;
  int id = 0;
  for (const auto& [asunto, notas] : texts) {
    sqltest::Cita c;
    c.id = ++id;
    c.fechaIni = sqltest::Day(2024, 5, 1 + id);
    c.horaIni = "10:00";
    c.asunto = asunto;
    c.notas = notas;
    citas.push_back(c);
  }
  sqltest::Cita big;
  big.id = ++id;
  big.fechaIni = sqltest::Day(2024, 6, 1);
  big.horaIni = "09:00";
  big.asunto = "Relleno";
  big.notas = std::string(300 * 1024, 'z') + "Informe";
  citas.push_back(big);
  return citas;
}

// The search dialog's query for the typed text, from 1900 to 2100.
std::string SearchText(const std::string& typed) {
  auto upper = [](std::string s) {
    for (char& c : s) if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
  };
  auto lower = [](std::string s) {
    for (char& c : s) if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
  };
  std::string sql = "SELECT ID, FECHA_INI, HORA_INI, ASUNTO\nFROM AGENDA.DBF\nWHERE (FECHA_INI BETWEEN 1 AND 73000)";
  if (!typed.empty())
    sql += "\nAND (UPPER(ASUNTO) LIKE '%" + upper(typed) + "%' OR\nNOTAS LIKE '%" + typed + "%' OR\nNOTAS LIKE '%" +
           upper(typed) + "%' OR\nNOTAS LIKE '%" + lower(typed) + "%')";
  return RewriteForSqlite(sql);
}

class HandedDownSearchTest : public sqltest::SqlFolderTest {};

TEST_F(HandedDownSearchTest, FindsExactlyWhatTheQueryFindsWithoutIt) {
  const std::vector<sqltest::Cita> citas = VariedCitas();
  sqltest::CreateAgenda(folder_, citas);
  const std::string typed[] = {"informe", "INFORME", "Informe", "año", "AÑO", "ñ", "é", "É", "%", "_", "50%",
                               "_del_", "a_b", "o''b", "O''BRIEN", " ", "  ", "€", "final", "nnnn inf", "z",
                               "e%o", "zzzInforme", "no está"};
  for (const std::string& t : typed) {
    SCOPED_TRACE(t);
    const std::string text = SearchText(t);
    PreparedQuery plain(folder_, text, LikeConditions::LeftToSqlite);
    PreparedQuery handed(folder_, text);
    const QueryResult expected = plain.Run({});
    const QueryResult got = handed.Run({});
    auto ids = [](const QueryResult& r) {
      std::vector<double> out;
      for (const auto& row : r.rows) out.push_back(row[0].number);
      std::sort(out.begin(), out.end());
      return out;
    };
    EXPECT_EQ(ids(got), ids(expected));
    // The scan itself turned away every record that does not match: none
    // was left for SQLite to reject.
    EXPECT_EQ(expected.visits.turnedAway, 0u);
    EXPECT_EQ(got.visits.turnedAway, citas.size() - got.rows.size());
  }
}

TEST_F(HandedDownSearchTest, AQuoteInTheTextStillFailsAsWithoutIt) {
  sqltest::CreateAgenda(folder_, VariedCitas());
  EXPECT_THROW(PreparedQuery(folder_, SearchText("O'Brien")), DbError);
}

}  // namespace
}  // namespace data::sql
