#pragma once
// The month blocks of the multi-month calendar: which date, text and flags
// every cell of a block holds. Plain C++, no painting: the blocks are built
// once per rebuild and only read while painting, so the mark question is
// never asked from a repaint.

#include <cstdint>
#include <functional>
#include <string>

#include "core/DateTime.h"

enum TRBCFirstWeekDay { fwdSunday, fwdMonday, fwdTuesday, fwdWednesday, fwdThursday, fwdFriday, fwdSaturday };

// Bits of TRBDayData::Flags.
constexpr std::uint16_t dfShown = 1 << 0;  // a blank cell is neither drawn nor selectable
constexpr std::uint16_t dfToday = 1 << 1;
constexpr std::uint16_t dfMarked = 1 << 2;
constexpr std::uint16_t dfPrevMonth = 1 << 3;
constexpr std::uint16_t dfNextMonth = 1 << 4;

struct TRBDayData {
  char Text[4] = {0, 0, 0, 0};  // day number, zero-terminated
  std::int32_t TextLength = 0;
  std::uint16_t Flags = 0;
  TDate Date = 0;  // 0 for a blank cell
};

struct TRBMonthData {
  std::int32_t Month = 0, Year = 0;  // Month 0: the block lies past 31/12/9999 and shows nothing
  TDate FirstDay = 0, LastDay = 0;
  std::int32_t FirstDayOfWeek = 0, LastDayOfWeek = 0;  // 1 = Sunday .. 7 = Saturday
  std::int32_t DaysInMonth = 0, DaysInPrevMonth = 0;
  std::int32_t PrevMonth = 0, PrevYear = 0, NextMonth = 0, NextYear = 0;
  TRBDayData Days[7][6];  // [column][week row]
  TDate WeekStart[6] = {0, 0, 0, 0, 0, 0};  // date of column 0 of each row, shown or not
  std::string WeekNumbers[6];  // empty for a row that shows no day
};

// What one block needs besides its month. showPrevDays/showNextDays say
// whether this block may show the neighbouring months' days at all (only the
// first block may show the previous month, only the last one the next).
struct TRBMonthOptions {
  int FirstWeekDay = fwdSunday;  // 0 = Sunday .. 6 = Saturday
  bool ShowPrevDays = false;
  bool ShowNextDays = false;
  TDate Today = 0;
  // Asked once for every shown cell, row by row and column by column; empty: nothing is marked.
  std::function<bool(TDate)> Mark;
};

// Fills block m for (year, month). A month past December 9999 leaves the block
// empty (Month 0, every cell blank); days before 1/1/0001 stay blank.
void BuildMonthData(TRBMonthData& m, int year, int month, const TRBMonthOptions& options);

// Month `months` after (year, month), carrying into other years (months may be negative).
void AddMonths(int& year, int& month, int months);
