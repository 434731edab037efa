#pragma once
// Rebuilding a table from scratch: its records are copied into a fresh
// temporary table, the old files deleted, the copy takes the table's names
// and the production index is made anew. Drops deleted records, repairs a
// damaged index, compacts the memo file. Plain file and engine work, no
// windows: the reorganise window and the command-line companion share it.

#include <QString>
#include <QStringList>
#include <functional>
#include <stdexcept>
#include <vector>

// A failure of the rebuild; its text is the whole Spanish message chain.
class RebuildError : public std::runtime_error {
 public:
  explicit RebuildError(const QString& message) : std::runtime_error(message.toStdString()) {}
  QString Message() const { return QString::fromStdString(what()); }
};

struct TablaReorganizable {
  QString Fichero;       // "AGENDA.DBF"
  QStringList Indices;   // each index is named like its field
};

// The tables of the data folder in the order they are rebuilt.
const std::vector<TablaReorganizable>& TablasReorganizables();

// Writes 0 at offset 28 of the .DBF header (the production index flag), then
// deletes the .MDX. RebuildError "Error desvinculando indice del fichero ..."
// on failure.
void DesvincularIndice(const QString& RutaDbf, const QString& RutaMdx);

// Rebuilds Fichero of Carpeta with ascending, not unique indexes named as
// the given fields, each on its own key expression when the table had one,
// and the table's other tags as they were. A tag the engine cannot evaluate
// refuses the rebuild before anything changes. On failure the old files, or the complete copy, stay under the
// table's names and RebuildError "Error reindexando ..." is raised. Paso, when
// set, runs after each numbered step (1..8) of the work; tests use it to
// fail at a chosen point.
void ReconstruirTabla(const QString& Carpeta, const QString& Fichero, const QStringList& Indices,
                      const std::function<void(int paso)>& Paso = {});

// Every table of TablasReorganizables that exists in Carpeta, in order;
// Tabla(file) runs before each one, present or not. The first failure ends
// the whole run.
void ReorganizarCarpeta(const QString& Carpeta, const std::function<void(const QString& fichero)>& Tabla = {});
