// Writing a backup archive through libzip. Files are fed to the archive
// through a source of our own so the progress can name each file and count
// its bytes.
#include "maintenance/BackupArchive.h"

#include <QFile>
#include <QFileInfo>
#include <zip.h>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

#include "maintenance/BackupCommon.h"

using namespace backupcommon;

namespace {

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
