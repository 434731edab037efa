#include "core/DateFormat.h"

namespace {
int QtDay(int dayOfWeek) { return dayOfWeek == 1 ? 7 : dayOfWeek - 1; }  // Qt: 1 = Monday

int RunLength(const QString& p, int i, QChar c) {
  int n = 0;
  while (i + n < p.size() && p[i + n].toLower() == c) ++n;
  return n;
}

QString Pad(int value, int width) { return QString::number(value).rightJustified(width, u'0'); }
}  // namespace

QString LongDayName(int dayOfWeek, const QLocale& locale) { return locale.dayName(QtDay(dayOfWeek), QLocale::LongFormat); }
QString ShortDayName(int dayOfWeek, const QLocale& locale) { return locale.dayName(QtDay(dayOfWeek), QLocale::ShortFormat); }
QString LongMonthName(int month, const QLocale& locale) { return locale.monthName(month, QLocale::LongFormat); }
QString ShortMonthName(int month, const QLocale& locale) { return locale.monthName(month, QLocale::ShortFormat); }

QString FormatDateTime(const QString& pattern, TDateTime value, const QLocale& locale) {
  int y, mo, d, h, mi, s, ms;
  dt::DecodeDateTime(value, y, mo, d, h, mi, s, ms);
  const int dow = dt::DayOfWeek(dt::EncodeDate(y, mo, d));
  QString out;
  bool afterHour = false;  // "m" right after an hour means minutes
  for (int i = 0; i < pattern.size();) {
    const QChar c = pattern[i].toLower();
    if (c == u'"' || c == u'\'') {
      const int end = pattern.indexOf(pattern[i], i + 1);
      const int stop = end < 0 ? pattern.size() : end;
      out += pattern.mid(i + 1, stop - i - 1);
      i = stop + 1;
      continue;
    }
    int n = RunLength(pattern, i, c);
    switch (c.unicode()) {
      case 'd':
        n = qMin(n, 4);
        out += n == 1 ? QString::number(d) : n == 2 ? Pad(d, 2) : n == 3 ? ShortDayName(dow, locale) : LongDayName(dow, locale);
        afterHour = false;
        break;
      case 'm':
        n = qMin(n, 4);
        if (afterHour && n <= 2) {
          out += n == 1 ? QString::number(mi) : Pad(mi, 2);
        } else {
          out += n == 1 ? QString::number(mo) : n == 2 ? Pad(mo, 2) : n == 3 ? ShortMonthName(mo, locale) : LongMonthName(mo, locale);
        }
        afterHour = false;
        break;
      case 'y':
        out += n <= 2 ? Pad(y % 100, 2) : Pad(y, 4);
        afterHour = false;
        break;
      case 'h':
        n = qMin(n, 2);
        out += n == 1 ? QString::number(h) : Pad(h, 2);
        afterHour = true;
        break;
      case 'n':
        n = qMin(n, 2);
        out += n == 1 ? QString::number(mi) : Pad(mi, 2);
        afterHour = false;
        break;
      case 's':
        n = qMin(n, 2);
        out += n == 1 ? QString::number(s) : Pad(s, 2);
        afterHour = false;
        break;
      case 'z':
        n = n >= 3 ? 3 : 1;
        out += n == 1 ? QString::number(ms) : Pad(ms, 3);
        break;
      default:
        n = 1;
        out += pattern[i];
        break;
    }
    i += n;
  }
  return out;
}
