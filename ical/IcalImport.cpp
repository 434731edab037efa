#include "ical/IcalImport.h"

#include <QLocale>

#include <algorithm>
#include <limits>
#include <map>
#include <optional>
#include <unordered_map>

#include "app/UAgendaUtil.h"
#include "data/Table.h"
#include "ical/HuellaCita.h"
#include "ical/IcalTiempo.h"
#include "ical/IcalUids.h"

namespace ical {

namespace {

// Category IDs by name, compared without case or surrounding blanks; the
// first of equal names wins.
std::map<QString, int> CategoriasPorNombre(const std::string& carpeta) {
  std::map<QString, int> r;
  data::Table t(carpeta, "CATEGORIAS.DBF");
  t.Open();
  t.SetIndexName("ID");
  for (t.First(); !t.Eof(); t.Next())
    r.emplace(QString::fromStdString(t.FieldByName("CATEGORIA").AsString()).trimmed().toCaseFolded(),
              static_cast<int>(t.FieldByName("ID").AsInteger()));
  return r;
}

// The fields in the order the table's hooks need: the reminder choice before
// the start, whose assignment recomputes the reminder's day and time.
void Asignar(data::Table& t, const TCitaIcal& c, int tipo) {
  t.FieldByName("AVISO").SetAsInteger(c.Aviso);
  t.FieldByName("TIPO").SetAsInteger(tipo);
  t.FieldByName("ASUNTO").SetAsString(c.Asunto.left(200).toStdString());
  t.FieldByName("LUGAR").SetAsString(c.Lugar.left(200).toStdString());
  t.FieldByName("NOTAS").SetAsString(c.Notas.toStdString());
  t.FieldByName("FECHA_FIN").SetAsDate(dt::DateOf(c.Fin));
  t.FieldByName("HORA_FIN").SetAsString(HoraTexto(c.Fin).toStdString());
  t.FieldByName("FECHA_INI").SetAsDate(dt::DateOf(c.Inicio));
  t.FieldByName("HORA_INI").SetAsString(HoraTexto(c.Inicio).toStdString());
}

// The appointments no ICALUID row names, by fingerprint.
struct Suelta {
  int ID;
  std::uint32_t Registro;
};
std::unordered_multimap<std::string, Suelta> SinNombrar(data::Table& t, const TUidsIcal& uids) {
  std::unordered_multimap<std::string, Suelta> r;
  for (t.First(); !t.Eof(); t.Next()) {
    const int id = static_cast<int>(t.FieldByName("ID").AsInteger());
    if (!uids.Nombrado(id)) r.emplace(HuellaCita(t), Suelta{id, t.RecNo()});
  }
  return r;
}

QString Cuenta(int n, const char* uno, const char* varios) {
  return QString::number(n) + u' ' + QString::fromUtf8(n == 1 ? uno : varios);
}

QString LineasOmitidos(const TOmitidos& o) {
  QString r;
  const auto linea = [&r](int n, const char* uno, const char* varios) {
    if (n > 0) r += QStringLiteral("\r\n  ") + Cuenta(n, uno, varios);
  };
  linea(o.Tareas, "tarea (VTODO)", "tareas (VTODO)");
  linea(o.Diario, "nota de diario (VJOURNAL)", "notas de diario (VJOURNAL)");
  linea(o.SinInicio, "evento sin fecha de inicio", "eventos sin fecha de inicio");
  linea(o.FechaNoValida, "evento con una fecha no válida", "eventos con una fecha no válida");
  linea(o.Cancelados, "evento cancelado", "eventos cancelados");
  linea(o.FueraIntervalo, "evento repetido sin fechas en el intervalo elegido",
        "eventos repetidos sin fechas en el intervalo elegido");
  linea(o.Otros, "elemento de otro tipo", "elementos de otro tipo");
  return r;
}

QString AvisoZonas(const TOmitidos& o) {
  QString r;
  if (o.ZonaDesconocida > 0)
    r += QStringLiteral("\r\nAtención: ") +
         Cuenta(o.ZonaDesconocida, "evento tiene una zona horaria desconocida; su hora se toma como local.",
                "eventos tienen una zona horaria desconocida; su hora se toma como local.");
  if (o.Recortados > 0)
    r += QStringLiteral("\r\nAtención: ") +
         Cuenta(o.Recortados, "evento se repite más de %1 veces entre las fechas; solo se toman las primeras.",
                "eventos se repiten más de %1 veces entre las fechas; solo se toman las primeras.")
             .arg(QLocale(QLocale::Spanish).toString(kMaxOcurrencias));
  return r;
}

}  // namespace

TResumenImportacion GuardarCitasIcal(const QString& Carpeta, const std::vector<TCitaIcal>& Citas,
                                     const AvisarCambioFn& Avisar, const TAvanceIcal& Avance) {
  const std::string carpeta = IncluirBarra(Carpeta).toStdString();
  const std::map<QString, int> categorias = CategoriasPorNombre(carpeta);
  TUidsIcal uids(carpeta);

  TDate primero = std::numeric_limits<double>::max(), ultimo = std::numeric_limits<double>::lowest();
  bool cambios = false;
  data::Table agenda(carpeta, "AGENDA.DBF");
  AdjuntarHooksAgenda(agenda, [&](TDate desde, TDate hasta) {
    primero = std::min(primero, desde);
    ultimo = std::max(ultimo, hasta);
    cambios = true;
  });
  // Alone with the table, the appointments are written as one batch synced
  // at its end (a crash meanwhile leaves an index rebuilt at the next open);
  // while other copies have it open, each one is synced on its own.
  bool lote = true;
  try {
    agenda.Open(data::OpenMode::Exclusive);
    uids.Abrir(true);
    agenda.BeginBatch();
  } catch (const data::DbError&) {
    lote = false;
    agenda.Close();
    agenda.Open();
    uids.Abrir(false);
  }
  agenda.SetIndexName("ID");

  TResumenImportacion r;
  std::optional<std::unordered_multimap<std::string, Suelta>> sinNombrar;  // read at the first event without its row
  const qint64 total = static_cast<qint64>(Citas.size());
  const auto cerrar = [&] {
    if (lote && agenda.Active()) agenda.EndBatch();
    agenda.Close();
    uids.Cerrar();
  };
  try {
    for (qint64 i = 0; i < total; ++i) {
      if (Avance && i % 64 == 0 && !Avance(i, total)) {
        r.Cancelada = true;
        break;
      }
      const TCitaIcal& c = Citas[i];
      const auto cat = categorias.find(c.Categoria.trimmed().toCaseFolded());
      const int tipo = cat == categorias.end() ? 0 : cat->second;
      const TUidsIcal::Fila* fila = uids.Buscar(c.Uid, c.Ocurrencia);
      // The imported appointment is still there: under its ID in its record
      // (edited or not), or as it was stored (its file rewritten).
      std::string actual;
      const bool sigue = fila && agenda.FindKey(fila->ID) &&
                         (agenda.RecNo() == fila->Registro || (actual = HuellaCita(agenda)) == fila->Huella);
      if (sigue) {
        // It is updated only while it is still as the import left it; one
        // edited since stays as the user left it.
        if (actual.empty()) actual = HuellaCita(agenda);
        agenda.Edit();
        Asignar(agenda, c, tipo);
        const std::string nueva = HuellaCita(agenda);
        if (nueva == fila->Huella || nueva == actual) {
          agenda.Cancel();
          ++r.SinCambios;
          if (nueva == actual && actual != fila->Huella)
            uids.Guardar(c.Uid, c.Ocurrencia, fila->ID, agenda.RecNo(), actual);
          continue;
        }
        if (actual != fila->Huella) {
          agenda.Cancel();
          ++r.CambiadasEnAgenda;
          continue;
        }
        if (!agenda.Post()) {
          agenda.Cancel();
          ++r.Rechazadas;
          continue;
        }
        ++r.Actualizadas;
      } else {
        if (!sinNombrar) sinNombrar = SinNombrar(agenda, uids);
        const int id = NuevoID(agenda);
        agenda.Append();
        Asignar(agenda, c, tipo);
        // Never imported, or its appointment deleted since (maybe its ID now
        // another's): stored anew. An appointment already as the event would
        // be stored and named by no row is this event's, stored before its
        // row was lost (a crash of an import): it is taken, not stored twice.
        const std::string nueva = HuellaCita(agenda);
        if (const auto i = sinNombrar->find(nueva); i != sinNombrar->end()) {
          agenda.Cancel();
          uids.Guardar(c.Uid, c.Ocurrencia, i->second.ID, i->second.Registro, nueva);
          sinNombrar->erase(i);
          ++r.SinCambios;
          continue;
        }
        agenda.FieldByName("ID").SetAsInteger(id);
        if (!agenda.Post()) {
          agenda.Cancel();
          ++r.Rechazadas;
          continue;
        }
        ++r.Anadidas;
      }
      // Read back: another copy may have taken that ID meanwhile.
      uids.Guardar(c.Uid, c.Ocurrencia, static_cast<int>(agenda.FieldByName("ID").AsInteger()), agenda.RecNo(),
                   HuellaCita(agenda));
    }
  } catch (...) {
    // What was stored stays stored, synced, and is announced.
    cerrar();
    if (cambios && Avisar) Avisar(primero, ultimo);
    throw;
  }
  if (Avance && !r.Cancelada) Avance(total, total);
  cerrar();
  if (cambios && Avisar) Avisar(primero, ultimo);
  return r;
}

QString TextoResumen(const TResumenImportacion& Resumen, const TOmitidos& Omitidos) {
  QString r = Resumen.Cancelada ? QStringLiteral("Importación cancelada. Lo guardado hasta entonces se conserva.")
                                : QStringLiteral("Importación terminada.");
  r += QStringLiteral("\r\nCitas añadidas: ") + QString::number(Resumen.Anadidas);
  r += QStringLiteral("\r\nCitas actualizadas: ") + QString::number(Resumen.Actualizadas);
  r += QStringLiteral("\r\nCitas sin cambios: ") + QString::number(Resumen.SinCambios);
  if (Resumen.CambiadasEnAgenda > 0)
    r += QStringLiteral("\r\nCitas no actualizadas porque se cambiaron en la agenda después de importarlas "
                        "(se conservan como están): ") +
         QString::number(Resumen.CambiadasEnAgenda);
  if (Resumen.Rechazadas > 0) r += QStringLiteral("\r\nCitas no guardadas: ") + QString::number(Resumen.Rechazadas);
  r += QStringLiteral("\r\nOmitidos: ") + QString::number(Omitidos.Total()) + LineasOmitidos(Omitidos);
  r += AvisoZonas(Omitidos);
  return r;
}

QString TextoPrevio(const TCitasLeidas& Leidas) {
  const int n = static_cast<int>(Leidas.Citas.size());
  QString r = n == 1 ? QStringLiteral("Se guardará 1 cita.") : QStringLiteral("Se guardarán %1 citas.").arg(n);
  if (Leidas.Omitidos.Total() > 0)
    r += QStringLiteral("\r\nSe omitirán:") + LineasOmitidos(Leidas.Omitidos);
  r += AvisoZonas(Leidas.Omitidos);
  return r;
}

}  // namespace ical
