// What a backup takes and how it is named: the tables' files of the data
// folder, the archive's name and comment, the suffixes stored without
// compression, and the progress bar's position.
#include "maintenance/BackupArchive.h"

#include <QDir>
#include <QSet>

#include <algorithm>
#include <climits>
#include <cmath>

#include "core/DateFormat.h"

namespace {

const QStringList& Patterns() {
  static const QStringList patterns = {QStringLiteral("AGENDA.*"), QStringLiteral("CATEGORIAS.*")};
  return patterns;
}

}  // namespace

QString BackupComment() { return QStringLiteral("Quillar\r\n\r\nCopia de seguridad."); }

QString BackupArchiveName(TDateTime momento) {
  return QStringLiteral("AGENDA_") + FormatDateTime(QStringLiteral("yyyymmddhhnn"), momento) + QStringLiteral(".zip");
}

QStringList BackupFiles(const QString& Carpeta) {
  QDir dir(Carpeta);
  // Name filters match without regard to case unless told otherwise.
  return dir.entryList(Patterns(), QDir::Files | QDir::Hidden, QDir::Name);
}

bool HasBackupData(const QString& Carpeta) {
  const QStringList files = BackupFiles(Carpeta);
  return std::any_of(files.begin(), files.end(), [](const QString& n) {
    return n.compare(QLatin1String("AGENDA.DBF"), Qt::CaseInsensitive) == 0;
  });
}

bool IsStoredSuffix(const QString& fileName) {
  static const QSet<QString> stored = {"gif", "png", "z",   "zip", "zoo", "arc", "lzh", "arj", "taz",
                                       "tgz", "lha", "rar", "ace", "cab", "gz",  "gzip", "jar"};
  const int dot = fileName.lastIndexOf(u'.');
  return dot >= 0 && stored.contains(fileName.mid(dot + 1).toLower());
}

int ProgressPosition(std::int64_t Procesados, std::int64_t Total) {
  if (Total == 0) return 10001;
  const double v = 1.0 + std::round(10000.0 * static_cast<double>(Procesados) / static_cast<double>(Total));
  if (!std::isfinite(v) || v >= static_cast<double>(INT_MAX)) return INT_MAX;
  if (v <= static_cast<double>(INT_MIN)) return INT_MIN;
  return static_cast<int>(v);
}
