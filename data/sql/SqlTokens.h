#pragma once
// SQL text cut into tokens, for the rewrites that change a query's spelling
// without parsing it: every character of the text belongs to exactly one
// token, so joining the tokens' texts gives the text back.
#include <cstddef>
#include <string>
#include <vector>

namespace data::sql {

enum class Tok { Space, Comment, String, QuotedId, OtherQuotedId, Word, Number, Param, Punct };

struct Token {
  Tok kind;
  std::string text;
};

// An unterminated string, quoted name or comment takes the rest of the text
// (SQLite reports it).
std::vector<Token> Tokenize(const std::string& s);

// `a` equals `b` with ASCII letters compared without regard to case.
bool EqualsNoCase(const std::string& a, const char* b);

// `text` as an SQL string literal (quotes doubled).
std::string QuoteLiteral(const std::string& text);

// Index of the next token at or after i that is neither space nor comment.
std::size_t NextSolid(const std::vector<Token>& t, std::size_t i);

}  // namespace data::sql
