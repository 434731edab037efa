#pragma once
// The SQL spellings of the desktop database engine that SQLite does not accept,
// turned into SQLite's own. Only spellings change: values are never pasted into
// the text (parameters stay ":name" and are bound).
//
//   FROM AGENDA.DBF          -> FROM AGENDA
//   FROM "CATEGORIAS.DBF"    -> FROM "CATEGORIAS"
//   EXTRACT(YEAR FROM x)     -> quillar_extract_year(x)   (also MONTH, DAY)
//
// String literals, comments and quoted identifiers other than table names are
// left exactly as written.
#include <string>
#include <vector>

namespace data::sql {

std::string RewriteForSqlite(const std::string& text);

// Every bare or double-quoted identifier of the text (after the rewrite), as
// written: the candidates for table names.
std::vector<std::string> IdentifiersOf(const std::string& text);

// Names of the date-part functions the rewrite produces; the connection
// registers them.
inline constexpr const char* kExtractYear = "quillar_extract_year";
inline constexpr const char* kExtractMonth = "quillar_extract_month";
inline constexpr const char* kExtractDay = "quillar_extract_day";

}  // namespace data::sql
