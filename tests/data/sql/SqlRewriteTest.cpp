#include <gtest/gtest.h>

#include "data/sql/SqlRewrite.h"

namespace data::sql {
namespace {

TEST(SqlRewrite, ChangesOnlyTheSpellingsSqliteRejects) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"SELECT ID FROM AGENDA.DBF WHERE TIPO=:pTipo", "SELECT ID FROM AGENDA WHERE TIPO=:pTipo"},
      {"FROM agenda.dbf", "FROM agenda"},
      {"FROM \"AGENDA.DBF\"", "FROM \"AGENDA\""},
      {"FROM \"categorias.Dbf\" AS C", "FROM \"categorias\" AS C"},
      {"FROM AGENDA AS A", "FROM AGENDA AS A"},
      {"FROM \"AGENDA\"", "FROM \"AGENDA\""},
      // Qualified columns are not table files.
      {"SELECT A.ID, C.CATEGORIA FROM AGENDA AS A", "SELECT A.ID, C.CATEGORIA FROM AGENDA AS A"},
      {"SELECT X.DBF.ID", "SELECT X.DBF.ID"},
      // Literals and comments stay exactly as written.
      {"WHERE ASUNTO LIKE '%AGENDA.DBF%'", "WHERE ASUNTO LIKE '%AGENDA.DBF%'"},
      {"WHERE ASUNTO = 'EXTRACT(YEAR FROM X)'", "WHERE ASUNTO = 'EXTRACT(YEAR FROM X)'"},
      {"WHERE ASUNTO = 'it''s AGENDA.DBF'", "WHERE ASUNTO = 'it''s AGENDA.DBF'"},
      {"-- AGENDA.DBF\nFROM AGENDA.DBF", "-- AGENDA.DBF\nFROM AGENDA"},
      {"/* EXTRACT(YEAR FROM F) */ X", "/* EXTRACT(YEAR FROM F) */ X"},
      {"WHERE EXTRACT(YEAR FROM FECHA_INI)=:pYear", "WHERE quillar_extract_year( FECHA_INI)=:pYear"},
      {"extract ( year\n from A.FECHA_INI )", "quillar_extract_year( A.FECHA_INI )"},
      {"EXTRACT(MONTH FROM F_AVISO), EXTRACT(DAY FROM F_AVISO)",
       "quillar_extract_month( F_AVISO), quillar_extract_day( F_AVISO)"},
      {"EXTRACT(YEAR FROM (FECHA_INI + 1))", "quillar_extract_year( (FECHA_INI + 1))"},
      // Unknown parts are left for SQLite to reject.
      {"EXTRACT(WEEK FROM F)", "EXTRACT(WEEK FROM F)"},
      {"SELECT 'unterminated", "SELECT 'unterminated"},
  };
  for (const Case& c : cases) EXPECT_EQ(RewriteForSqlite(c.in), c.out) << c.in;
}

TEST(SqlRewrite, IdentifiersAreTheWordsAndQuotedNamesOutsideLiterals) {
  const auto ids = IdentifiersOf("SELECT A.* FROM \"CATE\"\"GORIAS\" AS A WHERE X='AGENDA' -- NOTAS\n");
  const std::vector<std::string> expected = {"SELECT", "A", "FROM", "CATE\"GORIAS", "AS", "A", "WHERE", "X"};
  EXPECT_EQ(ids, expected);
}

}  // namespace
}  // namespace data::sql
