#pragma once
// Backup archives of the data folder: a zip file holding the files of the
// AGENDA and CATEGORIAS tables under their bare names, with a fixed comment.
// Plain Qt Core and libzip, so the windows and the command-line companion
// share it.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

#include "core/DateTime.h"

// Reports while an archive is written or read: Total once before the first
// file, then for every file NewFile followed by Bytes as its data pass.
struct ArchiveProgress {
  std::function<void(std::int64_t total)> Total;
  std::function<void(const QString& fileName)> NewFile;
  std::function<void(std::int64_t bytes)> Bytes;
};

// Result codes shown to the user ("Error numero: ").
namespace backupcode {
constexpr int kOk = 0;
constexpr int kNoSpace = 15;     // the destination's disk is full
constexpr int kNotBackup = -1;   // no data files to copy, or an archive without AGENDA.DBF
constexpr int kNotZip = -3;      // the chosen file is not a zip archive
constexpr int kCancelled = -4;   // the user declined the restore
constexpr int kInUse = -5;       // another program has the tables open: nothing restored
constexpr int kDamaged = -6;     // the archive's tables do not open whole: nothing restored
constexpr int kUnkeptIndex = -7; // an index of the archive this program cannot keep up to date: nothing restored
}  // namespace backupcode

struct ArchiveResult {
  int code = backupcode::kOk;
  QString errorText;  // Spanish; empty on success
  bool ok() const { return code == backupcode::kOk; }
};

// "Quillar" CR LF CR LF "Copia de seguridad."
QString BackupComment();

// "AGENDA_yyyymmddhhnn.zip" for the given local moment.
QString BackupArchiveName(TDateTime momento);

// The files of Carpeta that a backup takes: names matching "AGENDA.*" or
// "CATEGORIAS.*" in any case, regular files only, sorted by name.
QStringList BackupFiles(const QString& Carpeta);

// True when Carpeta holds AGENDA.DBF (in any case): without it there is
// nothing to back up.
bool HasBackupData(const QString& Carpeta);

// True for the suffixes that are stored without compression because their
// contents are compressed already (.zip, .gz, .png, ...).
bool IsStoredSuffix(const QString& fileName);

// Writes the archive ArchivePath holding BackupFiles(Carpeta). The archive is
// written under a temporary name beside it and renamed only when complete, so
// an earlier archive of that name survives a failure.
ArchiveResult CreateBackup(const QString& Carpeta, const QString& ArchivePath, const ArchiveProgress& progress = {});

// Restores the tables held in ArchivePath into Carpeta. Only the tables'
// own files are taken (AGENDA and CATEGORIAS with .DBF, .DBT, .MDX, any
// case, reduced to bare names). The tables are held exclusively for the
// whole run (kInUse while another program has them open); the files are
// extracted into a work folder inside Carpeta and opened there with the
// engine, a missing index rebuilt; an archive whose tables do not open whole
// is refused (kDamaged), and so is one whose index this program could only
// read (kUnkeptIndex), as is or rebuilt without the tags it cannot keep. Only then each table is switched to its restored
// files, crash-safely. Any refusal or failure before that leaves the data
// as it was, and no work files behind.
ArchiveResult RestoreBackup(const QString& ArchivePath, const QString& Carpeta, const ArchiveProgress& progress = {});

// Position of a progress bar whose maximum is 10001 after Procesados of Total
// bytes: 1 + round(10000 * Procesados / Total), 10001 when Total is 0, and
// the largest int when that does not fit.
int ProgressPosition(std::int64_t Procesados, std::int64_t Total);
