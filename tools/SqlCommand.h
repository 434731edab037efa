#pragma once
// quillar-data sql DIR 'SELECT ...' [NAME=TYPE:VALUE ...]: runs a query over
// the folder's tables and prints the result as the dump does: a header line
// with the column names, then one tab-separated line per row. TYPE is int,
// date (YYYY-MM-DD) or str. Exit status 0 fine, 1 an SQL error or bad use
// (message on `err`), 2 a folder that does not exist.
#include <ostream>
#include <string>
#include <vector>

namespace tools {

// `args` are the words after "sql".
int SqlCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace tools
