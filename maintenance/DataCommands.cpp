#include "maintenance/DataCommands.h"

#include <QFileInfo>
#include <QTextStream>
#include <chrono>
#include <exception>

#include "app/UAgendaUtil.h"
#include "core/Clock.h"
#include "maintenance/BackupArchive.h"
#include "maintenance/BackupMessages.h"
#include "maintenance/TableRebuild.h"
#include "maintenance/TestData.h"

namespace {

// Messages use CR LF between lines; a terminal wants plain line breaks.
QString ForTerminal(QString text) { return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")); }

int Fail(QTextStream& err, const QString& message) {
  err << ForTerminal(message) << '\n';
  err.flush();
  return 1;
}

bool ExistingFolder(const QString& path) { return QFileInfo(path).isDir(); }

int Backup(const QString& dir, const QString& dest, QTextStream& out, QTextStream& err) {
  if (!ExistingFolder(dest)) return Fail(err, QStringLiteral("¡Se ha introducido una ruta inexistente!"));
  const QString data = IncluirBarra(dir);
  if (!HasBackupData(data)) return Fail(err, NoDataFilesText(data));
  const QString archive = IncluirBarra(dest) + BackupArchiveName(Clock::Now());
  const ArchiveResult r = CreateBackup(data, archive);
  if (!r.ok()) return Fail(err, BackupFailureText(r));
  out << archive << '\n';
  return 0;
}

int Restore(const QString& archive, const QString& dir, QTextStream& err) {
  if (!ExistingFolder(dir)) return Fail(err, QStringLiteral("¡Se ha introducido una ruta inexistente!"));
  const ArchiveResult r = RestoreBackup(archive, IncluirBarra(dir));
  return r.ok() ? 0 : Fail(err, RestoreFailureText(r));
}

int Reorganize(const QString& dir, QTextStream& err) {
  if (!ExistingFolder(dir)) return Fail(err, QStringLiteral("¡Se ha introducido una ruta inexistente!"));
  if (TablasEnUso(dir))
    return Fail(err, QStringLiteral("Los datos parece que estén siendo utilizados\r\npor otro programa u ordenador."));
  try {
    ReorganizarCarpeta(dir);
  } catch (const std::exception& e) {
    return Fail(err, QString::fromStdString(e.what()));
  }
  return 0;
}

int Generate(const QString& dir, const QString& count, QTextStream& out, QTextStream& err) {
  bool ok = false;
  const int n = count.toInt(&ok);
  if (!ok || n < 1) return Fail(err, QStringLiteral("El número de citas debe ser un entero positivo."));
  TextosPrueba textos;
  QString error;
  if (!CargarTextosPrueba(textos, error)) return Fail(err, error);
  try {
    TAzar azar(static_cast<unsigned>(std::chrono::system_clock::now().time_since_epoch().count()));
    GenerarCitas(dir, n, textos, azar);
  } catch (const std::exception& e) {
    return Fail(err, QString::fromStdString(e.what()));
  }
  out << QStringLiteral("Datos generados: %1 citas").arg(n) << '\n';
  return 0;
}

}  // namespace

bool IsMaintenanceCommand(const QStringList& args) {
  static const QStringList commands = {"backup", "restore", "reorganize", "generate"};
  return !args.isEmpty() && commands.contains(args.first());
}

int RunMaintenanceCommand(const QStringList& args, QTextStream& out, QTextStream& err) {
  const QString command = args.value(0);
  int code = 2;
  if (command == QLatin1String("backup") && args.size() == 3) code = Backup(args[1], args[2], out, err);
  else if (command == QLatin1String("restore") && args.size() == 3) code = Restore(args[1], args[2], err);
  else if (command == QLatin1String("reorganize") && args.size() == 2) code = Reorganize(args[1], err);
  else if (command == QLatin1String("generate") && args.size() == 3) code = Generate(args[1], args[2], out, err);
  else
    err << "uso: quillar-data backup CARPETA DESTINO | restore ARCHIVO CARPETA | reorganize CARPETA | "
           "generate CARPETA N\n";
  out.flush();
  err.flush();
  return code;
}
