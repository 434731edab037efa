#pragma once
// The SQL text as tokens, for the few places that read a text before SQLite
// does. Every character belongs to exactly one token, so joining the texts
// gives the text back.
#include <string>
#include <vector>

namespace data::sql {

enum class Tok { Space, Comment, String, QuotedId, OtherQuotedId, Word, Number, Param, Punct };

struct Token {
  Tok kind;
  std::string text;  // as written, quotes included; a Punct is one character
};

std::vector<Token> Tokenize(const std::string& text);

}  // namespace data::sql
