#include "data/sql/DateResults.h"

#include <algorithm>
#include <cstddef>

#include "data/NameCase.h"
#include "data/sql/SqlTokens.h"

namespace data::sql {
namespace {

using Tokens = std::vector<Token>;  // without spaces and comments
struct Span {
  std::size_t b, e;  // [b, e)
};
constexpr std::size_t kNone = static_cast<std::size_t>(-1);

bool Is(const Token& t, const char* word) { return t.kind == Tok::Word && Upper(t.text) == word; }
bool IsName(const Token& t) { return t.kind == Tok::Word || t.kind == Tok::QuotedId || t.kind == Tok::OtherQuotedId; }

std::string NameOf(const Token& t) {
  if (t.kind == Tok::Word || t.text.size() < 2) return t.text;
  return t.text.substr(1, t.text.size() - 2);  // a doubled quote inside names no column
}

// The closing parenthesis of the one at i, or kNone.
std::size_t Closing(const Tokens& t, std::size_t i, std::size_t e) {
  int depth = 0;
  for (std::size_t k = i; k < e; ++k) {
    if (t[k].text == "(") ++depth;
    else if (t[k].text == ")" && --depth == 0) return k;
  }
  return kNone;
}

// The parts of [b, e) between the commas outside parentheses.
std::vector<Span> SplitAtCommas(const Tokens& t, Span s) {
  std::vector<Span> parts;
  int depth = 0;
  std::size_t start = s.b;
  for (std::size_t k = s.b; k < s.e; ++k) {
    if (t[k].text == "(") ++depth;
    else if (t[k].text == ")") --depth;
    else if (depth == 0 && t[k].text == ",") {
      parts.push_back({start, k});
      start = k + 1;
    }
  }
  parts.push_back({start, s.e});
  return parts;
}

bool IsDate(const Tokens& t, Span s, const std::function<bool(const std::string&)>& isDateColumn);

// MIN(a), MAX(a, b), COALESCE(a, NULL, b), IFNULL(a, b): every argument
// that can be the result is a date or NULL, and one at least is a date.
bool AllDates(const Tokens& t, const std::vector<Span>& args,
              const std::function<bool(const std::string&)>& isDateColumn) {
  bool any = false;
  for (Span a : args) {
    if (a.e == a.b + 1 && Is(t[a.b], "NULL")) continue;
    if (!IsDate(t, a, isDateColumn)) return false;
    any = true;
  }
  return any;
}

bool IsDate(const Tokens& t, Span s, const std::function<bool(const std::string&)>& isDateColumn) {
  const std::size_t n = s.e - s.b;
  if (n == 0) return false;
  if (t[s.b].text == "(" && Closing(t, s.b, s.e) == s.e - 1) return IsDate(t, {s.b + 1, s.e - 1}, isDateColumn);
  // A column, perhaps qualified by its table (and schema).
  if (n % 2 == 1 && n <= 5) {
    bool column = true;
    for (std::size_t k = s.b; k < s.e; ++k) column = column && ((k - s.b) % 2 == 0 ? IsName(t[k]) : t[k].text == ".");
    if (column) return isDateColumn(NameOf(t[s.e - 1]));
  }
  if (n < 3 || t[s.b].kind != Tok::Word || t[s.b + 1].text != "(" || Closing(t, s.b + 1, s.e) != s.e - 1)
    return false;
  const std::string function = Upper(t[s.b].text);
  std::vector<Span> args = SplitAtCommas(t, {s.b + 2, s.e - 1});
  if (function == "NULLIF") return args.size() == 2 && IsDate(t, args[0], isDateColumn);
  if (function == "MIN" || function == "MAX") {
    if (args.size() == 1 && args[0].b < args[0].e && Is(t[args[0].b], "DISTINCT")) ++args[0].b;
    return AllDates(t, args, isDateColumn);
  }
  if (function == "COALESCE" || function == "IFNULL") return AllDates(t, args, isDateColumn);
  return false;
}

// The item without its alias: "expr AS name" or "expr name".
Span WithoutAlias(const Tokens& t, Span s) {
  const std::size_t n = s.e - s.b;
  if (n >= 3 && IsName(t[s.e - 1]) && Is(t[s.e - 2], "AS")) return {s.b, s.e - 2};
  if (n >= 2 && IsName(t[s.e - 1])) {
    const Token& before = t[s.e - 2];
    if (before.text == ")" || IsName(before) || before.kind == Tok::Number || before.kind == Tok::String)
      return {s.b, s.e - 1};
  }
  return s;
}

bool IsStar(const Tokens& t, Span s) {
  return (s.e == s.b + 1 && t[s.b].text == "*") || (s.e == s.b + 3 && t[s.b + 1].text == "." && t[s.b + 2].text == "*");
}

// The result list of the first SELECT outside parentheses (a WITH's own
// queries are inside them).
std::vector<Span> ResultItems(const Tokens& t) {
  int depth = 0;
  std::size_t k = 0;
  for (; k < t.size(); ++k) {
    if (t[k].text == "(") ++depth;
    else if (t[k].text == ")") --depth;
    else if (depth == 0 && Is(t[k], "SELECT")) break;
  }
  if (k == t.size()) return {};
  std::size_t b = k + 1;
  if (b < t.size() && (Is(t[b], "DISTINCT") || Is(t[b], "ALL"))) ++b;
  static const char* const kEnds[] = {"FROM",  "WHERE",  "GROUP",     "HAVING", "ORDER",
                                      "LIMIT", "UNION", "INTERSECT", "EXCEPT", "WINDOW"};
  std::size_t e = b;
  for (depth = 0; e < t.size(); ++e) {
    if (t[e].text == "(") ++depth;
    else if (t[e].text == ")") --depth;
    else if (depth == 0) {
      bool end = t[e].text == ";";
      for (const char* word : kEnds) end = end || Is(t[e], word);
      if (end) break;
    }
  }
  return SplitAtCommas(t, {b, e});
}

}  // namespace

std::vector<bool> DateValuedColumns(const std::string& text, int columns,
                                    const std::function<bool(const std::string&)>& isDateColumn) {
  std::vector<bool> dates(static_cast<std::size_t>(std::max(columns, 0)), false);
  Tokens t;
  for (Token& tok : Tokenize(text))
    if (tok.kind != Tok::Space && tok.kind != Tok::Comment) t.push_back(std::move(tok));
  const std::vector<Span> items = ResultItems(t);
  // Items before the first "*" count from the first column, those after the
  // last one from the last column.
  std::size_t firstStar = items.size(), lastStar = items.size();
  for (std::size_t i = 0; i < items.size(); ++i)
    if (IsStar(t, items[i])) {
      if (firstStar == items.size()) firstStar = i;
      lastStar = i;
    }
  if (firstStar == items.size() && items.size() != dates.size()) return dates;
  for (std::size_t i = 0; i < firstStar && i < dates.size(); ++i)
    dates[i] = IsDate(t, WithoutAlias(t, items[i]), isDateColumn);
  if (firstStar < items.size()) {
    const std::size_t after = items.size() - lastStar - 1;
    for (std::size_t k = 0; k < after && k < dates.size(); ++k)
      dates[dates.size() - 1 - k] = IsDate(t, WithoutAlias(t, items[items.size() - 1 - k]), isDateColumn);
  }
  return dates;
}

}  // namespace data::sql
