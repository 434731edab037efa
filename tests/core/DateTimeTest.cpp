#include <gtest/gtest.h>

#include "core/DateTime.h"

using namespace dt;

TEST(DateTime, EncodeAndDecodeRoundTripKnownDays) {
  struct Case { int y, m, d; double serial; } cases[] = {
      {1899, 12, 30, 0}, {1899, 12, 31, 1}, {1900, 1, 1, 2}, {1900, 3, 1, 61},
      {2000, 2, 29, 36585}, {2026, 12, 9, 46365}, {1, 1, 1, -693593}, {9999, 12, 31, 2958465},
  };
  for (const auto& c : cases) {
    EXPECT_DOUBLE_EQ(EncodeDate(c.y, c.m, c.d), c.serial) << c.y << "-" << c.m << "-" << c.d;
    int y, m, d;
    DecodeDate(c.serial, y, m, d);
    EXPECT_EQ(y, c.y);
    EXPECT_EQ(m, c.m);
    EXPECT_EQ(d, c.d);
  }
}

TEST(DateTime, InvalidDatesAreRefused) {
  TDate out;
  EXPECT_FALSE(TryEncodeDate(2023, 2, 29, out));
  EXPECT_FALSE(TryEncodeDate(2024, 13, 1, out));
  EXPECT_FALSE(TryEncodeDate(2024, 4, 31, out));
  EXPECT_FALSE(TryEncodeDate(0, 1, 1, out));
  EXPECT_TRUE(TryEncodeDate(2024, 2, 29, out));
  EXPECT_THROW(EncodeDate(2023, 2, 29), std::invalid_argument);
}

TEST(DateTime, WholeDayPartTruncatesTowardZero) {
  // 29/12/1899 12:00 is -1.5: its day is -1, its time 12:00.
  EXPECT_DOUBLE_EQ(DateOf(-1.5), -1.0);
  int h, n, s, ms;
  DecodeTime(-1.5, h, n, s, ms);
  EXPECT_EQ(h, 12);
  int y, m, d;
  DecodeDate(-1.5, y, m, d);
  EXPECT_EQ(d, 29);
}

TEST(DateTime, TimesEncodeAndDecodeToTheMillisecond) {
  EXPECT_DOUBLE_EQ(EncodeTime(24, 0), 1.0);
  EXPECT_DOUBLE_EQ(EncodeTime(0, 1), 1.0 / 1440);
  TTime t;
  EXPECT_FALSE(TryEncodeTime(24, 1, 0, 0, t));
  EXPECT_FALSE(TryEncodeTime(10, 60, 0, 0, t));
  int h, n, s, ms;
  DecodeTime(EncodeDate(2024, 5, 6) + EncodeTime(23, 59, 59, 999), h, n, s, ms);
  EXPECT_EQ(h, 23);
  EXPECT_EQ(n, 59);
  EXPECT_EQ(s, 59);
  EXPECT_EQ(ms, 999);
  // Minutes computed by repeated addition still decode to the intended minute.
  double v = 0;
  for (int i = 0; i < 37; ++i) v += OneMinute;
  DecodeTime(v, h, n, s, ms);
  EXPECT_EQ(h * 60 + n, 37);
  EXPECT_EQ(s, 0);
}

TEST(DateTime, ATimeRoundingUpToADayCarriesIntoTheDate) {
  int y, m, d, h, n, s, ms;
  DecodeDateTime(EncodeDate(2024, 12, 31) + 0.99999999999, y, m, d, h, n, s, ms);
  EXPECT_EQ(y, 2025);
  EXPECT_EQ(m, 1);
  EXPECT_EQ(d, 1);
  EXPECT_EQ(h, 0);
}

TEST(DateTime, WeekdaysAndWeekNumbers) {
  EXPECT_EQ(DayOfWeek(0), 7);                          // 30/12/1899 was a Saturday
  EXPECT_EQ(DayOfWeek(EncodeDate(2026, 12, 9)), 4);    // Wednesday
  EXPECT_EQ(DayOfTheWeek(EncodeDate(2026, 12, 13)), 7);
  EXPECT_EQ(DayOfWeek(-1), 6);
  EXPECT_EQ(WeekOfTheYear(EncodeDate(2021, 1, 3)), 53);
  EXPECT_EQ(WeekOfTheYear(EncodeDate(2024, 12, 30)), 1);
  EXPECT_EQ(WeekOfTheYear(EncodeDate(2026, 1, 1)), 1);
}

TEST(DateTime, IncMonthClampsTheDayAndKeepsTheTime) {
  const TDateTime v = EncodeDate(2024, 1, 31) + EncodeTime(10, 30);
  int y, m, d, h, n, s, ms;
  DecodeDateTime(IncMonth(v, 1), y, m, d, h, n, s, ms);
  EXPECT_EQ(m, 2);
  EXPECT_EQ(d, 29);
  EXPECT_EQ(h * 60 + n, 630);
  EXPECT_DOUBLE_EQ(IncMonth(EncodeDate(2024, 1, 15), -13), EncodeDate(2022, 12, 15));
  EXPECT_DOUBLE_EQ(EndOfTheMonth(EncodeDate(2023, 2, 10)), EncodeDate(2023, 2, 28));
}
