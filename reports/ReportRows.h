#pragma once
// One appointment as the reports print it: a row of the reports' queries
// (every AGENDA column plus the joined category name).

#include <QString>
#include <vector>

#include "core/DateTime.h"

namespace reports {

struct CitaRow {
  int ID = 0;
  TDateTime FechaIni = 0;
  TDateTime FechaFin = 0;
  QString HoraIni;
  QString HoraFin;
  QString Asunto;
  QString Lugar;
  QString Notas;
  int Tipo = 0;
  QString Categoria;  // CATEGORIAS.CATEGORIA joined on TIPO; empty when none matched
};

// The category column of every report: "Normal" for TIPO 0 (whether or not
// a category row 0 exists), otherwise the joined name.
QString TextoCategoria(const CitaRow& Cita);

}  // namespace reports
