#pragma once
// Rebuilding a table from scratch: its records are copied into new files,
// which then take the table's place crash-safely, with the production index
// made anew. Drops deleted records, repairs a damaged index, compacts the
// memo file. The engine does the file work (data/TableRebuild.h); this is
// the reorganisation's view of it, shared by the reorganise window and the
// command-line companion.

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

// Rebuilds Fichero of Carpeta with ascending, not unique indexes named as
// the given fields, each on its own key expression when the table had one,
// and the table's other tags as they were. A tag the engine cannot evaluate
// refuses the rebuild before anything changes. On failure the folder holds
// the old table or the complete new one under the table's names, and
// RebuildError "Error reindexando ..." is raised.
void ReconstruirTabla(const QString& Carpeta, const QString& Fichero, const QStringList& Indices);

// Every table of TablasReorganizables that exists in Carpeta, in order,
// all of them held exclusively from before the first is touched to the end
// (RebuildError, with nothing changed, while another copy has one open);
// Tabla(file) runs before each one, present or not. The first failure ends
// the whole run.
void ReorganizarCarpeta(const QString& Carpeta, const std::function<void(const QString& fichero)>& Tabla = {});
