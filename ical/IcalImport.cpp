#include "ical/IcalImport.h"

#include <QCryptographicHash>
#include <algorithm>
#include <limits>
#include <map>

#include "app/UAgendaUtil.h"
#include "data/Table.h"
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

// What an appointment stores of its event: a changed event has another.
std::string Huella(const TCitaIcal& c, int tipo) {
  QCryptographicHash h(QCryptographicHash::Sha1);
  for (const QString& s : {ClaveMomento(c.Inicio), ClaveMomento(c.Fin), c.Asunto, c.Lugar, c.Notas,
                           QString::number(c.Aviso), QString::number(tipo)}) {
    h.addData(s.toUtf8());
    h.addData(QByteArrayView("\x1f", 1));
  }
  return h.result().toHex().toStdString();
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
  linea(o.Cancelados, "evento cancelado", "eventos cancelados");
  linea(o.FueraIntervalo, "evento repetido sin fechas en el intervalo elegido",
        "eventos repetidos sin fechas en el intervalo elegido");
  linea(o.Otros, "elemento de otro tipo", "elementos de otro tipo");
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
      const std::string huella = Huella(c, tipo);
      const TUidsIcal::Fila* fila = uids.Buscar(c.Uid, c.Ocurrencia);
      // An appointment deleted since its import comes back as a new one.
      if (fila && agenda.FindKey(fila->ID)) {
        if (fila->Huella == huella) {
          ++r.SinCambios;
          continue;
        }
        agenda.Edit();
        Asignar(agenda, c, tipo);
        if (!agenda.Post()) {
          agenda.Cancel();
          ++r.Rechazadas;
          continue;
        }
        ++r.Actualizadas;
      } else {
        const int id = NuevoID(agenda);
        agenda.Append();
        agenda.FieldByName("ID").SetAsInteger(id);
        Asignar(agenda, c, tipo);
        if (!agenda.Post()) {
          agenda.Cancel();
          ++r.Rechazadas;
          continue;
        }
        ++r.Anadidas;
      }
      // Read back: another copy may have taken that ID meanwhile.
      uids.Guardar(c.Uid, c.Ocurrencia, static_cast<int>(agenda.FieldByName("ID").AsInteger()), huella);
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
  if (Resumen.Rechazadas > 0) r += QStringLiteral("\r\nCitas no guardadas: ") + QString::number(Resumen.Rechazadas);
  r += QStringLiteral("\r\nOmitidos: ") + QString::number(Omitidos.Total()) + LineasOmitidos(Omitidos);
  return r;
}

QString TextoPrevio(const TCitasLeidas& Leidas) {
  const int n = static_cast<int>(Leidas.Citas.size());
  QString r = n == 1 ? QStringLiteral("Se guardará 1 cita.") : QStringLiteral("Se guardarán %1 citas.").arg(n);
  if (Leidas.Omitidos.Total() > 0)
    r += QStringLiteral("\r\nSe omitirán:") + LineasOmitidos(Leidas.Omitidos);
  return r;
}

}  // namespace ical
