// Paths for the system, and the result codes and Spanish texts for the
// failures of libzip and of the system met while writing or reading a
// backup archive.
#include "maintenance/BackupCommon.h"

#include <QFile>
#include <cerrno>
#include <cstring>

namespace backupcommon {

QByteArray Native(const QString& path) { return QFile::encodeName(path); }

QString Folder(const QString& carpeta) {
  QString f = carpeta;
  if (!f.endsWith(u'/')) f += u'/';
  return f;
}

bool IsSpaceError(int sys) { return sys == ENOSPC || sys == EDQUOT || sys == EFBIG; }

namespace {

QString SystemText(int sys) {
  switch (sys) {
    case ENOSPC: return QStringLiteral("no queda espacio en el disco");
    case EDQUOT: return QStringLiteral("se ha superado la cuota de disco");
    case EFBIG: return QStringLiteral("el fichero es demasiado grande para el destino");
    case EACCES:
    case EPERM: return QStringLiteral("permiso denegado");
    case ENOENT: return QStringLiteral("no existe el fichero o el directorio");
    case EROFS: return QStringLiteral("el disco es de solo lectura");
    case EIO: return QStringLiteral("error de entrada/salida");
    default: return QString::fromLocal8Bit(std::strerror(sys));
  }
}

}  // namespace

QString ZipText(int zipCode) {
  switch (zipCode) {
    case ZIP_ER_OK: return QStringLiteral("Sin errores.");
    case ZIP_ER_RENAME: return QStringLiteral("No se pudo renombrar el fichero temporal.");
    case ZIP_ER_CLOSE: return QStringLiteral("No se pudo cerrar el fichero.");
    case ZIP_ER_SEEK: return QStringLiteral("Error de posicionamiento en el fichero.");
    case ZIP_ER_READ: return QStringLiteral("Error de lectura.");
    case ZIP_ER_WRITE: return QStringLiteral("Error de escritura.");
    case ZIP_ER_CRC: return QStringLiteral("El contenido del archivo está dañado (CRC incorrecto).");
    case ZIP_ER_NOENT: return QStringLiteral("No existe el fichero.");
    case ZIP_ER_EXISTS: return QStringLiteral("El fichero ya existe.");
    case ZIP_ER_OPEN: return QStringLiteral("No se pudo abrir el fichero.");
    case ZIP_ER_TMPOPEN: return QStringLiteral("No se pudo crear el fichero temporal.");
    case ZIP_ER_ZLIB: return QStringLiteral("Error de compresión.");
    case ZIP_ER_MEMORY: return QStringLiteral("No hay memoria suficiente.");
    case ZIP_ER_COMPNOTSUPP: return QStringLiteral("Método de compresión no soportado.");
    case ZIP_ER_EOF: return QStringLiteral("Fin de fichero inesperado.");
    case ZIP_ER_NOZIP: return QStringLiteral("El fichero no es un archivo zip.");
    case ZIP_ER_INCONS: return QStringLiteral("El archivo zip está dañado.");
    case ZIP_ER_REMOVE: return QStringLiteral("No se pudo borrar el fichero.");
    case ZIP_ER_ENCRNOTSUPP: return QStringLiteral("Cifrado no soportado.");
    case ZIP_ER_NOPASSWD: return QStringLiteral("El archivo está protegido con contraseña.");
    case ZIP_ER_WRONGPASSWD: return QStringLiteral("Contraseña incorrecta.");
    default: return QStringLiteral("Error interno del compresor (%1).").arg(zipCode);
  }
}

ArchiveResult FromZipError(int zipCode, int sys) {
  ArchiveResult r;
  if (IsSpaceError(sys)) {
    r.code = backupcode::kNoSpace;
  } else {
    r.code = zipCode == backupcode::kNoSpace ? ZIP_ER_INTERNAL : zipCode;
    if (r.code == backupcode::kOk) r.code = ZIP_ER_INTERNAL;
  }
  r.errorText = ZipText(zipCode);
  if (sys != 0) r.errorText += QStringLiteral(" (") + SystemText(sys) + QStringLiteral(")");
  return r;
}

ArchiveResult FromZipError(zip_error_t* error) {
  const int sys = zip_error_system_type(error) == ZIP_ET_SYS ? zip_error_code_system(error) : 0;
  return FromZipError(zip_error_code_zip(error), sys);
}

}  // namespace backupcommon
