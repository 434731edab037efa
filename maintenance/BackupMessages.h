#pragma once
// The texts the user reads after a backup or restore that did not succeed,
// shared by the dialog and the command-line companion. Lines are separated
// by CR LF.

#include <QString>

struct ArchiveResult;

// "No se han encontrado los ficheros a copiar en:" and the folder in quotes.
QString NoDataFilesText(const QString& Carpeta);
// The failure of a backup: full disk, or the generic text with its number.
QString BackupFailureText(const ArchiveResult& r);
// The failure of a restore, by its code (not for -4, the user's refusal).
QString RestoreFailureText(const ArchiveResult& r);
