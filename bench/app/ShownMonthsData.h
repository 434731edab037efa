#pragma once
// The shown months of the benchmark's main window filled up to a given
// number of appointments, on top of the generated million.
#include <string>

#include "core/DateTime.h"

namespace benchdata {

// Appends appointments starting from Desde to Hasta until that range holds
// `count`; remembered with a marker file in the folder, so done once.
void FillRange(const std::string& folder, TDate Desde, TDate Hasta, int count);

}  // namespace benchdata
