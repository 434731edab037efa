#pragma once
// Formatting of date-time values with the pattern letters the program uses:
//   d dd ddd dddd   day, two-digit day, short and long day name
//   m mm mmm mmmm   month, two-digit month, short and long month name
//                   (m or mm right after an hour stands for minutes)
//   yy yyyy         two- and four-digit year
//   h hh n nn s ss  hour (24 h), minutes, seconds, plain or two-digit
//   z zzz           milliseconds
// Text in single or double quotes is copied as it is; every other character
// is a literal separator. Names come from the given locale (default: QLocale()).

#include <QLocale>
#include <QString>

#include "core/DateTime.h"

QString FormatDateTime(const QString& pattern, TDateTime value, const QLocale& locale = QLocale());

// Day names with Sunday = 1 .. Saturday = 7, as DayOfWeek numbers them.
QString LongDayName(int dayOfWeek, const QLocale& locale = QLocale());
QString ShortDayName(int dayOfWeek, const QLocale& locale = QLocale());
QString LongMonthName(int month, const QLocale& locale = QLocale());
QString ShortMonthName(int month, const QLocale& locale = QLocale());
