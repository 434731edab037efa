#include "core/Clock.h"

#include <chrono>
#include <ctime>

#include "core/DateTime.h"

namespace Clock {
namespace {
std::function<TDateTime()>& Source() {
  static std::function<TDateTime()> source;
  return source;
}

TDateTime SystemNow() {
  using namespace std::chrono;
  const auto now = system_clock::now();
  const std::time_t secs = system_clock::to_time_t(now);
  const auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm local{};
  localtime_r(&secs, &local);
  return dt::EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) +
         dt::EncodeTime(local.tm_hour, local.tm_min, local.tm_sec > 59 ? 59 : local.tm_sec,
                        static_cast<int>(ms));
}
}  // namespace

TDateTime Now() { return Source() ? Source()() : SystemNow(); }
TDate Today() { return dt::DateOf(Now()); }
void SetSource(std::function<TDateTime()> source) { Source() = std::move(source); }

long long TickMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}
}  // namespace Clock
