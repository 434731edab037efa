#pragma once
// Text forms of "quillar-data": one line per record, tab-separated.
#include <string>

#include "data/Table.h"

namespace tools {

// Tab, newline and backslash written as \t, \n and \\ (carriage returns as \r).
std::string EscapeField(const std::string& text);
// A field as dumped: numbers plain, dates YYYY-MM-DD, logicals T/F, empty when blank.
std::string DumpValue(data::Field f);

}  // namespace tools
