#include "data/sql/LikePushdown.h"

#include <charconv>
#include <optional>

#include "data/sql/SqlTokens.h"

namespace data::sql {
namespace {

bool IsWord(const Token& t, const char* w) { return t.kind == Tok::Word && EqualsNoCase(t.text, w); }
bool IsPunct(const Token& t, const char* p) { return t.kind == Tok::Punct && t.text == p; }
bool Opens(const Token& t) { return IsPunct(t, "(") || IsWord(t, "CASE"); }
bool Closes(const Token& t) { return IsPunct(t, ")") || IsWord(t, "END"); }

// The text inside a quoted token with doubled quotes undone, or nothing
// when the token is not closed (SQLite then reports the error).
std::optional<std::string> Unquoted(const std::string& s) {
  if (s.size() < 2) return std::nullopt;
  const char q = s.front();
  std::string out;
  for (std::size_t i = 1; i < s.size(); ++i) {
    if (s[i] != q) {
      out += s[i];
    } else if (i + 1 < s.size() && s[i + 1] == q) {
      out += q;
      ++i;
    } else {
      if (i + 1 != s.size()) return std::nullopt;
      return out;
    }
  }
  return std::nullopt;
}

// A name as SQL means it: a bare word, or a double-quoted name unquoted.
std::optional<std::string> NameOf(const Token& t) {
  if (t.kind == Tok::Word) return t.text;
  if (t.kind == Tok::QuotedId) return Unquoted(t.text);
  return std::nullopt;
}

bool SameName(const std::string& a, const std::string& b) { return EqualsNoCase(a, b.c_str()); }

class Rewriter {
 public:
  Rewriter(const std::string& text, std::size_t maxPatternBytes)
      : tokens_(Tokenize(text)), maxPatternBytes_(maxPatternBytes) {
    for (std::size_t i = 0; i < tokens_.size(); ++i)
      if (tokens_[i].kind != Tok::Space && tokens_[i].kind != Tok::Comment) solid_.push_back(i);
  }

  // The text with the twins, or nothing when there is none to add.
  std::optional<std::string> Run() {
    std::size_t where = 0, whereEnd = 0;
    if (!OneTableSelect(where, whereEnd)) return std::nullopt;
    std::vector<std::pair<std::size_t, std::string>> twins;  // before token, text
    for (const auto& [a, b] : Conjuncts(where + 1, whereEnd)) {
      std::vector<LikeTerm> terms;
      if (LikeGroup(a, b, terms))
        twins.emplace_back(solid_[a], std::string(kTextFilterColumn) + " MATCH " +
                                          QuoteLiteral(EncodeLikeTerms(terms)) + " AND ");
    }
    if (twins.empty()) return std::nullopt;
    std::string out;
    std::size_t next = 0;
    for (std::size_t i = 0; i < tokens_.size(); ++i) {
      if (next < twins.size() && twins[next].first == i) out += twins[next++].second;
      out += tokens_[i].text;
    }
    return out;
  }

 private:
  const Token& At(std::size_t k) const { return tokens_[solid_[k]]; }

  // SELECT ... FROM name [[AS] alias] WHERE ... with one SELECT and no
  // compound; the WHERE clause's solid tokens are (where, whereEnd).
  bool OneTableSelect(std::size_t& where, std::size_t& whereEnd) {
    if (solid_.empty() || !IsWord(At(0), "SELECT")) return false;
    for (std::size_t k = 1; k < solid_.size(); ++k)
      for (const char* w : {"SELECT", "UNION", "INTERSECT", "EXCEPT", "JOIN", "WITH"})
        if (IsWord(At(k), w)) return false;
    std::size_t from = 0;
    where = whereEnd = 0;
    int depth = 0;
    for (std::size_t k = 0; k < solid_.size(); ++k) {
      const Token& t = At(k);
      if (Opens(t)) ++depth;
      if (Closes(t)) --depth;
      if (depth != 0) continue;
      if (!from) {
        if (IsWord(t, "FROM")) from = k;
      } else if (!where) {
        if (IsWord(t, "WHERE")) where = k;
      } else if (IsWord(t, "GROUP") || IsWord(t, "ORDER") || IsWord(t, "LIMIT") || IsWord(t, "WINDOW") ||
                 IsWord(t, "HAVING") || IsPunct(t, ";")) {
        whereEnd = k;
        break;
      }
    }
    if (!from || !where) return false;
    if (!whereEnd) whereEnd = solid_.size();
    const std::size_t n = where - from - 1;
    std::optional<std::string> name = n >= 1 ? NameOf(At(from + 1)) : std::nullopt;
    std::optional<std::string> alias;
    if (n == 2) alias = NameOf(At(from + 2));
    if (n == 3 && IsWord(At(from + 2), "AS")) alias = NameOf(At(from + 3));
    if (!name || n > 3 || (n > 1 && !alias)) return false;
    names_ = {*name};
    if (alias) names_.push_back(*alias);
    return true;
  }

  // The WHERE clause's top-level AND terms; none when it has a top-level OR.
  std::vector<std::pair<std::size_t, std::size_t>> Conjuncts(std::size_t a, std::size_t b) const {
    std::vector<std::pair<std::size_t, std::size_t>> out;
    int depth = 0, between = 0;
    std::size_t start = a;
    for (std::size_t k = a; k < b; ++k) {
      const Token& t = At(k);
      if (Opens(t)) ++depth;
      if (Closes(t)) --depth;
      if (depth != 0) continue;
      if (IsWord(t, "OR")) return {};
      if (IsWord(t, "BETWEEN")) ++between;
      if (IsWord(t, "AND")) {
        if (between > 0) {
          --between;  // the AND of x BETWEEN a AND b
          continue;
        }
        out.emplace_back(start, k);
        start = k + 1;
      }
    }
    out.emplace_back(start, b);
    return out;
  }

  // Whether the opening parenthesis at a closes at b - 1.
  bool Enclosed(std::size_t a, std::size_t b) const {
    if (b - a < 2 || !IsPunct(At(a), "(") || !IsPunct(At(b - 1), ")")) return false;
    int depth = 0;
    for (std::size_t k = a; k + 1 < b; ++k) {
      if (Opens(At(k))) ++depth;
      if (Closes(At(k))) --depth;
      if (depth == 0) return false;
    }
    return true;
  }

  // term OR term OR ..., in any number of parentheses.
  bool LikeGroup(std::size_t a, std::size_t b, std::vector<LikeTerm>& terms) const {
    while (Enclosed(a, b)) ++a, --b;
    if (a >= b) return false;
    int depth = 0;
    std::size_t start = a;
    for (std::size_t k = a; k <= b; ++k) {
      if (k < b) {
        const Token& t = At(k);
        if (Opens(t)) ++depth;
        if (Closes(t)) --depth;
        if (depth != 0 || !IsWord(t, "OR")) continue;
      }
      LikeTerm term;
      if (!Term(start, k, term)) return false;
      terms.push_back(std::move(term));
      start = k + 1;
    }
    return true;
  }

  // [F(] [q.]column [)] LIKE 'pattern', F being UPPER or LOWER.
  bool Term(std::size_t a, std::size_t b, LikeTerm& out) const {
    if (b < a + 3 || !IsWord(At(b - 2), "LIKE") || At(b - 1).kind != Tok::String) return false;
    const std::optional<std::string> pattern = Unquoted(At(b - 1).text);
    if (!pattern || pattern->size() > maxPatternBytes_) return false;
    std::size_t x = a, y = b - 2;  // the operand
    out.fold = LikeFold::None;
    if (y - x >= 4 && At(x).kind == Tok::Word && IsPunct(At(x + 1), "(") && IsPunct(At(y - 1), ")")) {
      if (IsWord(At(x), "UPPER")) out.fold = LikeFold::Upper;
      else if (IsWord(At(x), "LOWER")) out.fold = LikeFold::Lower;
      else return false;
      x += 2;
      --y;
    }
    if (y - x == 3) {
      const std::optional<std::string> q = NameOf(At(x));
      if (!q || !IsPunct(At(x + 1), ".")) return false;
      bool known = false;
      for (const std::string& n : names_) known = known || SameName(*q, n);
      if (!known) return false;
      x += 2;
    }
    if (y - x != 1) return false;
    const std::optional<std::string> column = NameOf(At(x));
    if (!column || column->find(':') != std::string::npos) return false;
    out.column = *column;
    out.pattern = *pattern;
    return true;
  }

  std::vector<Token> tokens_;
  std::vector<std::size_t> solid_;  // indices of the tokens that are neither space nor comment
  std::size_t maxPatternBytes_;
  std::vector<std::string> names_;  // the table's name and alias
};

char FoldLetter(LikeFold f) { return f == LikeFold::Upper ? 'U' : f == LikeFold::Lower ? 'L' : 'N'; }

}  // namespace

std::string PushLikeDown(const std::string& text, std::size_t maxPatternBytes) {
  return Rewriter(text, maxPatternBytes).Run().value_or(text);
}

// Each term as <fold letter><column>:<pattern length>:<pattern>.
std::string EncodeLikeTerms(const std::vector<LikeTerm>& terms) {
  std::string out;
  for (const LikeTerm& t : terms)
    out += FoldLetter(t.fold) + t.column + ':' + std::to_string(t.pattern.size()) + ':' + t.pattern;
  return out;
}

bool DecodeLikeTerms(std::string_view text, std::vector<LikeTerm>& out) {
  out.clear();
  while (!text.empty()) {
    LikeTerm t;
    switch (text.front()) {
      case 'N': t.fold = LikeFold::None; break;
      case 'U': t.fold = LikeFold::Upper; break;
      case 'L': t.fold = LikeFold::Lower; break;
      default: return false;
    }
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos || colon < 2) return false;
    t.column = std::string(text.substr(1, colon - 1));
    std::size_t length = 0;
    const char* digits = text.data() + colon + 1;
    const auto [end, ec] = std::from_chars(digits, text.data() + text.size(), length);
    if (ec != std::errc() || end == text.data() + text.size() || *end != ':') return false;
    const std::size_t at = static_cast<std::size_t>(end - text.data()) + 1;
    if (length > text.size() - at) return false;
    t.pattern = std::string(text.substr(at, length));
    text.remove_prefix(at + length);
    out.push_back(std::move(t));
  }
  return !out.empty();
}

}  // namespace data::sql
