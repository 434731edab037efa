#pragma once
// What writing and reading a backup archive share: paths in the system's
// encoding, and libzip's and the system's failures as our result codes with
// a Spanish text. Not for use outside the backup code.
#include <QByteArray>
#include <QString>
#include <zip.h>

#include "maintenance/BackupArchive.h"

namespace backupcommon {

QByteArray Native(const QString& path);

// The folder's path ending in a separator.
QString Folder(const QString& carpeta);

// A full disk or quota, or a file too large for the destination.
bool IsSpaceError(int sys);

// libzip's error code in Spanish.
QString ZipText(int zipCode);

// Our result code for a libzip failure: a full disk is 15 whatever libzip
// calls it; libzip's own 15 (an entry changed underneath) cannot be told
// apart from that, so it is reported as an internal error.
ArchiveResult FromZipError(int zipCode, int sys);
ArchiveResult FromZipError(zip_error_t* error);

}  // namespace backupcommon
