#include "maintenance/TableRebuild.h"

#include <exception>

#include "app/UAgendaUtil.h"
#include "data/Table.h"
#include "data/TableRebuild.h"

namespace {

const QString kCRLF = QStringLiteral("\r\n");

QString Quoted(const QString& s) { return u'"' + s + u'"'; }

}  // namespace

const std::vector<TablaReorganizable>& TablasReorganizables() {
  static const std::vector<TablaReorganizable> tablas = {
      {QStringLiteral("AGENDA.DBF"), {QStringLiteral("ID"), QStringLiteral("FECHA_INI")}},
      {QStringLiteral("CATEGORIAS.DBF"), {QStringLiteral("ID"), QStringLiteral("CATEGORIA")}},
  };
  return tablas;
}

void ReconstruirTabla(const QString& Carpeta, const QString& Fichero, const QStringList& Indices) {
  const std::string dir = IncluirBarra(Carpeta).toStdString();
  const QString path = QString::fromStdString(data::Table(dir, Fichero.toStdString()).FilePath());
  try {
    // Ascending indexes named like their fields, each on its own key
    // expression when the table had one, and the table's other tags as they
    // were; ID loses the unique flag it was created with (the engine keeps
    // new IDs unique anyway).
    std::vector<data::IndexDef> indexes;
    for (const QString& campo : Indices) indexes.push_back({campo.toStdString(), campo.toStdString(), false});
    data::RebuildTable(dir, Fichero.toStdString(), indexes);
  } catch (const std::exception& e) {
    throw RebuildError(QStringLiteral("Error reindexando ") + Quoted(path) + kCRLF + QString::fromStdString(e.what()));
  }
}

void ReorganizarCarpeta(const QString& Carpeta, const std::function<void(const QString&)>& Tabla) {
  for (const TablaReorganizable& t : TablasReorganizables()) {
    if (Tabla) Tabla(t.Fichero);
    if (!data::Table(IncluirBarra(Carpeta).toStdString(), t.Fichero.toStdString()).Exists()) continue;
    ReconstruirTabla(Carpeta, t.Fichero, t.Indices);
  }
}
