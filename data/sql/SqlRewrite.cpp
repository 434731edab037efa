#include "data/sql/SqlRewrite.h"

#include <cstddef>

#include "data/sql/SqlTokens.h"

namespace data::sql {
namespace {

bool EndsWithDbf(const std::string& name) {
  return name.size() > 4 && EqualsNoCase(name.substr(name.size() - 4), ".DBF");
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
