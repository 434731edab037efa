#pragma once
// Text searches handed down to the table scan. A condition of the WHERE
// clause made of LIKE terms on columns,
//
//   ... AND (UPPER(ASUNTO) LIKE '%X%' OR NOTAS LIKE '%x%' OR NOTAS LIKE '%X%')
//
// gets a twin in front of it that the virtual table answers while it reads
// the records:
//
//   ... AND quillar_text_filter MATCH '<the same terms>' AND (UPPER(ASUNTO) ...)
//
// so that a record none of whose terms match is turned away on its stored
// bytes before SQLite reads any value of it. The twin holds for every row the
// condition holds for (its terms are the condition's own), and SQLite still
// checks the condition on the rows it gets: the result is the same.
//
// Done only where the twin cannot change the answer: a SELECT of one table
// (FROM name [[AS] alias] WHERE; no join, subquery or compound), the
// condition one of the WHERE clause's top-level AND terms (not under NOT or
// OR), each of its terms `column LIKE 'pattern'`, `UPPER(column) LIKE ...` or
// `LOWER(column) LIKE ...`, with no ESCAPE and a pattern SQLite accepts.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "data/sql/StoredLike.h"

namespace data::sql {

// The hidden column of every virtual table that takes the twins. (Longer
// than any dBase field name, so it never hides a field.)
inline constexpr const char* kTextFilterColumn = "quillar_text_filter";

struct LikeTerm {
  std::string column;  // as written, unquoted
  LikeFold fold = LikeFold::None;
  std::string pattern;  // the literal's text, quotes undoubled
  bool operator==(const LikeTerm&) const = default;
};

// `text` as SQLite takes it, with the twins added; unchanged when there is
// nothing to hand down. Patterns longer than `maxPatternBytes` (SQLite's
// limit, past which LIKE fails) are not handed down.
std::string PushLikeDown(const std::string& text, std::size_t maxPatternBytes);

// A twin's MATCH value and back; Decode is false for a value Encode did not
// make.
std::string EncodeLikeTerms(const std::vector<LikeTerm>& terms);
bool DecodeLikeTerms(std::string_view text, std::vector<LikeTerm>& out);

}  // namespace data::sql
