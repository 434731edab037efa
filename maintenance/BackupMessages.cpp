#include "maintenance/BackupMessages.h"

#include "maintenance/BackupArchive.h"

namespace {
const QString kCRLF = QStringLiteral("\r\n");
}

QString NoDataFilesText(const QString& Carpeta) {
  return QStringLiteral("No se han encontrado los ficheros a copiar en:") + kCRLF + u'"' + Carpeta + u'"';
}

QString BackupFailureText(const ArchiveResult& r) {
  if (r.code == backupcode::kNoSpace)
    return QStringLiteral("Error realizando la copia de seguridad.") + kCRLF +
           QStringLiteral("No hay suficiente espacio en el destino.") + kCRLF + QStringLiteral("Error: ") + r.errorText;
  return QStringLiteral("Error realizando la copia de seguridad.") + kCRLF + QStringLiteral("Error numero: ") +
         QString::number(r.code) + kCRLF + r.errorText;
}

QString RestoreFailureText(const ArchiveResult& r) {
  switch (r.code) {
    case backupcode::kNotZip:
      return QStringLiteral("El fichero seleccionado no tiene un formato soportado") + kCRLF +
             QStringLiteral("por el programa. Seleccione otro fichero.");
    case -2:
      return QStringLiteral("El fichero indicado no es una copia de seguridad") + kCRLF +
             QStringLiteral("del programa Kestrali.");
    case backupcode::kNotBackup:
      return QStringLiteral("El fichero seleccionado no es una copia de seguridad") + kCRLF +
             QStringLiteral("del programa. Seleccione otro fichero.");
    case backupcode::kInUse:
      return QStringLiteral("No se puede restaurar la copia de seguridad: los datos están siendo") + kCRLF +
             QStringLiteral("utilizados por otro programa u ordenador. Ciérrelo e inténtelo de nuevo.");
    default:
      return QStringLiteral("Error restaurando la copia de seguridad.") + kCRLF + QStringLiteral("Error numero: ") +
             QString::number(r.code) + kCRLF + r.errorText;
  }
}
