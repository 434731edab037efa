#include "app/Autostart.h"

#include "app/AppPaths.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <stdexcept>

namespace Autostart {
namespace {
// Exec= quoting of the desktop entry format: arguments with blanks or
// reserved characters go in double quotes, with \ " ` $ escaped.
QString QuoteExec(const QString& path) {
  static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
  bool needs = false;
  for (QChar c : path) needs = needs || reserved.contains(c);
  if (!needs) return path;
  QString out;
  for (QChar c : path) {
    if (c == u'"' || c == u'`' || c == u'$' || c == u'\\') out += u'\\';
    out += c;
  }
  return u'"' + out + u'"';
}
}  // namespace

QString EntryFile() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
         QStringLiteral("/autostart/quillar.desktop");
}

void Write(bool enabled, const QString& programFile) {
  const QString file = EntryFile();
  AppPaths::CreateFolder(QFileInfo(file).absolutePath());
  QString text = QStringLiteral("[Desktop Entry]\nType=Application\nName=Quillar\nExec=") +
                 QuoteExec(programFile).replace(u'%', QStringLiteral("%%")) +
                 QStringLiteral("\nTerminal=false\nX-GNOME-Autostart-enabled=") +
                 (enabled ? QStringLiteral("true") : QStringLiteral("false")) + QStringLiteral("\nHidden=") +
                 (enabled ? QStringLiteral("false") : QStringLiteral("true")) + u'\n';
  QSaveFile f(file);
  if (!f.open(QIODevice::WriteOnly)) throw std::runtime_error(f.errorString().toStdString());
  f.write(text.toUtf8());
  if (!f.commit()) throw std::runtime_error(f.errorString().toStdString());
}
}  // namespace Autostart
