// quillar-data info|dump|check FILE: look into a table from the shell;
// quillar-data sql DIR QUERY: query the tables of a folder (SqlCommand.h);
// quillar-data init DIR: create the tables of a data folder (InitCommand.h);
// quillar-data print DIR DESDE HASTA OUT.pdf: the range report as a PDF
// (reports/PrintCommand.h); quillar-data backup|restore|reorganize|generate:
// the maintenance commands (maintenance/DataCommands.h); quillar-data
// export-ics|import-ics: iCalendar files (tools/IcalCommands.h).
// Exit status: 0 fine, 1 problems found (check) or bad use, 2 a file that is
// missing or cannot be read.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>
#include <sys/stat.h>

#include <QCoreApplication>
#include <QStringList>
#include <QTextStream>

#include "data/Table.h"
#include "maintenance/DataCommands.h"
#include "reports/PrintCommand.h"
#include "tools/IcalCommands.h"
#include "tools/InitCommand.h"
#include "tools/DumpFormat.h"
#include "tools/SqlCommand.h"

namespace {

int Usage() {
  std::cerr << "uso: quillar-data info FICHERO | dump FICHERO [--index ETIQUETA] | check FICHERO\n"
               "       quillar-data sql [--tiempo=SEGUNDOS] DIRECTORIO 'SELECT ...' [NOMBRE=int|date|str:VALOR ...]\n"
               "       quillar-data init DIRECTORIO\n"
               "       quillar-data print DIRECTORIO DESDE HASTA SALIDA.pdf [--resumido] [--categoria ID]\n"
               "       quillar-data backup DIRECTORIO DESTINO | restore ARCHIVO DIRECTORIO\n"
               "       quillar-data reorganize DIRECTORIO | generate DIRECTORIO N\n"
               "       quillar-data export-ics DIRECTORIO FICHERO.ics [DESDE HASTA] [--categoria ID]\n"
               "       quillar-data import-ics DIRECTORIO FICHERO.ics\n";
  return 1;
}

void Split(const std::string& path, std::string& folder, std::string& name) {
  auto slash = path.find_last_of('/');
  folder = slash == std::string::npos ? "./" : path.substr(0, slash + 1);
  name = slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string LevelName(int level) {
  switch (level) {
    case 0x03: case 0x83: return "dBase III";
    case 0x04: case 0x8C: return "dBase 7";
    case 0x02: case 0x30: case 0x31: case 0x32: case 0xF5: case 0xFB: return "FoxPro";
    default: return "dBase IV";
  }
}

int Info(data::Table& t) {
  char lv[8];
  std::snprintf(lv, sizeof lv, "0x%02X", t.LevelByte());
  std::cout << "Nivel: " << LevelName(t.LevelByte()) << " (" << lv << ")\n";
  std::cout << "Página de códigos: " << t.CodePage() << "\n";
  std::cout << "Registros: " << t.RecordCount() << "\n";
  std::cout << "Campos:\n";
  for (const auto& f : t.Fields())
    std::cout << "  " << f.name << "\t" << f.type << "\t" << f.length << "\t" << f.decimals << "\n";
  std::cout << "Índices:\n";
  for (const auto& tag : t.Tags())
    std::cout << "  " << tag.name << "\t" << tag.expression << "\t" << (tag.unique ? "único" : "") << "\n";
  return 0;
}

int Dump(data::Table& t, const std::string& tag) {
  if (!tag.empty()) t.SetIndexName(tag);
  std::string line;
  for (int i = 0; i < t.FieldCount(); ++i) line += (i ? "\t" : "") + t.Fields()[i].name;
  std::cout << line << "\n";
  for (t.First(); !t.Eof(); t.Next()) {
    line.clear();
    for (int i = 0; i < t.FieldCount(); ++i) {
      if (i) line += '\t';
      line += tools::DumpValue(t.FieldByNumber(i));
    }
    std::cout << line << "\n";
  }
  return 0;
}

int Check(data::Table& t) {
  auto problems = t.Verify();
  for (const auto& p : problems) std::cout << p << "\n";
  if (problems.empty()) std::cout << "Correcto: " << t.RecordCount() << " registros.\n";
  return problems.empty() ? 0 : 1;
}

// The commands built on the program's own Qt code. The print command makes
// its own (graphical) application object, so it is dispatched before one is
// made here.
int QtCommand(int argc, char** argv) {
  const std::string command = argv[1];
  if (command == "print")
    return reports::PrintCommand(std::vector<std::string>(argv + 2, argv + argc), std::cout, std::cerr);
  QCoreApplication app(argc, argv);
  if (command == "init") {
    if (argc != 3) return Usage();
    return InitCommand(argv[2]);
  }
  QStringList args = QCoreApplication::arguments().mid(1);
  QTextStream out(stdout), err(stderr);
  if (IsIcalCommand(args[0])) return RunIcalCommand(args, out, err);
  return RunMaintenanceCommand(args, out, err);
}

bool IsQtCommand(const std::string& command) {
  return command == "print" || command == "init" || IsIcalCommand(QString::fromStdString(command)) ||
         IsMaintenanceCommand(QStringList{QString::fromStdString(command)});
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::string(argv[1]) == "sql")
    return tools::SqlCommand(std::vector<std::string>(argv + 2, argv + argc), std::cout, std::cerr);
  if (argc >= 2 && IsQtCommand(argv[1])) return QtCommand(argc, argv);
  if (argc < 3) return Usage();
  const std::string command = argv[1];
  const std::string path = argv[2];
  std::string tag;
  for (int i = 3; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--index" && i + 1 < argc) tag = argv[++i];
    else return Usage();
  }
  if (command != "info" && command != "dump" && command != "check") return Usage();
  struct stat st;
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
    std::cerr << "quillar-data: no se encuentra el fichero " << path << "\n";
    return 2;
  }
  std::string folder, name;
  Split(path, folder, name);
  data::Table t(folder, name);
  try {
    t.Open(data::OpenMode::ReadOnly);
  } catch (const data::DbError& e) {
    std::cerr << "quillar-data: " << e.what() << "\n";
    return 2;
  }
  try {
    if (command == "info") return Info(t);
    if (command == "dump") return Dump(t, tag);
    return Check(t);
  } catch (const data::DbError& e) {
    std::cerr << "quillar-data: " << e.what() << "\n";
    return 1;
  }
}
