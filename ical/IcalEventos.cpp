// Events into appointments: times to local time, repeating events expanded
// into their occurrences, the first alarm to the nearest reminder choice.
#include <map>
#include <set>

#include "app/UAgendaUtil.h"
#include "ical/IcalLectorDatos.h"

namespace ical {

namespace {

// Steps of one repetition rule at most: a rule every minute over the window
// stays well below, a rule without end beyond it stops.
constexpr int kMaxPasos = 200'000;

const TDate kPrimerDia = dt::EncodeDate(1, 1, 1);
const TDate kTrasUltimoDia = dt::EncodeDate(9999, 12, 31) + 1;

QString Texto(const char* t) { return t ? QString::fromUtf8(t) : QString(); }

// How long an event lasts: seconds between instants, else days of wall time.
struct Duracion {
  bool Segundos = false;
  double Valor = 0;
  TDateTime FinDe(const TMomentoIcal& Inicio) const {
    if (Segundos && Inicio.Instante) return MomentoLocal(Inicio.Utc + static_cast<time_t>(Valor));
    return Inicio.Local() + (Segundos ? Valor / dt::SecsPerDay : Valor);
  }
  double EnSegundos() const { return Segundos ? Valor : Valor * dt::SecsPerDay; }
};

Duracion DuracionDe(icalcomponent* e, const TZonasIcal& zonas, const icaltimetype& inicio, const TMomentoIcal& m) {
  Duracion d;
  if (icalproperty* p = icalcomponent_get_first_property(e, ICAL_DTEND_PROPERTY)) {
    const icaltimetype fin = icalproperty_get_dtend(p);
    const TMomentoIcal f = MomentoDe(fin, zonas.ZonaDe(p, fin));
    if (m.Instante && f.Instante) {
      d.Segundos = true;
      d.Valor = static_cast<double>(f.Utc - m.Utc);
    } else {
      d.Valor = f.Local() - m.Local();
    }
  } else if (icalproperty* p = icalcomponent_get_first_property(e, ICAL_DURATION_PROPERTY)) {
    d.Segundos = !inicio.is_date;
    const double s = icaldurationtype_as_int(icalproperty_get_duration(p));
    d.Valor = d.Segundos ? s : s / dt::SecsPerDay;
  } else if (inicio.is_date) {
    d.Valor = 1;  // a day's event without end lasts that day
  }
  if (d.Valor < 0) d.Valor = 0;
  return d;
}

// The reminder choice of the first alarm, 0 without one.
int AvisoDe(icalcomponent* e, const TMomentoIcal& inicio, const Duracion& duracion) {
  icalcomponent* alarma = icalcomponent_get_first_component(e, ICAL_VALARM_COMPONENT);
  if (!alarma) return 0;
  icalproperty* p = icalcomponent_get_first_property(alarma, ICAL_TRIGGER_PROPERTY);
  if (!p) return 0;
  const icaltriggertype t = icalproperty_get_trigger(p);
  double antes = 0;  // minutes before the start
  if (!icaltime_is_null_time(t.time)) {
    antes = (InstanteDe(inicio.Local()) - icaltime_as_timet_with_zone(t.time, icaltimezone_get_utc_timezone())) / 60.0;
  } else {
    double s = icaldurationtype_as_int(t.duration);
    icalparameter* r = icalproperty_get_first_parameter(p, ICAL_RELATED_PARAMETER);
    if (r && icalparameter_get_related(r) == ICAL_RELATED_END) s += duracion.EnSegundos();
    antes = -s / 60.0;
  }
  return AvisoMasCercano(antes);
}

QString PrimeraCategoria(icalcomponent* e) {
  for (icalproperty* p = icalcomponent_get_first_property(e, ICAL_CATEGORIES_PROPERTY); p;
       p = icalcomponent_get_next_property(e, ICAL_CATEGORIES_PROPERTY)) {
    for (const QString& c : Texto(icalproperty_get_categories(p)).split(u','))
      if (!c.trimmed().isEmpty()) return c.trimmed();
  }
  return {};
}

bool Repite(icalcomponent* e) {
  return icalcomponent_get_first_property(e, ICAL_RRULE_PROPERTY) || icalcomponent_get_first_property(e, ICAL_RDATE_PROPERTY);
}

// The starts of a repeating event's occurrences within the days, by key,
// those of EXDATE left out.
std::map<QString, TMomentoIcal> Ocurrencias(icalcomponent* e, const TZonasIcal& zonas, const icaltimetype& inicio,
                                             icaltimezone* zona, TDate desde, TDate hasta, bool& recortado) {
  std::set<QString> fuera;
  std::set<TDate> diasFuera;
  for (icalproperty* p = icalcomponent_get_first_property(e, ICAL_EXDATE_PROPERTY); p;
       p = icalcomponent_get_next_property(e, ICAL_EXDATE_PROPERTY)) {
    const icaltimetype x = icalproperty_get_exdate(p);
    const TDateTime local = MomentoDe(x, zonas.ZonaDe(p, x)).Local();
    if (x.is_date) diasFuera.insert(dt::DateOf(local));
    else fuera.insert(ClaveMomento(local));
  }
  std::map<QString, TMomentoIcal> r;
  const auto anadir = [&](const TMomentoIcal& m) {
    const TDateTime local = m.Local();
    const TDate dia = dt::DateOf(local);
    const QString clave = ClaveMomento(local);
    if (dia < desde || dia > hasta || fuera.count(clave) || diasFuera.count(dia)) return;
    if (r.size() >= static_cast<size_t>(kMaxOcurrencias) && !r.count(clave)) {
      recortado = true;
      return;
    }
    r.emplace(clave, m);
  };
  anadir(MomentoDe(inicio, zona));
  for (icalproperty* p = icalcomponent_get_first_property(e, ICAL_RRULE_PROPERTY); p;
       p = icalcomponent_get_next_property(e, ICAL_RRULE_PROPERTY)) {
    const icalrecurrencetype regla = icalproperty_get_rrule(p);
    icalrecur_iterator* it = icalrecur_iterator_new(regla, inicio);
    if (!it) continue;
    // A rule without COUNT starts at the window (two days early, for the
    // event's zone) rather than stepping through the years before it.
    if (regla.count == 0 && dt::DateOf(MomentoDe(inicio, zona).Local()) < desde - 2) {
      icaltimetype comienzo = TiempoIcal(desde - 2, inicio.is_date);
      comienzo.zone = inicio.zone;
      icalrecur_iterator_set_start(it, comienzo);
    }
    for (int paso = 0; paso < kMaxPasos; ++paso) {
      const icaltimetype t = icalrecur_iterator_next(it);
      if (icaltime_is_null_time(t)) break;
      const TMomentoIcal m = MomentoDe(t, zona);
      if (dt::DateOf(m.Local()) > hasta || recortado) break;
      anadir(m);
    }
    icalrecur_iterator_free(it);
  }
  for (icalproperty* p = icalcomponent_get_first_property(e, ICAL_RDATE_PROPERTY); p;
       p = icalcomponent_get_next_property(e, ICAL_RDATE_PROPERTY)) {
    const icaldatetimeperiodtype rd = icalproperty_get_rdate(p);
    const icaltimetype t = icaltime_is_null_time(rd.time) ? rd.period.start : rd.time;
    if (!icaltime_is_null_time(t)) anadir(MomentoDe(t, zonas.ZonaDe(p, t)));
  }
  return r;
}

}  // namespace

TCitasLeidas TLectorIcal::Citas(TDate Desde, TDate Hasta, const TAvanceIcal& Avance) const {
  TCitasLeidas r;
  r.Omitidos = d_->Omitidos;
  const TZonasIcal& zonas = d_->Zonas;

  // Occurrences that a VEVENT of their own (RECURRENCE-ID) replaces.
  std::set<std::pair<QString, QString>> sustituidas;
  for (icalcomponent* e : d_->Eventos)
    if (icalproperty* p = icalcomponent_get_first_property(e, ICAL_RECURRENCEID_PROPERTY)) {
      const icaltimetype t = icalproperty_get_recurrenceid(p);
      sustituidas.emplace(Texto(icalcomponent_get_uid(e)), ClaveMomento(MomentoDe(t, zonas.ZonaDe(p, t)).Local()));
    }

  const qint64 total = static_cast<qint64>(d_->Eventos.size());
  for (qint64 n = 0; n < total; ++n) {
    icalcomponent* e = d_->Eventos[n];
    // A repeating event may take long on its own: progress before each.
    if (Avance && (n % 128 == 0 || Repite(e)) && !Avance(n, total)) {
      r.Cancelada = true;
      return r;
    }
    icalproperty* pInicio = icalcomponent_get_first_property(e, ICAL_DTSTART_PROPERTY);
    if (!pInicio) {
      ++r.Omitidos.SinInicio;
      continue;
    }
    if (icalcomponent_get_status(e) == ICAL_STATUS_CANCELLED) {
      ++r.Omitidos.Cancelados;
      continue;
    }
    const icaltimetype inicio = icalproperty_get_dtstart(pInicio);
    if (zonas.Desconocida(pInicio) || zonas.Desconocida(icalcomponent_get_first_property(e, ICAL_DTEND_PROPERTY)))
      ++r.Omitidos.ZonaDesconocida;
    icaltimezone* zona = zonas.ZonaDe(pInicio, inicio);
    const TMomentoIcal m = MomentoDe(inicio, zona);
    const Duracion duracion = DuracionDe(e, zonas, inicio, m);

    TCitaIcal base;
    base.Uid = Texto(icalcomponent_get_uid(e));
    base.Asunto = Texto(icalcomponent_get_summary(e));
    base.Lugar = Texto(icalcomponent_get_location(e));
    base.Notas = Texto(icalcomponent_get_description(e));
    base.Categoria = PrimeraCategoria(e);
    base.Aviso = AvisoDe(e, m, duracion);

    // Times the table cannot hold (a day that does not exist, a year past
    // 9999) skip the event, counted once.
    bool fechaMala = false;
    const auto cita = [&](const TMomentoIcal& comienzo, const QString& ocurrencia) {
      TCitaIcal c = base;
      c.Ocurrencia = ocurrencia;
      c.Inicio = MinutoLocal(comienzo.Local());
      c.Fin = std::max(c.Inicio, MinutoLocal(duracion.FinDe(comienzo)));
      if (!comienzo.Valido || c.Inicio < kPrimerDia || c.Fin >= kTrasUltimoDia) {
        if (!fechaMala) ++r.Omitidos.FechaNoValida;
        fechaMala = true;
        return;
      }
      r.Citas.push_back(std::move(c));
    };
    if (icalproperty* p = icalcomponent_get_first_property(e, ICAL_RECURRENCEID_PROPERTY)) {
      // One occurrence of a series, changed: known by the start it replaces.
      const icaltimetype t = icalproperty_get_recurrenceid(p);
      const TDate dia = dt::DateOf(m.Local());
      if (dia < Desde || dia > Hasta) ++r.Omitidos.FueraIntervalo;
      else cita(m, ClaveMomento(MomentoDe(t, zonas.ZonaDe(p, t)).Local()));
    } else if (Repite(e)) {
      bool recortado = false;
      const auto ocurrencias = Ocurrencias(e, zonas, inicio, zona, Desde, Hasta, recortado);
      if (recortado) ++r.Omitidos.Recortados;
      if (ocurrencias.empty()) ++r.Omitidos.FueraIntervalo;
      for (const auto& [clave, comienzo] : ocurrencias)
        if (!sustituidas.count({base.Uid, clave})) cita(comienzo, clave);
    } else {
      cita(m, QString());
    }
  }
  if (Avance) Avance(total, total);
  return r;
}

}  // namespace ical
