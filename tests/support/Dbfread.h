#pragma once
// python3-dbfread, the independent reader of the tables the tests write.
#include <QProcess>
#include <QString>

inline bool HasPython3Dbfread() { return QProcess::execute("/usr/bin/python3", {"-c", "import dbfread"}) == 0; }

// What a python3 script prints for the file given to it as sys.argv[1]; sys
// and dbfread are imported for it. A script that fails also gives what it
// wrote to its error output, so that the comparison shows why.
inline QString SalidaDbfread(const QString& script, const QString& file) {
  QProcess py;
  py.start("/usr/bin/python3", {"-c", "import sys, dbfread\n" + script, file});
  if (!py.waitForFinished(20000)) return QStringLiteral("(python3 did not finish)");
  QString out = QString::fromUtf8(py.readAllStandardOutput());
  if (py.exitStatus() != QProcess::NormalExit || py.exitCode() != 0) out += QString::fromUtf8(py.readAllStandardError());
  return out;
}

// The rows of a CATEGORIAS table as dbfread reads them, one "ID NAME COLOR"
// line each.
inline QString CategoriasSegunDbfread(const QString& file) {
  return SalidaDbfread("for r in dbfread.DBF(sys.argv[1], encoding='cp1252'):\n"
                       "    print(int(r['ID']), r['CATEGORIA'].strip(), int(r['COLOR']))",
                       file);
}
