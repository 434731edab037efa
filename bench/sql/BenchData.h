#pragma once
// The benchmark's data folder: AGENDA and CATEGORIAS as dBase tables written
// by the table engine, and the same rows in a native SQLite file
// ("native.sqlite") with the same indexes. Made once and kept in the folder.
//
// Appointments start on days spread evenly over about 83 years around
// kToday (about a thousand a month); times, lengths, subjects, categories and
// notes are drawn as the test-data generator draws them. Reminders are set on
// the appointments from kToday on and, as on a real agenda whose old
// reminders have been dismissed, on one in 500 of the older ones.
#include <string>

#include "core/DateTime.h"

namespace benchdata {

inline const TDate kToday = dt::EncodeDate(2025, 6, 15);

// Makes the folder's data unless a complete set of `rows` rows is there.
void EnsureData(const std::string& folder, int rows);

}  // namespace benchdata
