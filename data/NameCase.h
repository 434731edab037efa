#pragma once
// Names of tables, fields, tags and parameters compare without regard to
// case: dBase stores them in upper case, and the C locale's toupper leaves
// every byte but a-z as it is.
#include <cctype>
#include <string>

namespace data {

inline std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// A key expression with its names in upper case and its quoted texts as
// written: 'abc' in a key is lower case in every program's keys.
inline std::string UpperNames(std::string s) {
  char quote = 0;
  for (char& c : s) {
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else {
      c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
  }
  return s;
}

}  // namespace data
