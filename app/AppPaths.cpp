#include "app/AppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
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

QString ProgramFile() { return QCoreApplication::applicationFilePath(); }

void SetProgramFolder(const QString& folder) { Override() = folder; }
}  // namespace AppPaths
