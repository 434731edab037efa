#pragma once
// Reading an iCalendar file into appointments. Reading checks the whole file
// first (a malformed file gives its line and nothing else); the events read
// are then expanded into appointments for a window of days, as often as the
// window changes.
//
//   TLectorIcal lector;
//   if (lector.Leer(datos) != TLectorIcal::Leido) show(lector.Error());
//   TCitasLeidas leidas = lector.Citas(desde, hasta);

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "core/DateTime.h"
#include "ical/CitaIcal.h"

namespace ical {

// Progress of a long step: Hecho of Total done; false stops the step.
using TAvanceIcal = std::function<bool(qint64 Hecho, qint64 Total)>;

// Occurrences of one repeating event at most: a rule every minute over the
// whole window would otherwise give millions of appointments. Those beyond
// are left out and the event is warned of.
constexpr int kMaxOcurrencias = 10'000;

// What the file holds that is not stored, by reason.
struct TOmitidos {
  int Tareas = 0;          // VTODO
  int Diario = 0;          // VJOURNAL
  int SinInicio = 0;       // events without DTSTART
  int FechaNoValida = 0;   // events with a day that does not exist or out of range
  int Cancelados = 0;      // events with STATUS:CANCELLED
  int FueraIntervalo = 0;  // repeating events with no occurrence in the window
  int Otros = 0;           // other components (free/busy, unknown ones)
  int Total() const { return Tareas + Diario + SinInicio + FechaNoValida + Cancelados + FueraIntervalo + Otros; }
  // Not skipped but warned of: events whose zone (TZID) neither the file
  // nor the system knows, their times taken as local.
  int ZonaDesconocida = 0;
  // Repeating events with more occurrences in the window than are stored
  // of one event (the first ones are).
  int Recortados = 0;
};

struct TCitasLeidas {
  std::vector<TCitaIcal> Citas;
  TOmitidos Omitidos;
  bool Cancelada = false;  // the progress stopped it: Citas is incomplete
};

// The window of days in which repeating events are expanded: by default one
// year back to two years ahead of Hoy.
void IntervaloPorDefecto(TDate Hoy, TDate& Desde, TDate& Hasta);

class TLectorIcal {
 public:
  enum Resultado { Leido, Malformado, Cancelado };

  TLectorIcal();
  ~TLectorIcal();
  TLectorIcal(const TLectorIcal&) = delete;
  TLectorIcal& operator=(const TLectorIcal&) = delete;

  Resultado Leer(const QByteArray& Datos, const TAvanceIcal& Avance = {});
  // Malformado: the line (1-based) where reading failed and a Spanish text
  // naming it.
  int LineaError() const { return lineaError_; }
  QString Error() const { return error_; }

  // The appointments of the events read: repeating events give one per
  // occurrence whose day lies within Desde..Hasta; single events always one.
  // Avance runs every few events.
  TCitasLeidas Citas(TDate Desde, TDate Hasta, const TAvanceIcal& Avance = {}) const;

 private:
  struct Datos;
  std::unique_ptr<Datos> d_;
  int lineaError_ = 0;
  QString error_;
};

}  // namespace ical
