// Backup archives through libzip. Files are fed to the archive through a
// source of our own so the progress can name each file and count its bytes.
#include "maintenance/BackupArchive.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QRandomGenerator>
#include <QSet>
#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "core/DateFormat.h"
#include "data/DbError.h"
#include "data/FileIo.h"
#include "data/Table.h"
#include "data/TableSwitch.h"

namespace {

const QStringList& Patterns() {
  static const QStringList patterns = {QStringLiteral("AGENDA.*"), QStringLiteral("CATEGORIAS.*")};
  return patterns;
}

QByteArray Native(const QString& path) { return QFile::encodeName(path); }

QString Folder(const QString& carpeta) {
  QString f = carpeta;
  if (!f.endsWith(u'/')) f += u'/';
  return f;
}

bool IsSpaceError(int sys) { return sys == ENOSPC || sys == EDQUOT || sys == EFBIG; }

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

// Our result code for a libzip failure: a full disk is 15 whatever libzip
// calls it; libzip's own 15 (an entry changed underneath) cannot be told
// apart from that, so it is reported as an internal error.
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

// ---- A file source that reports its opening and every block read.

struct FileSource {
  QByteArray path;
  QString name;
  std::int64_t size = 0;
  time_t mtime = 0;
  int fd = -1;
  zip_error_t error;
  const ArchiveProgress* progress = nullptr;
};

zip_int64_t FileSourceCallback(void* state, void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
  auto* s = static_cast<FileSource*>(state);
  switch (cmd) {
    case ZIP_SOURCE_OPEN:
      s->fd = ::open(s->path.constData(), O_RDONLY | O_CLOEXEC);
      if (s->fd < 0) {
        zip_error_set(&s->error, ZIP_ER_OPEN, errno);
        return -1;
      }
      if (s->progress->NewFile) s->progress->NewFile(s->name);
      return 0;
    case ZIP_SOURCE_READ: {
      ssize_t n;
      do n = ::read(s->fd, data, len);
      while (n < 0 && errno == EINTR);
      if (n < 0) {
        zip_error_set(&s->error, ZIP_ER_READ, errno);
        return -1;
      }
      if (n > 0 && s->progress->Bytes) s->progress->Bytes(n);
      return n;
    }
    case ZIP_SOURCE_CLOSE:
      if (s->fd >= 0) ::close(s->fd);
      s->fd = -1;
      return 0;
    case ZIP_SOURCE_STAT: {
      auto* st = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, len, &s->error);
      if (st == nullptr) return -1;
      zip_stat_init(st);
      st->size = static_cast<zip_uint64_t>(s->size);
      st->mtime = s->mtime;
      st->valid |= ZIP_STAT_SIZE | ZIP_STAT_MTIME;
      return sizeof(*st);
    }
    case ZIP_SOURCE_ERROR:
      return zip_error_to_data(&s->error, data, len);
    case ZIP_SOURCE_FREE:
      if (s->fd >= 0) ::close(s->fd);
      zip_error_fini(&s->error);
      delete s;
      return 0;
    case ZIP_SOURCE_SUPPORTS:
      return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                            ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
    default:
      zip_error_set(&s->error, ZIP_ER_OPNOTSUPP, 0);
      return -1;
  }
}

// A name in Carpeta that does not exist yet, for a file being built.
QString FreshName(const QString& folder, const QString& prefix, const QString& base) {
  for (int i = 0;; ++i) {
    const QString candidate =
        folder + prefix + QString::number(::getpid()) + u'-' + QString::number(i) + u'-' + base;
    if (!QFileInfo::exists(candidate)) return candidate;
  }
}

bool RenameOver(const QString& from, const QString& to) {
  return std::rename(Native(from).constData(), Native(to).constData()) == 0;
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

ArchiveResult CreateBackup(const QString& Carpeta, const QString& ArchivePath, const ArchiveProgress& progress) {
  const QString folder = Folder(Carpeta);
  const QStringList names = BackupFiles(folder);
  const QFileInfo target(ArchivePath);
  const QString temp = FreshName(Folder(target.absolutePath()), QStringLiteral(".~quillar-"), target.fileName());

  int openError = 0;
  zip_t* za = zip_open(Native(temp).constData(), ZIP_CREATE | ZIP_EXCL, &openError);
  if (za == nullptr) {
    zip_error_t e;
    zip_error_init_with_code(&e, openError);
    ArchiveResult r = FromZipError(&e);
    zip_error_fini(&e);
    return r;
  }
  const QByteArray comment = BackupComment().toUtf8();
  zip_set_archive_comment(za, comment.constData(), static_cast<zip_uint16_t>(comment.size()));

  std::int64_t total = 0;
  for (const QString& name : names) {
    const QFileInfo info(folder + name);
    auto* s = new FileSource;
    s->path = Native(info.absoluteFilePath());
    s->name = name;
    s->size = info.size();
    s->mtime = static_cast<time_t>(info.lastModified().toSecsSinceEpoch());
    s->progress = &progress;
    zip_error_init(&s->error);
    total += s->size;
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* src = zip_source_function_create(FileSourceCallback, s, &error);
    if (src == nullptr) {
      zip_error_fini(&s->error);
      delete s;
      ArchiveResult r = FromZipError(&error);
      zip_error_fini(&error);
      zip_discard(za);
      return r;
    }
    zip_error_fini(&error);
    const zip_int64_t idx = zip_file_add(za, name.toUtf8().constData(), src, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
    if (idx < 0) {
      zip_source_free(src);
      ArchiveResult r = FromZipError(zip_get_error(za));
      zip_discard(za);
      return r;
    }
    if (IsStoredSuffix(name)) zip_set_file_compression(za, static_cast<zip_uint64_t>(idx), ZIP_CM_STORE, 0);
  }
  if (progress.Total) progress.Total(total);

  if (zip_close(za) != 0) {
    ArchiveResult r = FromZipError(zip_get_error(za));
    zip_discard(za);
    QFile::remove(temp);
    return r;
  }
  if (!RenameOver(temp, target.absoluteFilePath())) {
    const int sys = errno;
    QFile::remove(temp);
    return FromZipError(ZIP_ER_RENAME, sys);
  }
  return {};
}

namespace {

// The only files a restore takes: the two tables' own files.
const QStringList& RestoredTables() {
  static const QStringList tables = {QStringLiteral("AGENDA"), QStringLiteral("CATEGORIAS")};
  return tables;
}

bool IsTableFile(const QString& upperName) {
  for (const QString& t : RestoredTables())
    for (const char* ext : {".DBF", ".DBT", ".MDX"})
      if (upperName == t + QLatin1String(ext)) return true;
  return false;
}

struct Extracted {
  zip_uint64_t index = 0;
  QString name;  // upper case: the file's name in the work folder
};

// An entry's bare file name: whatever follows its last folder separator.
QString BareName(const char* entryName) {
  QString n = QString::fromUtf8(entryName);
  const int cut = std::max(n.lastIndexOf(u'/'), n.lastIndexOf(u'\\'));
  return n.mid(cut + 1);
}

// The file of folder with that name in any case, or the name itself.
QString ExistingCase(const QString& folder, const QString& name) {
  const QStringList same = QDir(folder).entryList({name}, QDir::Files | QDir::Hidden);
  for (const QString& s : same)
    if (s.compare(name, Qt::CaseInsensitive) == 0) return folder + s;
  return folder + name;
}

ArchiveResult FromDbError(const data::DbError& e, int code) { return {code, QString::fromUtf8(e.what())}; }

// Extracts one entry into `path` through the engine's file layer.
bool ExtractEntry(zip_t* za, const Extracted& e, const QString& path, const QString& target,
                  const ArchiveProgress& progress, ArchiveResult& result) {
  if (progress.NewFile) progress.NewFile(e.name);
  zip_file_t* zf = zip_fopen_index(za, e.index, 0);
  if (zf == nullptr) {
    result = FromZipError(zip_get_error(za));
    return false;
  }
  bool ok = true;
  try {
    data::File out;
    out.Create(Native(path).toStdString());
    // Readable by every user of a shared folder as any new file is, or as
    // the file it is to replace.
    struct stat st;
    if (::stat(Native(target).constData(), &st) == 0 && S_ISREG(st.st_mode)) {
      ::fchmod(out.Fd(), st.st_mode & 07777);
    } else {
      const mode_t mask = ::umask(0);
      ::umask(mask);
      ::fchmod(out.Fd(), 0666 & ~mask);
    }
    std::vector<char> buffer(1 << 16);
    std::uint64_t at = 0;
    for (;;) {
      const zip_int64_t n = zip_fread(zf, buffer.data(), buffer.size());
      if (n < 0) {
        result = FromZipError(zip_file_get_error(zf));
        ok = false;
        break;
      }
      if (n == 0) break;
      out.WriteAt(at, buffer.data(), static_cast<size_t>(n));
      at += static_cast<std::uint64_t>(n);
      if (progress.Bytes) progress.Bytes(n);
    }
    if (ok) out.Sync();
  } catch (const data::DbError& err) {
    result = FromDbError(err, IsSpaceError(errno) ? backupcode::kNoSpace : ZIP_ER_WRITE);
    ok = false;
  }
  zip_fclose(zf);
  return ok;
}

// Removes a work folder of a restore and what it holds (only copies of an
// archive's files: the tables themselves are never in it).
void RemoveWorkFolder(const QString& work) {
  const QStringList names = QDir(work).entryList(QDir::Files | QDir::Hidden | QDir::System);
  for (const QString& n : names) data::RemoveFile(Native(work + n).toStdString());
  data::RemoveFolder(Native(work).toStdString());
}

// Work folders and files that an interrupted restore left; called while the
// tables are held, so no other restore is running.
void RemoveRestoreLeftovers(const QString& folder) {
  const QDir dir(folder);
  const QStringList pattern = {QStringLiteral(".~quillar-restore-*")};
  for (const QString& d : dir.entryList(pattern, QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot))
    RemoveWorkFolder(folder + d + u'/');
  for (const QString& f : dir.entryList(pattern, QDir::Files | QDir::Hidden | QDir::System))
    data::RemoveFile(Native(folder + f).toStdString());
}

// The extracted tables open with the engine (records, memo, index, which
// is rebuilt when missing) and check clean; else why not. An index this
// program could only read (a tag it cannot keep up to date, a file it
// cannot parse) is no damage, but restoring it would leave the data read
// only, and rebuilding it would drop the other program's tags: refused too.
ArchiveResult CheckExtracted(const QString& work, const QStringList& tables) {
  const std::string dir = Native(work).toStdString();
  // The engine names the files in the work folder; the user knows them as
  // they will be in the data folder.
  const auto asInData = [&](const std::string& text) {
    return QString::fromUtf8(QByteArray::fromStdString(text).replace(Native(work), QByteArray()));
  };
  for (const QString& t : tables) {
    try {
      data::Table table(dir, t.toStdString());
      table.Open(data::OpenMode::Exclusive);
      const std::vector<std::string> problems = table.Verify();
      if (!problems.empty())
        return {backupcode::kDamaged, QStringLiteral("La copia de seguridad está dañada o incompleta: ") + t +
                                          QStringLiteral(".DBF: ") + asInData(problems.front())};
    } catch (const data::DbError& e) {
      std::string readOnly;
      try {
        data::Table table(dir, t.toStdString());
        table.Open(data::OpenMode::ReadOnly);
        readOnly = table.ReadOnlyReason();
      } catch (const data::DbError&) {
      }
      if (!readOnly.empty())
        return {backupcode::kUnkeptIndex, QStringLiteral("La copia de seguridad no se puede restaurar: ") + asInData(readOnly)};
      return {backupcode::kDamaged, QStringLiteral("La copia de seguridad está dañada o incompleta: ") + asInData(e.what())};
    }
  }
  return {};
}

}  // namespace

ArchiveResult RestoreBackup(const QString& ArchivePath, const QString& Carpeta, const ArchiveProgress& progress) {
  const QString folder = Folder(Carpeta);
  const std::string dir = Native(folder).toStdString();
  int openError = 0;
  zip_t* za = zip_open(Native(ArchivePath).constData(), ZIP_RDONLY, &openError);
  if (za == nullptr) {
    if (openError == ZIP_ER_NOZIP || openError == ZIP_ER_INCONS)
      return {backupcode::kNotZip, ZipText(ZIP_ER_NOZIP)};
    zip_error_t e;
    zip_error_init_with_code(&e, openError);
    ArchiveResult r = FromZipError(&e);
    zip_error_fini(&e);
    return r;
  }

  // The table files by upper-case bare name; a later entry of the same name
  // replaces an earlier one, as extracting them in order would.
  QHash<QString, Extracted> byName;
  QStringList order;
  std::int64_t total = 0;
  const zip_int64_t count = zip_get_num_entries(za, 0);
  for (zip_int64_t i = 0; i < count; ++i) {
    zip_stat_t st;
    if (zip_stat_index(za, static_cast<zip_uint64_t>(i), 0, &st) != 0 || !(st.valid & ZIP_STAT_NAME)) continue;
    const QString key = BareName(st.name).toUpper();
    if (!IsTableFile(key)) continue;
    if (!byName.contains(key)) order << key;
    byName[key] = Extracted{static_cast<zip_uint64_t>(i), key};
    if (st.valid & ZIP_STAT_SIZE) total += static_cast<std::int64_t>(st.size);
  }
  if (!byName.contains(QStringLiteral("AGENDA.DBF"))) {
    zip_discard(za);
    return {backupcode::kNotBackup, QStringLiteral("El archivo no contiene el fichero AGENDA.DBF.")};
  }
  QStringList tables;
  for (const QString& t : RestoredTables())
    if (byName.contains(t + QStringLiteral(".DBF"))) tables << t;

  // No other copy may have the tables open, now or until the end.
  std::vector<data::File> holds;
  try {
    for (const QString& t : RestoredTables()) holds.push_back(data::HoldExclusively(dir, t.toStdString()));
  } catch (const data::DbError& e) {
    zip_discard(za);
    return FromDbError(e, backupcode::kInUse);
  }

  const QString work = folder + QStringLiteral(".~quillar-restore-%1/").arg(::getpid());
  ArchiveResult result;
  try {
    RemoveRestoreLeftovers(folder);
    data::MakeFolder(Native(work).toStdString());
  } catch (const data::DbError& e) {
    zip_discard(za);
    return FromDbError(e, ZIP_ER_TMPOPEN);
  }
  auto dropWork = [&work] {
    try {
      RemoveWorkFolder(work);
    } catch (const data::DbError&) {
      // Only copies: the next restore removes them.
    }
  };

  if (progress.Total) progress.Total(total);
  for (const QString& key : order) {
    if (!ExtractEntry(za, byName.value(key), work + key, ExistingCase(folder, key), progress,
                      result)) {
      zip_discard(za);
      dropWork();
      return result;
    }
  }
  zip_discard(za);

  // Refused, with the data untouched, unless every table opens whole.
  const ArchiveResult checked = CheckExtracted(work, tables);
  if (!checked.ok()) {
    dropWork();
    return checked;
  }

  // Each table switches to its restored files in one step that the next
  // open finishes if it is interrupted.
  for (const QString& t : tables) {
    const std::string name = t.toStdString();
    try {
      const data::StagingPaths staged = data::StagingFor(dir, name);
      data::RemoveUnfinishedBuild(dir, name);
      const std::string from = Native(work + t).toStdString();
      data::RenameFile(from + ".DBF", staged.dbf);
      if (data::FileExists(from + ".DBT")) data::RenameFile(from + ".DBT", staged.memo);
      if (data::FileExists(from + ".MDX")) data::RenameFile(from + ".MDX", staged.mdx);
      holds.push_back(data::SwitchToStaged(dir, name));  // held to the end
    } catch (const data::DbError& e) {
      try {
        data::RemoveUnfinishedBuild(dir, name);
      } catch (const data::DbError&) {
      }
      dropWork();
      return FromDbError(e, IsSpaceError(errno) ? backupcode::kNoSpace : ZIP_ER_WRITE);
    }
  }
  dropWork();
  return {};
}
