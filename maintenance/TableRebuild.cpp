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

namespace {

// Ascending indexes named like their fields, each on its own key expression
// when the table had one (the table's other tags are kept as they were); ID
// loses the unique flag it was created with (the engine keeps new IDs unique
// anyway).
data::TableToRebuild ComoReconstruir(const QString& Fichero, const QStringList& Indices) {
  data::TableToRebuild t{Fichero.toStdString(), {}};
  for (const QString& campo : Indices) t.indexes.push_back({campo.toStdString(), campo.toStdString(), false});
  return t;
}

RebuildError ErrorReindexando(const QString& Carpeta, const QString& Fichero, const std::exception& e) {
  const QString path =
      QString::fromStdString(data::Table(IncluirBarra(Carpeta).toStdString(), Fichero.toStdString()).FilePath());
  return RebuildError(QStringLiteral("Error reindexando ") + Quoted(path) + kCRLF + QString::fromStdString(e.what()));
}

}  // namespace

void ReconstruirTabla(const QString& Carpeta, const QString& Fichero, const QStringList& Indices) {
  try {
    const data::TableToRebuild t = ComoReconstruir(Fichero, Indices);
    data::RebuildTable(IncluirBarra(Carpeta).toStdString(), t.name, t.indexes);
  } catch (const std::exception& e) {
    throw ErrorReindexando(Carpeta, Fichero, e);
  }
}

void ReorganizarCarpeta(const QString& Carpeta, const std::function<void(const QString&)>& Tabla) {
  std::vector<data::TableToRebuild> tablas;
  for (const TablaReorganizable& t : TablasReorganizables()) tablas.push_back(ComoReconstruir(t.Fichero, t.Indices));
  // A failure before the first table names the table found in use.
  QString actual = TablasReorganizables().front().Fichero;
  try {
    data::RebuildTables(IncluirBarra(Carpeta).toStdString(), tablas, [&](const std::string& fichero) {
      actual = QString::fromStdString(fichero);
      if (Tabla) Tabla(actual);
    });
  } catch (const RebuildError&) {
    throw;
  } catch (const std::exception& e) {
    throw ErrorReindexando(Carpeta, actual, e);
  }
}
