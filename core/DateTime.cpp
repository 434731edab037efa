#include "core/DateTime.h"

#include <cmath>
#include <stdexcept>

namespace dt {

namespace {
// Days from 01/01/0001 to 30/12/1899.
constexpr int DateDelta = 693594;

// Day number counted from 01/01/0001 as day 1.
std::int64_t DaysFromCivil(int y, int m, int d) {
  static const int before[2][13] = {{0, 0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334},
                                    {0, 0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335}};
  const std::int64_t py = y - 1;
  return py * 365 + py / 4 - py / 100 + py / 400 + before[IsLeapYear(y) ? 1 : 0][m] + d;
}

void CivilFromDays(std::int64_t n, int& y, int& m, int& d) {
  // n is counted from 01/01/0001 as day 1; uses the 400/100/4/1 year cycles.
  n -= 1;
  std::int64_t y400 = n / 146097;
  n %= 146097;
  std::int64_t y100 = n / 36524;
  if (y100 == 4) y100 = 3;
  n -= y100 * 36524;
  std::int64_t y4 = n / 1461;
  n %= 1461;
  std::int64_t y1 = n / 365;
  if (y1 == 4) y1 = 3;
  n -= y1 * 365;
  y = static_cast<int>(y400 * 400 + y100 * 100 + y4 * 4 + y1 + 1);
  m = 1;
  for (;;) {
    const int len = DaysInMonth(y, m);
    if (n < len) break;
    n -= len;
    ++m;
  }
  d = static_cast<int>(n) + 1;
}
}  // namespace

bool IsLeapYear(int year) { return (year % 4 == 0) && (year % 100 != 0 || year % 400 == 0); }

int DaysInMonth(int year, int month) {
  static const int len[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return (month == 2 && IsLeapYear(year)) ? 29 : len[month - 1];
}

bool TryEncodeDate(int year, int month, int day, TDate& out) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
    return false;
  out = static_cast<double>(DaysFromCivil(year, month, day) - DateDelta);
  return true;
}

TDate EncodeDate(int year, int month, int day) {
  TDate d = 0;
  if (!TryEncodeDate(year, month, day, d)) throw std::invalid_argument("Invalid date");
  return d;
}

void DecodeDate(TDateTime value, int& year, int& month, int& day) {
  CivilFromDays(static_cast<std::int64_t>(std::trunc(value)) + DateDelta, year, month, day);
}

bool TryEncodeTime(int hour, int min, int sec, int msec, TTime& out) {
  if (hour < 0 || min < 0 || min > 59 || sec < 0 || sec > 59 || msec < 0 || msec > 999) return false;
  if (hour > 24 || (hour == 24 && (min || sec || msec))) return false;
  out = (((hour * 60.0 + min) * 60.0 + sec) * 1000.0 + msec) / static_cast<double>(MSecsPerDay);
  return true;
}

TTime EncodeTime(int hour, int min, int sec, int msec) {
  TTime t = 0;
  if (!TryEncodeTime(hour, min, sec, msec, t)) throw std::invalid_argument("Invalid time");
  return t;
}

void DecodeTime(TDateTime value, int& hour, int& min, int& sec, int& msec) {
  std::int64_t ms = std::llround(std::fabs(value - std::trunc(value)) * static_cast<double>(MSecsPerDay));
  ms %= MSecsPerDay;
  hour = static_cast<int>(ms / 3600000);
  min = static_cast<int>(ms / 60000 % 60);
  sec = static_cast<int>(ms / 1000 % 60);
  msec = static_cast<int>(ms % 1000);
}

void DecodeDateTime(TDateTime value, int& year, int& month, int& day, int& hour, int& min, int& sec,
                    int& msec) {
  std::int64_t days = static_cast<std::int64_t>(std::trunc(value));
  std::int64_t ms = std::llround(std::fabs(value - std::trunc(value)) * static_cast<double>(MSecsPerDay));
  if (ms >= MSecsPerDay) {
    ms -= MSecsPerDay;
    days += value < 0 ? -1 : 1;
  }
  CivilFromDays(days + DateDelta, year, month, day);
  hour = static_cast<int>(ms / 3600000);
  min = static_cast<int>(ms / 60000 % 60);
  sec = static_cast<int>(ms / 1000 % 60);
  msec = static_cast<int>(ms % 1000);
}

TDate DateOf(TDateTime value) { return std::trunc(value); }
TTime TimeOf(TDateTime value) { return value - std::trunc(value); }

int DayOfWeek(TDateTime value) {
  const std::int64_t days = static_cast<std::int64_t>(std::trunc(value));
  return static_cast<int>(((days - 1) % 7 + 7) % 7) + 1;
}

int DayOfTheWeek(TDateTime value) {
  const int d = DayOfWeek(value) - 1;  // 0 = Sunday
  return d == 0 ? 7 : d;
}

int YearOf(TDateTime value) {
  int y, m, d;
  DecodeDate(value, y, m, d);
  return y;
}
int MonthOf(TDateTime value) {
  int y, m, d;
  DecodeDate(value, y, m, d);
  return m;
}
int DayOf(TDateTime value) {
  int y, m, d;
  DecodeDate(value, y, m, d);
  return d;
}

int DayOfTheYear(TDateTime value) {
  int y, m, d;
  DecodeDate(value, y, m, d);
  return static_cast<int>(std::trunc(value) - EncodeDate(y, 1, 1)) + 1;
}

int WeekOfTheYear(TDateTime value) {
  // The ISO week holding a day is the week of its Thursday.
  const TDate thursday = std::trunc(value) - DayOfTheWeek(value) + 4;
  return (DayOfTheYear(thursday) - 1) / 7 + 1;
}

TDateTime IncMonth(TDateTime value, int months) {
  int y, m, d;
  DecodeDate(value, y, m, d);
  int total = y * 12 + (m - 1) + months;
  y = total / 12;
  m = total % 12 + 1;
  if (d > DaysInMonth(y, m)) d = DaysInMonth(y, m);
  return EncodeDate(y, m, d) + TimeOf(value);
}

TDate StartOfTheMonth(TDateTime value) {
  int y, m, d;
  DecodeDate(value, y, m, d);
  return EncodeDate(y, m, 1);
}

TDate EndOfTheMonth(TDateTime value) {
  int y, m, d;
  DecodeDate(value, y, m, d);
  return EncodeDate(y, m, DaysInMonth(y, m));
}

int MinuteOfDay(TTime time) { return static_cast<int>(std::llround(time * MinsPerDay)); }

bool SameDateTime(TDateTime a, TDateTime b) {
  return std::fabs(a - b) * static_cast<double>(MSecsPerDay) < 0.5;
}

}  // namespace dt
