#pragma once
// The maintenance commands of the command-line companion, over the same code
// as the windows:
//   backup DIR DEST     writes the backup archive of DIR into DEST, prints its path
//   restore ARCHIVE DIR restores the table files of ARCHIVE into DIR
//   reorganize DIR      rebuilds the tables of DIR (refused while in use)
//   generate DIR N      fills AGENDA of DIR with N random appointments
// They need a QCoreApplication (the sample texts are looked for beside the
// program).

#include <QStringList>

class QTextStream;

// True when args[0] names one of the commands above.
bool IsMaintenanceCommand(const QStringList& args);

// Runs the command in args (args[0] the command). Returns the exit code: 0 on
// success, 1 with the Spanish message written to `err` on failure, 2 for
// wrong arguments.
int RunMaintenanceCommand(const QStringList& args, QTextStream& out, QTextStream& err);
