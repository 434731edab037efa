#pragma once
// Storing the appointments read from a file in a data folder, each through
// the rules of the appointments table (new ID, reminder fields, refused
// posts) as one typed by hand; the days changed are announced once at the
// end. An event imported before updates its appointment only when the event
// changed since and the appointment did not; otherwise it is left as the
// user may have edited it.

#include <QString>
#include <vector>

#include "app/AgendaHooks.h"
#include "ical/CitaIcal.h"
#include "ical/IcalLector.h"

namespace ical {

struct TResumenImportacion {
  int Anadidas = 0;
  int Actualizadas = 0;
  int SinCambios = 0;
  int Rechazadas = 0;  // posts the table's rules refused
  // Events that changed whose appointment changed in the agenda too since
  // the import (edited, or another appointment under a freed ID): kept.
  int CambiadasEnAgenda = 0;
  bool Cancelada = false;
};

// Avance runs every few appointments; false stops there (what was stored
// stays stored and is announced). Engine failures raise data::DbError.
TResumenImportacion GuardarCitasIcal(const QString& Carpeta, const std::vector<TCitaIcal>& Citas,
                                     const AvisarCambioFn& Avisar, const TAvanceIcal& Avance = {});

// The Spanish summary of an import: added, updated, unchanged, and what was
// skipped and why, one item per line.
QString TextoResumen(const TResumenImportacion& Resumen, const TOmitidos& Omitidos);
// "Se guardarán N citas." and what will be skipped: what the import dialog
// shows before storing.
QString TextoPrevio(const TCitasLeidas& Leidas);

}  // namespace ical
