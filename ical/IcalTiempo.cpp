#include "ical/IcalTiempo.h"

#include <QDateTime>
#include <QTimeZone>
#include <cmath>
#include <cstring>

namespace ical {

TDateTime MinutoLocal(TDateTime Momento) { return std::round(Momento * dt::MinsPerDay) / dt::MinsPerDay; }

TDateTime MomentoLocal(time_t Utc) {
  const QDateTime local = QDateTime::fromSecsSinceEpoch(static_cast<qint64>(Utc)).toLocalTime();
  const QDate d = local.date();
  const QTime t = local.time();
  return dt::EncodeDate(d.year(), d.month(), d.day()) + dt::EncodeTime(t.hour(), t.minute(), t.second());
}

time_t InstanteDe(TDateTime Local) {
  int y, m, d, h, n, s, ms;
  dt::DecodeDateTime(Local, y, m, d, h, n, s, ms);
  return static_cast<time_t>(QDateTime(QDate(y, m, d), QTime(h, n, s)).toSecsSinceEpoch());
}

QString ClaveMomento(TDateTime Local) {
  int y, m, d, h, n, s, ms;
  dt::DecodeDateTime(MinutoLocal(Local), y, m, d, h, n, s, ms);
  return QString::asprintf("%04d%02d%02dT%02d%02d%02d", y, m, d, h, n, s);
}

icaltimetype TiempoIcal(TDateTime Local, bool SoloDia) {
  int y, m, d, h, n, s, ms;
  dt::DecodeDateTime(MinutoLocal(Local), y, m, d, h, n, s, ms);
  icaltimetype t = icaltime_null_time();
  t.year = y;
  t.month = m;
  t.day = d;
  if (SoloDia) {
    t.is_date = 1;
  } else {
    t.hour = h;
    t.minute = n;
    t.second = s;
  }
  return t;
}

TMomentoIcal MomentoDe(const icaltimetype& Tiempo, icaltimezone* Zona) {
  TMomentoIcal m;
  if (!Tiempo.is_date && (Zona || icaltime_is_utc(Tiempo))) {
    m.Instante = true;
    m.Utc = icaltime_as_timet_with_zone(Tiempo, Zona ? Zona : icaltimezone_get_utc_timezone());
    return m;
  }
  TDate dia = 0;
  if (!dt::TryEncodeDate(Tiempo.year, Tiempo.month, Tiempo.day, dia)) {
    dia = 0;
    m.Valido = false;
  }
  m.Pared = dia;
  if (!Tiempo.is_date) {
    TTime hora = 0;
    if (dt::TryEncodeTime(Tiempo.hour, Tiempo.minute, Tiempo.second, 0, hora)) m.Pared += hora;
  }
  return m;
}

TZonasIcal::~TZonasIcal() {
  for (auto& [nombre, zona] : propias_) icaltimezone_free(zona, 1);
}

void TZonasIcal::Definir(icalcomponent* VTimezone) {
  icaltimezone* zona = icaltimezone_new();
  if (!icaltimezone_set_component(zona, VTimezone)) {
    icaltimezone_free(zona, 1);
    icalcomponent_free(VTimezone);
    return;
  }
  const char* tzid = icaltimezone_get_tzid(zona);
  if (!tzid || propias_.count(tzid)) {
    icaltimezone_free(zona, 1);
    return;
  }
  propias_[tzid] = zona;
}

icaltimezone* TZonasIcal::Zona(const char* Tzid) const {
  if (!Tzid || !*Tzid) return nullptr;
  if (auto i = propias_.find(Tzid); i != propias_.end()) return i->second;
  if (icaltimezone* z = icaltimezone_get_builtin_timezone_from_tzid(Tzid)) return z;
  if (icaltimezone* z = icaltimezone_get_builtin_timezone(Tzid)) return z;
  // Names of other systems' zone lists ("Romance Standard Time").
  const QByteArray iana = QTimeZone::windowsIdToDefaultIanaId(QByteArray(Tzid));
  if (!iana.isEmpty()) return icaltimezone_get_builtin_timezone(iana.constData());
  // A zone database name after a prefix of the program that wrote it.
  for (const char* p = std::strchr(Tzid + 1, '/'); p; p = std::strchr(p + 1, '/'))
    if (icaltimezone* z = icaltimezone_get_builtin_timezone(p + 1)) return z;
  return nullptr;
}

bool TZonasIcal::Desconocida(icalproperty* Propiedad) const {
  icalparameter* p = Propiedad ? icalproperty_get_first_parameter(Propiedad, ICAL_TZID_PARAMETER) : nullptr;
  return p && !Zona(icalparameter_get_tzid(p));
}

icaltimezone* TZonasIcal::ZonaDe(icalproperty* Propiedad, const icaltimetype& Tiempo) const {
  if (icaltime_is_utc(Tiempo)) return icaltimezone_get_utc_timezone();
  icalparameter* p = Propiedad ? icalproperty_get_first_parameter(Propiedad, ICAL_TZID_PARAMETER) : nullptr;
  return p ? Zona(icalparameter_get_tzid(p)) : nullptr;
}

QString NombreZonaLocal() { return QString::fromUtf8(QTimeZone::systemTimeZoneId()); }

icaltimezone* ZonaLocal() {
  const QByteArray nombre = QTimeZone::systemTimeZoneId();
  if (nombre.isEmpty()) return nullptr;
  return icaltimezone_get_builtin_timezone(nombre.constData());
}

}  // namespace ical
