#include "data/sql/SqlRewrite.h"

#include <cctype>
#include <cstddef>

#include "data/sql/SqlTokens.h"

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

namespace {

bool EqualsNoCase(const std::string& a, const char* b) {
  std::size_t i = 0;
  for (; i < a.size() && b[i]; ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
      return false;
  }
  return i == a.size() && !b[i];
}

bool EndsWithDbf(const std::string& name) {
  return name.size() > 4 && EqualsNoCase(name.substr(name.size() - 4), ".DBF");
}

// Index of the next token at or after i that is neither space nor comment.
std::size_t NextSolid(const std::vector<Token>& t, std::size_t i) {
  while (i < t.size() && (t[i].kind == Tok::Space || t[i].kind == Tok::Comment)) ++i;
  return i;
}

const char* ExtractFunction(const std::string& part) {
  if (EqualsNoCase(part, "YEAR")) return kExtractYear;
  if (EqualsNoCase(part, "MONTH")) return kExtractMonth;
  if (EqualsNoCase(part, "DAY")) return kExtractDay;
  return nullptr;
}

}  // namespace

std::string RewriteForSqlite(const std::string& text) {
  const std::vector<Token> t = Tokenize(text);
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < t.size(); ++i) {
    const Token& tok = t[i];
    if (tok.kind == Tok::QuotedId) {
      // "AGENDA.DBF": the table of that file.
      const std::string inner = tok.text.size() >= 2 ? tok.text.substr(1, tok.text.size() - 2) : "";
      if (tok.text.size() >= 2 && tok.text.back() == '"' && EndsWithDbf(inner)) {
        out += '"' + inner.substr(0, inner.size() - 4) + '"';
        continue;
      }
    } else if (tok.kind == Tok::Word) {
      // AGENDA.DBF: a name directly followed by ".DBF" and not by a further
      // ".column", which would make it a qualified column instead.
      if (i + 2 < t.size() && t[i + 1].text == "." && t[i + 2].kind == Tok::Word &&
          EqualsNoCase(t[i + 2].text, "DBF") && !(i + 3 < t.size() && t[i + 3].text == ".") &&
          !(i > 0 && t[i - 1].text == ".")) {
        out += tok.text;
        i += 2;
        continue;
      }
      // EXTRACT ( part FROM  ->  function ( ; the argument and its closing
      // parenthesis stay as written.
      if (EqualsNoCase(tok.text, "EXTRACT")) {
        const std::size_t open = NextSolid(t, i + 1);
        const std::size_t part = NextSolid(t, open + 1);
        const std::size_t from = NextSolid(t, part + 1);
        if (from < t.size() && t[open].text == "(" && t[part].kind == Tok::Word &&
            ExtractFunction(t[part].text) && t[from].kind == Tok::Word && EqualsNoCase(t[from].text, "FROM")) {
          out += ExtractFunction(t[part].text);
          out += '(';
          i = from;
          continue;
        }
      }
    }
    out += tok.text;
  }
  return out;
}

std::vector<std::string> IdentifiersOf(const std::string& text) {
  std::vector<std::string> names;
  for (const Token& tok : Tokenize(text)) {
    if (tok.kind == Tok::Word) {
      names.push_back(tok.text);
    } else if ((tok.kind == Tok::QuotedId || tok.kind == Tok::OtherQuotedId) && tok.text.size() >= 2) {
      std::string inner = tok.text.substr(1, tok.text.size() - 2);
      const char q = tok.text.front() == '[' ? ']' : tok.text.front();
      std::string unq;
      for (std::size_t k = 0; k < inner.size(); ++k) {
        unq += inner[k];
        if (inner[k] == q && k + 1 < inner.size() && inner[k + 1] == q) ++k;
      }
      names.push_back(unq);
    }
  }
  return names;
}

}  // namespace data::sql
