#pragma once
// The one clock of the program. Everything that asks for "now" or "today"
// asks here, so tests can set the time.

#include <functional>

#include "core/DateTime.h"

namespace Clock {
TDateTime Now();
TDate Today();
// Replaces the clock; an empty function restores the system clock.
void SetSource(std::function<TDateTime()> source);
// Milliseconds from a monotonic clock (the tick counter).
long long TickMs();
}  // namespace Clock
