#pragma once
// Date-time values as the agenda stores and computes them: a double counting
// days since 30/12/1899 00:00. The integral part is the day, the fraction the
// time of day (one minute is 1/1440). As a time, 1.0 means 24:00, the end of a
// day. The whole-day part truncates toward zero, also for dates before 1899.
//
// Plain C++: the table engine uses it too.

#include <cstdint>
#include <string>

using TDateTime = double;
using TDate = double;  // whole days
using TTime = double;  // fraction of a day

namespace dt {

constexpr double MinsPerDay = 1440.0;
constexpr double SecsPerDay = 86400.0;
constexpr std::int64_t MSecsPerDay = 86400000;
constexpr double OneMinute = 1.0 / MinsPerDay;
constexpr double OneSecond = 1.0 / SecsPerDay;

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);  // 0 for a month out of 1..12

// Fails (returns false) for a day that does not exist or a year outside 1..9999.
bool TryEncodeDate(int year, int month, int day, TDate& out);
// Throws std::invalid_argument("Invalid date") for a day that does not exist.
TDate EncodeDate(int year, int month, int day);
void DecodeDate(TDateTime value, int& year, int& month, int& day);

// Hours 0..24 (24 only with zero minutes, seconds and milliseconds: 24:00).
bool TryEncodeTime(int hour, int min, int sec, int msec, TTime& out);
TTime EncodeTime(int hour, int min, int sec = 0, int msec = 0);
// The time of day rounded to the millisecond; 1.0 decodes as 0:00.
void DecodeTime(TDateTime value, int& hour, int& min, int& sec, int& msec);

// Day and time of a value together; a fraction that rounds up to a whole day
// carries into the day, so 23:59:59.9999 reads as the next day's 0:00.
void DecodeDateTime(TDateTime value, int& year, int& month, int& day, int& hour, int& min, int& sec,
                    int& msec);

TDate DateOf(TDateTime value);  // truncates toward zero
TTime TimeOf(TDateTime value);  // fraction, sign kept as the value's
int DayOfWeek(TDateTime value);  // 1 = Sunday .. 7 = Saturday
int DayOfTheWeek(TDateTime value);  // 1 = Monday .. 7 = Sunday (ISO)
int YearOf(TDateTime value);
int MonthOf(TDateTime value);
int DayOf(TDateTime value);
int DayOfTheYear(TDateTime value);  // 1..366
int WeekOfTheYear(TDateTime value);  // ISO 8601 week number 1..53
TDateTime IncMonth(TDateTime value, int months);  // day clamped to the month's length
TDate StartOfTheMonth(TDateTime value);
TDate EndOfTheMonth(TDateTime value);  // last day of the month, as a whole day

// Whole minutes of a time of day, rounded to the nearest minute (0..1440).
int MinuteOfDay(TTime time);

// Values within half a millisecond are the same instant.
bool SameDateTime(TDateTime a, TDateTime b);

}  // namespace dt
