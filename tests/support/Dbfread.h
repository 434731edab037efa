#pragma once
// python3-dbfread, the independent reader of the tables the tests write.
#include <QProcess>
#include <QString>

inline bool HasPython3Dbfread() { return QProcess::execute("/usr/bin/python3", {"-c", "import dbfread"}) == 0; }

// The rows of a CATEGORIAS table as dbfread reads them, one "ID NAME COLOR"
// line each.
inline QString CategoriasSegunDbfread(const QString& file) {
  QProcess py;
  py.start("/usr/bin/python3", {"-c",
                                "import sys, dbfread\n"
                                "for r in dbfread.DBF(sys.argv[1], encoding='cp1252'):\n"
                                "    print(int(r['ID']), r['CATEGORIA'].strip(), int(r['COLOR']))",
                                file});
  if (!py.waitForFinished(20000)) return QStringLiteral("(python3 did not finish)");
  return QString::fromUtf8(py.readAllStandardOutput());
}
