#pragma once
// The "print" command of quillar-data: the "Entre fechas" report of a data
// folder written to a PDF by the same code as the print dialog, for printing
// from scripts.
//
//   quillar-data print DIR DESDE HASTA OUT.pdf [--resumido] [--categoria ID]
//
// Dates are YYYY-MM-DD. `args` are the words after "print". Exit status: 0
// written; 1 bad use, reversed dates or no appointment in the range (the
// dialog's own warnings, on `err`); 2 the data or the PDF could not be
// read or written. A QGuiApplication is created when there is none (on the
// offscreen platform when no display is available).

#include <ostream>
#include <string>
#include <vector>

namespace reports {

int PrintCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace reports
