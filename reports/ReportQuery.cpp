#include "reports/ReportQuery.h"

#include "data/sql/Query.h"

namespace reports {

std::vector<CitaRow> LeerCitas(data::Query& Query) {
  auto text = [&](const char* name) { return QString::fromStdString(Query.FieldByName(name).AsString()); };
  std::vector<CitaRow> rows;
  rows.reserve(Query.RecordCount());
  for (Query.First(); !Query.Eof(); Query.Next()) {
    CitaRow r;
    r.ID = static_cast<int>(Query.FieldByName("ID").AsInteger());
    r.FechaIni = Query.FieldByName("FECHA_INI").AsDate();
    r.FechaFin = Query.FieldByName("FECHA_FIN").AsDate();
    r.HoraIni = text("HORA_INI");
    r.HoraFin = text("HORA_FIN");
    r.Asunto = text("ASUNTO");
    r.Lugar = text("LUGAR");
    r.Notas = text("NOTAS");
    r.Tipo = static_cast<int>(Query.FieldByName("TIPO").AsInteger());
    r.Categoria = text("CATEGORIA");
    rows.push_back(std::move(r));
  }
  return rows;
}

}  // namespace reports
