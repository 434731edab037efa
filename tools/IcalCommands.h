#pragma once
// The iCalendar commands of the command-line companion:
//   export-ics DIR FILE.ics [DESDE HASTA] [--categoria ID]
//       writes the appointments of DIR (all, or those starting on the days
//       DESDE..HASTA, AAAA-MM-DD; all categories or one) to FILE.ics
//   import-ics DIR FILE.ics
//       stores the events of FILE.ics in DIR, repeating events expanded from
//       one year back to two years ahead; a second import adds nothing
// Exit status: 0 done, 1 bad use or a malformed file (nothing stored), 2 a
// file or folder that cannot be read or written.

#include <QStringList>

class QTextStream;

bool IsIcalCommand(const QString& command);
// args[0] is the command. Needs a QCoreApplication.
int RunIcalCommand(const QStringList& args, QTextStream& out, QTextStream& err);
