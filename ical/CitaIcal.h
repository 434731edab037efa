#pragma once
// An appointment as it travels to and from iCalendar files.

#include <QString>

#include "core/DateTime.h"

struct TCitaIcal {
  QString Uid;         // the event's UID
  QString Ocurrencia;  // an expanded occurrence: its start ("yyyymmddThhnnss", local); else empty
  TDateTime Inicio = 0;
  TDateTime Fin = 0;
  QString Asunto;
  QString Lugar;
  QString Notas;
  int Aviso = 0;      // reminder choice, 0 = none
  QString Categoria;  // the first of the event's categories; empty when none
};
