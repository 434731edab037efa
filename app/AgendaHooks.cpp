#include "app/AgendaHooks.h"

#include "app/UAgendaUtil.h"
#include "core/Messages.h"
#include "data/Table.h"

void tblAgendaNewRecord(data::Table& Tabla) { Tabla.FieldByName("ID").SetAsInteger(-1); }

void tblAgendaBeforePost(data::Table& Tabla, bool& abort) {
  if (Tabla.FieldByName("ID").AsInteger() < 1) {
    ShowError(QStringLiteral("No se pudo guardar la cita.\r\nSe ha producido un error en\r\nla base de datos"));
    abort = true;
  }
}

void tblAgendaAfterPost(data::Table& Tabla, const AvisarCambioFn& avisar) {
  if (avisar) avisar(Tabla.FieldByName("FECHA_INI").AsDate(), Tabla.FieldByName("FECHA_FIN").AsDate());
}

void tblAgendaFECHA_INIChange(data::Table& Tabla) { RecalcularAviso(Tabla); }
void tblAgendaHORA_INIChange(data::Table& Tabla) { RecalcularAviso(Tabla); }

void AdjuntarHooksAgenda(data::Table& Tabla, AvisarCambioFn avisar) {
  // Two copies may take the same new ID at once; the second to store its
  // record then gets the next free one rather than a refused post.
  Tabla.SetRenumberField("ID");
  Tabla.OnNewRecord = tblAgendaNewRecord;
  Tabla.OnBeforePost = tblAgendaBeforePost;
  Tabla.OnAfterPost = [avisar](data::Table& t) { tblAgendaAfterPost(t, avisar); };
  Tabla.SetFieldChangeHook("FECHA_INI", [&Tabla](data::Field&) { tblAgendaFECHA_INIChange(Tabla); });
  Tabla.SetFieldChangeHook("HORA_INI", [&Tabla](data::Field&) { tblAgendaHORA_INIChange(Tabla); });
}
