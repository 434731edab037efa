#include <gtest/gtest.h>

#include "core/DateFormat.h"
#include "core/DateTime.h"

TEST(DateFormat, PatternLettersTable) {
  const QLocale es(QLocale::Spanish, QLocale::Spain);
  const TDateTime v = dt::EncodeDate(2026, 3, 5) + dt::EncodeTime(9, 7, 4, 30);  // Thursday
  struct Case { const char* pattern; const char* expected; } cases[] = {
      {"d/m/yy", "5/3/26"},
      {"dd/mm/yyyy", "05/03/2026"},
      {"dddd, d 'de' mmmm 'de' yyyy", "jueves, 5 de marzo de 2026"},
      {"hh:nn", "09:07"},
      {"h:nn:ss", "9:07:04"},
      {"h:mm", "9:07"},  // m after an hour stands for minutes
      {"hh:nn:ss.zzz", "09:07:04.030"},
      {"\"Hoy es\" dddd", "Hoy es jueves"},
      {"yyyymmddhhnn", "202603050907"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatDateTime(c.pattern, v, es).toStdString(), c.expected) << c.pattern;
  EXPECT_EQ(FormatDateTime("ddd mmm", v, es), ShortDayName(5, es) + " " + ShortMonthName(3, es));
}

TEST(DateFormat, DayNamesStartOnSunday) {
  const QLocale es(QLocale::Spanish, QLocale::Spain);
  EXPECT_EQ(LongDayName(1, es), QStringLiteral("domingo"));
  EXPECT_EQ(LongDayName(2, es), QStringLiteral("lunes"));
  EXPECT_EQ(LongDayName(7, es), QStringLiteral("sábado"));
  EXPECT_EQ(LongMonthName(12, es), QStringLiteral("diciembre"));
}
