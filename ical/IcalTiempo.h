#pragma once
// Times of iCalendar files and moments of the program. The program's moments
// are wall-clock times of the computer's zone; a file's times are in UTC, in
// a named zone or floating (taken as local).

#include <QString>
#include <libical/ical.h>
#include <map>
#include <string>

#include "core/DateTime.h"

namespace ical {

// A local moment rounded to the whole minute, as appointments keep them.
TDateTime MinutoLocal(TDateTime Momento);
// The local moment of an instant.
TDateTime MomentoLocal(time_t Utc);
// The instant of a local moment.
time_t InstanteDe(TDateTime Local);
// "yyyymmddThhnnss" of a local moment: the key of an occurrence.
QString ClaveMomento(TDateTime Local);
// A local moment as a floating iCalendar time (a date when SoloDia).
icaltimetype TiempoIcal(TDateTime Local, bool SoloDia = false);

// A time of a file: either an instant (UTC or in a known zone) or a wall
// time (a day, or a floating time).
struct TMomentoIcal {
  bool Instante = false;
  time_t Utc = 0;
  TDateTime Pared = 0;
  bool Valido = true;  // false for a day that does not exist (31 February)
  TDateTime Local() const { return Instante ? MomentoLocal(Utc) : Pared; }
};
TMomentoIcal MomentoDe(const icaltimetype& Tiempo, icaltimezone* Zona);

// The zones a file names: its own VTIMEZONE definitions first, then the
// system's zone database by name (Windows zone names and names under a
// prefix, "/mozilla.org/20050126_1/Europe/Madrid", included).
class TZonasIcal {
 public:
  TZonasIcal() = default;
  TZonasIcal(const TZonasIcal&) = delete;
  TZonasIcal& operator=(const TZonasIcal&) = delete;
  ~TZonasIcal();
  // Takes the VTIMEZONE component (it is freed with the zone).
  void Definir(icalcomponent* VTimezone);
  // The zone of a TZID, or nullptr when it is unknown (the time is then
  // taken as local).
  icaltimezone* Zona(const char* Tzid) const;
  // The zone of a time property: its TZID, UTC for a time written with Z.
  icaltimezone* ZonaDe(icalproperty* Propiedad, const icaltimetype& Tiempo) const;
  // Whether the property names a zone neither the file nor the system knows.
  bool Desconocida(icalproperty* Propiedad) const;

 private:
  std::map<std::string, icaltimezone*> propias_;
};

// The computer's zone by its name ("Europe/Madrid") with its definition;
// the definition is nullptr when the zone database has none.
QString NombreZonaLocal();
icaltimezone* ZonaLocal();

}  // namespace ical
