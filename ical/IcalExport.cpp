#include "ical/IcalExport.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QSaveFile>
#include <libical/ical.h>

#include "app/CitasEntre.h"
#include "app/UAgendaUtil.h"
#include "app/Version.h"
#include "data/Table.h"
#include "data/sql/Query.h"
#include "ical/HuellaCita.h"
#include "ical/IcalTiempo.h"
#include "ical/IcalUids.h"

namespace ical {

namespace {

// The computer's zone with its definition under the plain name the times
// carry; nullptr (the times go floating) when the zone database lacks it.
icalcomponent* VTimezoneLocal(const QByteArray& nombre) {
  icaltimezone* zona = ZonaLocal();
  icalcomponent* def = zona ? icaltimezone_get_component(zona) : nullptr;
  if (!def) return nullptr;
  icalcomponent* c = icalcomponent_new_clone(def);
  if (icalproperty* p = icalcomponent_get_first_property(c, ICAL_TZID_PROPERTY)) icalproperty_set_tzid(p, nombre.constData());
  return c;
}

icalproperty* ConZona(icalproperty* p, const QByteArray& tzid, bool soloDia) {
  if (!soloDia && !tzid.isEmpty()) icalproperty_add_parameter(p, icalparameter_new_tzid(tzid.constData()));
  return p;
}

QByteArray Utf8(const std::string& s) {
  QByteArray b = QByteArray::fromStdString(s);
  b.replace("\r\n", "\n");
  return b;
}

}  // namespace

QByteArray CalendarioIcal(const QString& Carpeta, TDate Desde, TDate Hasta, int Categoria, int& Cuantas) {
  const QString carpeta = IncluirBarra(Carpeta);
  const std::map<int, TOrigenIcal> origenes = TUidsIcal::Origenes(carpeta.toStdString());
  const QByteArray dominio =
      QCryptographicHash::hash(QDir(carpeta).absolutePath().toUtf8(), QCryptographicHash::Sha1).toHex().left(12);

  // An appointment keeps its event's UID while it is the one imported,
  // edited or not: one that took the ID of a deleted imported appointment
  // must not go out as that event.
  data::Table agenda(carpeta.toStdString(), "AGENDA.DBF");
  if (!origenes.empty()) {
    agenda.Open(data::OpenMode::ReadOnly);
    agenda.SetIndexName("ID");
  }
  const auto mismaCita = [&agenda](int id, const TOrigenIcal& o) {
    return agenda.FindKey(id) && (agenda.RecNo() == o.Registro || HuellaCita(agenda) == o.Huella);
  };

  data::Query q(carpeta.toStdString());
  PrepararCitasEntre(q, dt::DateOf(Desde), dt::DateOf(Hasta) + dt::EncodeTime(23, 59, 59, 999), Categoria);
  q.Open();

  icalcomponent* cal = icalcomponent_new(ICAL_VCALENDAR_COMPONENT);
  icalcomponent_add_property(cal, icalproperty_new_version("2.0"));
  icalcomponent_add_property(cal, icalproperty_new_prodid(("-//Quillar//" + TituloAplicacion().toUtf8() + "//ES").constData()));
  icalcomponent_add_property(cal, icalproperty_new_calscale("GREGORIAN"));
  const QByteArray nombreZona = NombreZonaLocal().toUtf8();
  icalcomponent* vtz = VTimezoneLocal(nombreZona);
  const QByteArray tzid = vtz ? nombreZona : QByteArray();
  if (vtz) icalcomponent_add_component(cal, vtz);

  const icaltimetype ahora = icaltime_from_timet_with_zone(QDateTime::currentSecsSinceEpoch(), 0,
                                                           icaltimezone_get_utc_timezone());
  Cuantas = 0;
  for (q.First(); !q.Eof(); q.Next()) {
    const int id = static_cast<int>(q.FieldByName("ID").AsInteger());
    const TDateTime inicio = FechaHora(q.FieldByName("FECHA_INI").AsDate(), QString::fromStdString(q.FieldByName("HORA_INI").AsString()));
    const TDateTime fin = FechaHora(q.FieldByName("FECHA_FIN").AsDate(), QString::fromStdString(q.FieldByName("HORA_FIN").AsString()));
    // Whole days (00:00 to 00:00 of a later day) go as days, as calendars
    // write their all-day events.
    const bool dias = dt::TimeOf(inicio) == 0 && dt::TimeOf(fin) == 0 && fin > inicio;

    icalcomponent* ev = icalcomponent_new(ICAL_VEVENT_COMPONENT);
    auto origen = origenes.find(id);
    if (origen != origenes.end() && !mismaCita(id, origen->second)) origen = origenes.end();
    QByteArray uid = origen != origenes.end() ? origen->second.Uid.toUtf8() : QByteArray();
    if (uid.isEmpty()) uid = QByteArray::number(id) + '-' + dominio + "@quillar";
    icalcomponent_add_property(ev, icalproperty_new_uid(uid.constData()));
    icalcomponent_add_property(ev, icalproperty_new_dtstamp(ahora));
    icalcomponent_add_property(ev, ConZona(icalproperty_new_dtstart(TiempoIcal(inicio, dias)), tzid, dias));
    icalcomponent_add_property(ev, ConZona(icalproperty_new_dtend(TiempoIcal(fin, dias)), tzid, dias));
    if (origen != origenes.end() && !origen->second.Ocurrencia.isEmpty()) {
      const QByteArray o = origen->second.Ocurrencia.toLatin1();
      const icaltimetype t = icaltime_from_string(o.constData());
      if (!icaltime_is_null_time(t)) icalcomponent_add_property(ev, ConZona(icalproperty_new_recurrenceid(t), tzid, false));
    }
    const QByteArray asunto = Utf8(q.FieldByName("ASUNTO").AsString());
    icalcomponent_add_property(ev, icalproperty_new_summary(asunto.constData()));
    const QByteArray lugar = Utf8(q.FieldByName("LUGAR").AsString());
    if (!lugar.isEmpty()) icalcomponent_add_property(ev, icalproperty_new_location(lugar.constData()));
    const QByteArray notas = Utf8(q.FieldByName("NOTAS").AsString());
    if (!notas.isEmpty()) icalcomponent_add_property(ev, icalproperty_new_description(notas.constData()));
    QByteArray categoria = Utf8(q.FieldByName("CATEGORIA").AsString());
    if (categoria.isEmpty()) categoria = "Normal";  // as the reports name a missing category
    icalcomponent_add_property(ev, icalproperty_new_categories(categoria.constData()));

    const int minutos = MinutosAviso(static_cast<int>(q.FieldByName("AVISO").AsInteger()));
    if (minutos > 0) {
      icalcomponent* alarma = icalcomponent_new(ICAL_VALARM_COMPONENT);
      icalcomponent_add_property(alarma, icalproperty_new_action(ICAL_ACTION_DISPLAY));
      icaltriggertype trigger;
      trigger.time = icaltime_null_time();
      trigger.duration = icaldurationtype_from_int(-minutos * 60);
      icalcomponent_add_property(alarma, icalproperty_new_trigger(trigger));
      icalcomponent_add_property(alarma, icalproperty_new_description(asunto.isEmpty() ? "Cita" : asunto.constData()));
      icalcomponent_add_component(ev, alarma);
    }
    icalcomponent_add_component(cal, ev);
    ++Cuantas;
  }
  q.Close();
  char* texto = icalcomponent_as_ical_string_r(cal);
  QByteArray r(texto);
  icalmemory_free_buffer(texto);
  icalcomponent_free(cal);
  return r;
}

bool ExportarIcal(const QString& Carpeta, const QString& Fichero, TDate Desde, TDate Hasta, int Categoria,
                  int& Cuantas, QString& Error) {
  const QByteArray texto = CalendarioIcal(Carpeta, Desde, Hasta, Categoria, Cuantas);
  QSaveFile f(Fichero);
  if (!f.open(QIODevice::WriteOnly) || f.write(texto) != texto.size() || !f.commit()) {
    Error = QStringLiteral("No se pudo escribir el fichero\r\n") + Fichero + QStringLiteral("\r\n") + f.errorString();
    return false;
  }
  return true;
}

}  // namespace ical
