#include "app/ConfigFile.h"

#include <cmath>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QSaveFile>
#include <stdexcept>

namespace ConfigFormat {

Entries ReadSection(const QString& file, const QString& section) {
  Entries out;
  QFile f(file);
  if (!f.exists()) return out;
  if (!f.open(QIODevice::ReadOnly)) throw std::runtime_error(f.errorString().toStdString());
  const QByteArray bytes = f.readAll();
  if (f.error() != QFileDevice::NoError) throw std::runtime_error(f.errorString().toStdString());
  bool inSection = false;
  for (QString line : QString::fromUtf8(bytes).split(u'\n')) {
    line = line.trimmed();
    if (line.isEmpty() || line.startsWith(u';')) continue;
    if (line.startsWith(u'[')) {
      inSection = line.mid(1, line.indexOf(u']') - 1).trimmed().compare(section, Qt::CaseInsensitive) == 0;
      continue;
    }
    const int eq = line.indexOf(u'=');
    if (!inSection || eq <= 0) continue;
    out.emplace_back(line.left(eq).trimmed(), line.mid(eq + 1).trimmed());
  }
  return out;
}

void WriteSection(const QString& file, const QString& section, const Entries& entries) {
  QDir().mkpath(QFileInfo(file).absolutePath());
  QString text = u'[' + section + QStringLiteral("]\n");
  for (const auto& [key, value] : entries) text += key + u'=' + value + u'\n';
  QSaveFile f(file);
  if (!f.open(QIODevice::WriteOnly)) throw std::runtime_error(f.errorString().toStdString());
  f.write(text.toUtf8());
  if (!f.commit()) throw std::runtime_error(f.errorString().toStdString());
}

std::optional<long long> ParseInteger(const QString& text) {
  const QString t = text.trimmed();
  bool ok = false;
  if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) || t.startsWith(u'$')) {
    const QString digits = t.mid(t.startsWith(u'$') ? 1 : 2);
    if (digits.isEmpty() || digits.size() > 8) return std::nullopt;
    const unsigned long long v = digits.toULongLong(&ok, 16);
    if (!ok) return std::nullopt;
    return static_cast<long long>(static_cast<std::int32_t>(static_cast<std::uint32_t>(v)));
  }
  const long long v = t.toLongLong(&ok, 10);
  if (!ok || v < INT32_MIN || v > INT32_MAX) return std::nullopt;
  return v;
}

std::optional<TTime> ParseTime(const QString& text) {
  static const QRegularExpression re(QStringLiteral("^\\s*(\\d{1,2})(?:\\D(\\d{1,2}))?(?:\\D(\\d{1,2}))?\\s*$"));
  const auto m = re.match(text);
  if (!m.hasMatch()) return std::nullopt;
  TTime t;
  if (!dt::TryEncodeTime(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(), 0, t) || t >= 1.0)
    return std::nullopt;
  return t;
}

QString FormatTime(TTime time) {
  const int secs = static_cast<int>(std::llround((time - std::floor(time)) * dt::SecsPerDay)) % 86400;
  // The locale's time separator: the first character of its time format that
  // is neither a pattern letter nor a blank.
  QString sep = QStringLiteral(":");
  for (QChar c : QLocale().timeFormat(QLocale::LongFormat)) {
    if (!c.isLetter() && !c.isSpace() && c != u'\'') {
      sep = c;
      break;
    }
  }
  return QString::number(secs / 3600) + sep + QString::number(secs / 60 % 60).rightJustified(2, u'0') + sep +
         QString::number(secs % 60).rightJustified(2, u'0');
}
}  // namespace ConfigFormat
