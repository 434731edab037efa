#include "app/AppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

#include "app/UAgendaUtil.h"

namespace AppPaths {
namespace {
QString& Override() {
  static QString folder;
  return folder;
}

QString XdgFolder(QStandardPaths::StandardLocation kind) {
  return IncluirBarra(QStandardPaths::writableLocation(kind) + QStringLiteral("/quillar"));
}
}  // namespace

QString ProgramFolder() {
  if (!Override().isEmpty()) return IncluirBarra(Override());
  return IncluirBarra(QCoreApplication::applicationDirPath());
}

bool IsPortable() {
  const QByteArray path = QFile::encodeName(ProgramFolder());
  return ::access(path.constData(), W_OK) == 0;
}

QString ConfigFile() {
  return (IsPortable() ? ProgramFolder() : XdgFolder(QStandardPaths::GenericConfigLocation)) +
         QStringLiteral("config.ini");
}

QString DefaultDataFolder() {
  return IsPortable() ? ProgramFolder() : XdgFolder(QStandardPaths::GenericDataLocation);
}

void CreateFolder(const QString& folder) {
  const QString clean = QDir::cleanPath(QDir(folder).absolutePath());
  QString path;
  for (const QString& part : clean.split(u'/', Qt::SkipEmptyParts)) {
    path += u'/' + part;
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) == 0 || errno == EEXIST) continue;
    const int err = errno;
    throw std::runtime_error("No se puede crear la carpeta " + path.toStdString() + ": " + std::strerror(err));
  }
  if (!QFileInfo(clean).isDir())
    throw std::runtime_error("No se puede crear la carpeta " + clean.toStdString() + ": " + std::strerror(ENOTDIR));
}

QString ProgramFile() { return QCoreApplication::applicationFilePath(); }

void SetProgramFolder(const QString& folder) { Override() = folder; }
}  // namespace AppPaths
