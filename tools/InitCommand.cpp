#include "tools/InitCommand.h"

#include <QDir>
#include <QString>
#include <iostream>

#include "app/UAgendaUtil.h"
#include "app/UCategoriaClass.h"
#include "core/Messages.h"
#include "data/Table.h"

int InitCommand(const std::string& dir) {
  const QString folder = IncluirBarra(QDir(QString::fromStdString(dir)).absolutePath());
  if (!QDir(folder).exists()) {
    std::cerr << "quillar-data: no existe la carpeta " << dir << "\n";
    return 2;
  }
  // The table operations report their failures as message boxes: here they
  // are written to the error output instead.
  bool failed = false;
  SetMessageAnswerer([&failed](const MessageRequest& r) {
    std::cerr << QString(r.text).replace(QLatin1String("\r\n"), QLatin1String("\n")).toStdString() << "\n";
    failed = failed || r.type == mtError;
    return int(mrOk);
  });
  CrearTablaAgenda(folder);
  if (!data::Table(folder.toStdString(), "CATEGORIAS.DBF").Exists()) CrearTablaCategorias(folder);
  SetMessageAnswerer({});
  return failed ? 1 : 0;
}
