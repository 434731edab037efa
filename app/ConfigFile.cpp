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

namespace {
// A line without its surrounding blanks, nor the byte-order mark that
// Windows editors put before the first one.
QByteArray Trimmed(const QByteArray& raw) {
  return (raw.startsWith("\xEF\xBB\xBF") ? raw.mid(3) : raw).trimmed();
}

// Section name of a "[Name]" line (already trimmed).
QByteArray SectionName(const QByteArray& line) {
  const int close = line.indexOf(']');
  return line.mid(1, close < 0 ? -1 : close - 1).trimmed();
}

// Key of a "Key=Value" line, or empty for comments, blanks and other lines.
QByteArray KeyOf(const QByteArray& trimmed) {
  if (trimmed.isEmpty() || trimmed.startsWith(';') || trimmed.startsWith('#')) return {};
  const int eq = trimmed.indexOf('=');
  return eq > 0 ? trimmed.left(eq).trimmed() : QByteArray();
}

bool SameName(const QByteArray& a, const QString& b) {
  return QString::fromUtf8(a).compare(b, Qt::CaseInsensitive) == 0;
}

QString Unquoted(const QString& value) {
  if (value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"')) return value.mid(1, value.size() - 2);
  return value;
}

QByteArray ReadAll(QFile& f) {
  if (!f.open(QIODevice::ReadOnly)) throw std::runtime_error(f.errorString().toStdString());
  const QByteArray bytes = f.readAll();
  if (f.error() != QFileDevice::NoError) throw std::runtime_error(f.errorString().toStdString());
  return bytes;
}
}  // namespace

Entries ReadSection(const QString& file, const QString& section) {
  Entries out;
  QFile f(file);
  if (!f.exists()) return out;
  bool inSection = false;
  for (const QByteArray& raw : ReadAll(f).split('\n')) {
    const QByteArray line = Trimmed(raw);
    if (line.startsWith('[')) {
      inSection = SameName(SectionName(line), section);
      continue;
    }
    const QByteArray key = KeyOf(line);
    if (!inSection || key.isEmpty()) continue;
    out.emplace_back(QString::fromUtf8(key),
                     Unquoted(QString::fromUtf8(line.mid(line.indexOf('=') + 1)).trimmed()));
  }
  return out;
}

QByteArray MergeSection(const QByteArray& text, const QString& section, const Entries& entries) {
  QList<QByteArray> lines = text.split('\n');
  if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();  // the final line break
  const QByteArray eol = !lines.isEmpty() && lines.first().endsWith('\r') ? "\r" : "";
  const auto lineOf = [&](const std::pair<QString, QString>& e) { return (e.first + u'=' + e.second).toUtf8() + eol; };

  std::vector<bool> written(entries.size(), false);
  bool inSection = false;
  qsizetype insertAt = -1;  // after the last line of the first such section
  bool inFirst = false;
  for (qsizetype i = 0; i < lines.size(); ++i) {
    const QByteArray line = Trimmed(lines[i]);
    if (line.startsWith('[')) {
      inSection = SameName(SectionName(line), section);
      inFirst = inSection && insertAt < 0;
      if (inFirst) insertAt = i + 1;
      continue;
    }
    if (!inSection) continue;
    if (inFirst && !line.isEmpty()) insertAt = i + 1;
    const QByteArray key = KeyOf(line);
    if (key.isEmpty()) continue;
    for (std::size_t j = 0; j < entries.size(); ++j) {
      if (!SameName(key, entries[j].first)) continue;
      lines[i] = lineOf(entries[j]);
      written[j] = true;
      break;
    }
  }
  QList<QByteArray> added;
  if (insertAt < 0) {
    if (!lines.isEmpty() && !lines.last().trimmed().isEmpty()) lines.append(eol);
    lines.append('[' + section.toUtf8() + ']' + eol);
    insertAt = lines.size();
  }
  for (std::size_t j = 0; j < entries.size(); ++j)
    if (!written[j]) added.append(lineOf(entries[j]));
  for (qsizetype k = 0; k < added.size(); ++k) lines.insert(insertAt + k, added[k]);
  return lines.join('\n') + '\n';
}

void WriteSection(const QString& file, const QString& section, const Entries& entries) {
  QFile old(file);
  const QByteArray text = old.exists() ? ReadAll(old) : QByteArray();
  QSaveFile f(file);
  if (!f.open(QIODevice::WriteOnly)) throw std::runtime_error(f.errorString().toStdString());
  f.write(MergeSection(text, section, entries));
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
