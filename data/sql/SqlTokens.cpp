#include "data/sql/SqlTokens.h"

#include <cctype>

namespace data::sql {
namespace {

bool IsWordStart(unsigned char c) { return std::isalpha(c) || c == '_' || c >= 0x80; }
bool IsWordChar(unsigned char c) { return std::isalnum(c) || c == '_' || c == '$' || c >= 0x80; }

// Reads a quoted run starting at i (the opening quote) whose closing quote is
// `close`; a doubled closing quote stands for itself. An unterminated run
// takes the rest of the text, and SQLite reports it.
std::size_t QuotedEnd(const std::string& s, std::size_t i, char close) {
  std::size_t j = i + 1;
  while (j < s.size()) {
    if (s[j] == close) {
      if (close != ']' && j + 1 < s.size() && s[j + 1] == close) {
        j += 2;
        continue;
      }
      return j + 1;
    }
    ++j;
  }
  return s.size();
}

}  // namespace

std::vector<Token> Tokenize(const std::string& s) {
  std::vector<Token> out;
  std::size_t i = 0;
  while (i < s.size()) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    std::size_t j = i + 1;
    Tok kind = Tok::Punct;
    if (std::isspace(c)) {
      while (j < s.size() && std::isspace(static_cast<unsigned char>(s[j]))) ++j;
      kind = Tok::Space;
    } else if (c == '-' && j < s.size() && s[j] == '-') {
      while (j < s.size() && s[j] != '\n') ++j;
      kind = Tok::Comment;
    } else if (c == '/' && j < s.size() && s[j] == '*') {
      const std::size_t end = s.find("*/", j + 1);
      j = end == std::string::npos ? s.size() : end + 2;
      kind = Tok::Comment;
    } else if (c == '\'') {
      j = QuotedEnd(s, i, '\'');
      kind = Tok::String;
    } else if (c == '"') {
      j = QuotedEnd(s, i, '"');
      kind = Tok::QuotedId;
    } else if (c == '`') {
      j = QuotedEnd(s, i, '`');
      kind = Tok::OtherQuotedId;
    } else if (c == '[') {
      j = QuotedEnd(s, i, ']');
      kind = Tok::OtherQuotedId;
    } else if (IsWordStart(c)) {
      while (j < s.size() && IsWordChar(static_cast<unsigned char>(s[j]))) ++j;
      kind = Tok::Word;
    } else if (std::isdigit(c)) {
      while (j < s.size() && (std::isalnum(static_cast<unsigned char>(s[j])) || s[j] == '.')) ++j;
      kind = Tok::Number;
    } else if ((c == ':' || c == '@' || c == '$' || c == '?') && j < s.size() &&
               IsWordChar(static_cast<unsigned char>(s[j]))) {
      while (j < s.size() && IsWordChar(static_cast<unsigned char>(s[j]))) ++j;
      kind = Tok::Param;
    }
    out.push_back({kind, s.substr(i, j - i)});
    i = j;
  }
  return out;
}

bool EqualsNoCase(const std::string& a, const char* b) {
  std::size_t i = 0;
  for (; i < a.size() && b[i]; ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
      return false;
  }
  return i == a.size() && !b[i];
}

std::string QuoteLiteral(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out + '\'';
}

std::size_t NextSolid(const std::vector<Token>& t, std::size_t i) {
  while (i < t.size() && (t[i].kind == Tok::Space || t[i].kind == Tok::Comment)) ++i;
  return i;
}

}  // namespace data::sql
