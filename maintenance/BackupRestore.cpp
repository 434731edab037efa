// Restoring a backup archive: only the tables' own files are taken, into a
// work folder inside the data folder, opened and checked there with the
// engine, and only then switched in for the tables, which stay held
// exclusively throughout.
#include "maintenance/BackupArchive.h"

#include <QDir>
#include <QHash>
#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "data/DbError.h"
#include "data/FileIo.h"
#include "data/Table.h"
#include "data/TableSwitch.h"
#include "maintenance/BackupCommon.h"

using namespace backupcommon;

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
