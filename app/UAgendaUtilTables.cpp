// The rules of UAgendaUtil that work on the appointments table.
#include <QFileInfo>

#include "app/UAgendaUtil.h"
#include "app/UConfigAgenda.h"
#include "core/Messages.h"
#include "app/TableSchemas.h"
#include "data/Table.h"
#include "data/TableSwitch.h"

int NuevoID(data::Table& Tabla) {
  const std::string index = Tabla.IndexName();
  const data::Bookmark where = Tabla.GetBookmark();
  Tabla.SetIndexName("ID");
  Tabla.Last();
  const int id = Tabla.IsEmpty() ? 1 : static_cast<int>(Tabla.FieldByName("ID").AsInteger()) + 1;
  Tabla.SetIndexName(index);
  if (where.IsValid()) Tabla.GotoBookmark(where);
  return id;
}

void CrearTablaAgenda(const QString& Carpeta) {
  const QString folder = Carpeta.isEmpty() ? ConfigAgenda.DataPath : Carpeta;
  try {
    data::Table t(folder.toStdString(), "AGENDA.DBF");
    if (t.Exists()) return;
    t.Create(AgendaFieldDefs(), AgendaIndexDefs());
  } catch (const std::exception& e) {
    ShowError(QStringLiteral("Error generando tabla\r\n") + folder + QStringLiteral("AGENDA.DBF\r\n") +
              QString::fromStdString(e.what()));
  }
}

void RecalcularAviso(data::Table& Tabla) {
  if (Tabla.State() != data::TableState::Edit && Tabla.State() != data::TableState::Insert) return;
  const TDateTime inicio = FechaHora(Tabla.FieldByName("FECHA_INI").AsDate(),
                                     QString::fromStdString(Tabla.FieldByName("HORA_INI").AsString()));
  const TDateTime t = CalcularAviso(static_cast<int>(Tabla.FieldByName("AVISO").AsInteger()), -1, inicio);
  Tabla.FieldByName("F_AVISO").SetAsDate(dt::DateOf(t));
  Tabla.FieldByName("H_AVISO").SetAsString(HoraTexto(t).toStdString());
}

bool TablasEnUso(const QString& Carpeta) {
  for (const char* name : {"AGENDA.DBF", "CATEGORIAS.DBF"}) {
    data::Table t(IncluirBarra(Carpeta).toStdString(), name);
    if (!t.Exists()) continue;
    try {
      t.Open(data::OpenMode::Exclusive);
      t.Close();
    } catch (const data::DbError&) {
      // Refused for what it holds (an index tag this program cannot keep up
      // to date, an index file it cannot read) the table is not in use: the
      // work that follows says why it cannot be done.
      try {
        data::HoldExclusively(IncluirBarra(Carpeta).toStdString(), name);
      } catch (const data::DbError&) {
        return true;
      }
    }
  }
  return false;
}
