// The shell helpers of UAgendaUtil: folders, "open", waiting.
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QThread>

#include "app/Idioma.h"
#include "app/UAgendaUtil.h"
#include "core/Clock.h"

namespace {
std::function<bool(const QUrl&)>& ShellOpener() {
  static std::function<bool(const QUrl&)> opener;
  return opener;
}

bool LooksLikeAddress(const QString& s) {
  static const char* const schemes[] = {"http://", "https://", "mailto:", "ftp://", "file://"};
  for (const char* scheme : schemes)
    if (s.startsWith(QLatin1String(scheme), Qt::CaseInsensitive)) return true;
  return s.startsWith(QLatin1String("www."), Qt::CaseInsensitive);
}
}  // namespace

QString IncluirBarra(const QString& Ruta) {
  if (Ruta.trimmed().endsWith(u'/')) return Ruta;
  return Ruta + u'/';
}

QString DirectorioSistema() {
  QString dir = QDir::tempPath();
  while (dir.size() > 1 && dir.endsWith(u'/')) dir.chop(1);
  return dir.left(260);
}

int AbrirDocumento(const QString& Ruta) {
  const QString path = Ruta.trimmed();
  if (path.isEmpty()) return 2;
  QUrl url;
  if (LooksLikeAddress(path)) {
    url = QUrl::fromUserInput(path);
  } else {
    if (!QFileInfo::exists(path)) return 2;
    url = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
  }
  return AbrirUrl(url) ? 42 : 31;
}

bool AbrirUrl(const QUrl& url) {
  if (ShellOpener()) return ShellOpener()(url);
  return ConIdiomaDelEscritorio([&] { return QDesktopServices::openUrl(url); });
}

void SetShellOpener(std::function<bool(const QUrl&)> opener) { ShellOpener() = std::move(opener); }

void Esperar(int Milisegundos) {
  const long long end = Clock::TickMs() + Milisegundos;
  for (long long now = Clock::TickMs(); now < end; now = Clock::TickMs()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, static_cast<int>(end - now));
    QThread::msleep(static_cast<unsigned long>(qMin<long long>(10, end - Clock::TickMs() > 0 ? end - Clock::TickMs() : 0)));
  }
}
