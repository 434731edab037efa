#pragma once
// quillar-data sql [--tiempo=S] DIR 'SELECT ...' [NAME=TYPE:VALUE ...]: runs a
// query over the folder's tables and prints the result as the dump does: a
// header line with the column names, then one tab-separated line per row;
// dates, also those MIN or MAX give, as YYYY-MM-DD. TYPE is int, date
// (YYYY-MM-DD) or str. The query only reads (no ATTACH, no writes, no
// pragma that changes anything), stops after S seconds (30 unless given)
// and after ten million values. Exit status 0 fine, 1 an SQL error, a
// refusal or bad use (message on `err`), 2 a folder that does not exist.
#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

namespace tools {

inline constexpr int kDefaultSeconds = 30;
inline constexpr std::size_t kMaxValues = 10'000'000;

// `args` are the words after "sql".
int SqlCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace tools
