// Undo and redo of the appointment changes this copy stored in the session.
// Each step is a store like any other, checked against what the table holds
// now: a record another copy changed or deleted since is never overwritten
// without asking.
#include <QAction>
#include <cmath>
#include <optional>

#include "app/ConflictoCita.h"
#include "app/UMainAgenda.h"
#include "calendar/RBCalendar.h"
#include "core/Messages.h"
#include "data/Table.h"
#include "timeview/RBTimeView.h"

namespace {
QString Nombre(const TFotoCita& c) { return NombreCita(c.Asunto()); }

// A caption shown as given: '&' would be taken for a mnemonic.
QString Entrada(const QString& texto) {
  QString t = texto;
  t.replace(u'&', QStringLiteral("&&"));
  return u'&' + t;
}

// How a step ends: stored (or found already done), left as another copy has
// it (the entry goes), or given up by the user (nothing changes).
enum class TPaso { Hecho, Dejado, Cancelado };

// Another copy changed the record since this copy stored it.
TPaso PreguntarCambiada(const TFotoCita& ahora, bool deshacer, bool eliminar, QWidget* parent) {
  const QString texto = QStringLiteral("Otra copia de la agenda ha cambiado %1 desde que se guardó aquí.\r\n").arg(Nombre(ahora));
  const int r =
      eliminar ? ChooseDlg(texto + QStringLiteral("¿Desea eliminarla de todos modos?"), mtWarning,
                           {QStringLiteral("Eliminarla"), QStringLiteral("Dejarla como está")}, parent,
                           QStringLiteral("Cita cambiada en otra copia"))
               : ChooseDlg(texto + (deshacer ? QStringLiteral("¿Desea deshacer el cambio de todos modos?")
                                             : QStringLiteral("¿Desea rehacer el cambio de todos modos?")),
                           mtWarning,
                           {deshacer ? QStringLiteral("Deshacer de todos modos") : QStringLiteral("Rehacer de todos modos"),
                            QStringLiteral("Dejarla como está")},
                           parent, QStringLiteral("Cita cambiada en otra copia"));
  return r == 0 ? TPaso::Hecho : r == 1 ? TPaso::Dejado : TPaso::Cancelado;
}

// Another copy deleted the record since this copy stored it. A box closed
// without a choice stores nothing and keeps the entry.
TPaso PreguntarBorrada(const TFotoCita& destino, QWidget* parent) {
  const int r = ChooseDlg(QStringLiteral("Otra copia de la agenda ha eliminado %1 desde que se guardó aquí.\r\n"
                                         "¿Desea guardarla de nuevo?")
                              .arg(Nombre(destino)),
                          mtWarning, {QStringLiteral("Guardarla de nuevo"), QStringLiteral("Dejarla eliminada")}, parent,
                          QStringLiteral("Cita eliminada en otra copia"));
  return r == 0 ? TPaso::Hecho : r == 1 ? TPaso::Dejado : TPaso::Cancelado;
}

enum class TAccion { Ninguna, Guardar, Borrar };
constexpr int kIntentos = 10;  // decisions taken again before a step gives up

// What a step from `esperada` (the record as this copy left it; empty: none)
// to `destino` does with the table as it stands, asking the user when
// another copy got there first. `vista` is the record of the ID as the
// decision found it: the one the step may replace or delete, and no other.
struct TDecision {
  TPaso paso = TPaso::Hecho;
  TAccion accion = TAccion::Ninguna;
  std::optional<TFotoCita> vista;
  TFotoCita guardar;       // the record to store
  bool sobreAjena = false;  // an edit put over another copy's version
};

TDecision Decidir(data::Table& t, const TFotoCita& esperada, const TFotoCita& destino, int id, bool deshacer,
                  QWidget* parent) {
  TDecision d;
  d.guardar = destino;
  if (esperada.Vacia()) {
    // The record comes back. One already there as it would be stored
    // (another copy did the same) is left alone; a record of another
    // appointment that took the ID meanwhile stays, and this one is
    // stored under the next free ID.
    d.vista = TFotoCita::DeID(t, id);
    if (!d.vista || *d.vista != destino) d.accion = TAccion::Guardar;
    return d;
  }
  const TAccion hacer = destino.Vacia() ? TAccion::Borrar : TAccion::Guardar;
  TFotoCita ahora;
  switch (ComprobarCita(t, esperada, &ahora)) {
    case TEstadoCita::Igual:
      d.vista = ahora;
      d.accion = hacer;
      break;
    case TEstadoCita::Cambiada:
      d.vista = ahora;
      if (!destino.Vacia() && ahora == destino) break;  // already as the step would leave it
      d.paso = PreguntarCambiada(ahora, deshacer, destino.Vacia(), parent);
      if (d.paso != TPaso::Hecho) break;
      d.accion = hacer;
      // An edit goes back (or forth) in the fields it changed; what the
      // other copy changed in the rest stays.
      if (!destino.Vacia()) {
        d.guardar = ahora.ConCambio(esperada, destino);
        d.sobreAjena = true;
      }
      break;
    case TEstadoCita::Borrada:
      if (destino.Vacia()) {
        ShowInformation(QStringLiteral("Otra copia de la agenda ya ha eliminado %1.").arg(Nombre(esperada)), parent);
      } else {
        d.paso = PreguntarBorrada(destino, parent);
        if (d.paso == TPaso::Hecho) d.accion = TAccion::Guardar;
      }
      break;
  }
  return d;
}
}  // namespace

void TfrmAgenda::AnotarCambio(const TFotoCita& Antes, const TFotoCita& Despues, bool EnEditor) {
  const TTipoCambio tipo = EnEditor && !Antes.Vacia() && !Despues.Vacia() ? TTipoCambio::Modificar
                                                                          : TipoCambioEnVista(Antes, Despues);
  Historial.Anotar({.Tipo = tipo, .Antes = Antes, .Despues = Despues});
  ActualizarDeshacer();
}

void TfrmAgenda::GuardadoAnotado(const TGuardadoCita& Guardado, bool EnEditor) {
  if (Guardado.guardada && Guardado.ID > 0) {
    if (const auto guardada = TFotoCita::DeID(*tblAgenda, Guardado.ID)) AnotarCambio(Guardado.sobre, *guardada, EnEditor);
  }
  MostrarGuardado(Guardado);
}

void TfrmAgenda::OlvidarCambios() {
  Historial.Vaciar();
  ActualizarDeshacer();
}

void TfrmAgenda::ActualizarDeshacer() {
  acDeshacer->setText(Entrada(Historial.TextoDeshacer()));
  acDeshacer->setEnabled(Historial.PorDeshacer() > 0);
  acRehacer->setText(Entrada(Historial.TextoRehacer()));
  acRehacer->setEnabled(Historial.PorRehacer() > 0);
}

void TfrmAgenda::acDeshacerExecute() { DeshacerRehacer(true); }
void TfrmAgenda::acRehacerExecute() { DeshacerRehacer(false); }

// Undo goes from the entry's "after" back to its "before", redo the other
// way. An empty side is a record that does not exist.
void TfrmAgenda::DeshacerRehacer(bool Deshacer) {
  // A drag still running keeps its block: the step would replace it under the pointer.
  if (Arrastrando()) return;
  TerminarEdicion();  // a subject being typed is stored, and is then the change undone
  if (Deshacer ? Historial.PorDeshacer() == 0 : Historial.PorRehacer() == 0) return;
  const TCambioCita c = Deshacer ? Historial.ADeshacer() : Historial.ARehacer();
  const TFotoCita& esperada = Deshacer ? c.Despues : c.Antes;
  const TFotoCita& destino = Deshacer ? c.Antes : c.Despues;
  const int id = (esperada.Vacia() ? destino : esperada).ID();
  data::Table& t = *tblAgenda;
  bool listo = false;     // the step is in the table (stored, or nothing to store)
  TDate borradaDesde = 0, borradaHasta = 0;  // the days of a record the step deleted
  TFotoCita guardada;
  bool sobreAjena = false;
  try {
    for (int intento = 1;; ++intento) {
      // Another copy storing the record over and over would keep the step
      // going round: it gives up, and the entry stays for a later try.
      if (intento > kIntentos)
        throw data::DbError(std::string("Otra copia de la agenda está modificando la cita en este momento; ") +
                            (Deshacer ? "no se ha podido deshacer el cambio." : "no se ha podido rehacer el cambio."));
      const TDecision d = Decidir(t, esperada, destino, id, Deshacer, this);
      if (d.paso != TPaso::Hecho) {
        // Left as the other copy has it: the view shows that version now.
        if (d.paso == TPaso::Dejado) Deshacer ? Historial.DescartarADeshacer() : Historial.DescartarARehacer();
        ActualizarDeshacer();
        const auto ahora = TFotoCita::DeID(t, id);
        MostrarCitaGuardada(id, ahora ? *ahora : TFotoCita());
        return;
      }
      if (d.accion == TAccion::Ninguna) {
        if (d.vista) guardada = *d.vista;
        listo = true;
        break;
      }
      // A question keeps the event loop running (whatever reads the table
      // meanwhile moves it), and another copy may store while it is open.
      // The record is found anew and, under its lock, must still be the one
      // decided on; if not, the step is decided again on what is there now.
      const bool enSuSitio = d.vista && !esperada.Vacia();  // edited or deleted, else appended
      const auto ahora = TFotoCita::DeID(t, id);
      if (enSuSitio) {
        if (!ahora || !ahora->MismaFila(*d.vista)) continue;
        t.Edit();
        if (TFotoCita::Leer(t) != *d.vista) {
          t.Cancel();
          continue;
        }
      } else if (!esperada.Vacia() && ahora && esperada.MismaFila(*ahora)) {
        continue;  // stored again elsewhere while the user was asked
      }
      if (d.accion == TAccion::Borrar) {
        borradaDesde = t.FieldByName("FECHA_INI").AsDate();
        borradaHasta = t.FieldByName("FECHA_FIN").AsDate();
        t.Delete();
      } else {
        // The hooks announce the stored change.
        if (!enSuSitio) t.Append();
        d.guardar.Escribir(t);
        if (!t.Post()) {
          t.Cancel();
          return;
        }
        guardada = TFotoCita::Leer(t);
        sobreAjena = d.sobreAjena;
      }
      listo = true;
      t.FlushBuffers();
      break;
    }
  } catch (const std::exception& e) {
    if (t.State() == data::TableState::Edit || t.State() == data::TableState::Insert) t.Cancel();
    ShowError(e, this);
  }
  // Once the record is stored or deleted, the entry goes over and the view
  // shows it, whatever failed after.
  if (!listo) return;
  if (borradaDesde > 0) AvisarCambio(borradaDesde, borradaHasta);
  if (sobreAjena)
    Deshacer ? Historial.DeshechoSobreAjena(guardada) : Historial.RehechoSobreAjena(guardada);
  else
    Deshacer ? Historial.Deshecho(guardada) : Historial.Rehecho(guardada);
  ActualizarDeshacer();
  MostrarCitaGuardada(id, guardada);
}

// The view after a step: the block of the record as stored now, selected and
// scrolled into view (its days shown first when they are not), or no block
// when the record is gone. The table is on the stored record. A record
// stored anew under another ID leaves the block of the old ID alone: that
// is the appointment of another copy that took it.
void TfrmAgenda::MostrarCitaGuardada(int ID, const TFotoCita& Guardada) {
  TRBTimeViewItems* items = TimeView->Items();
  if (Guardada.Vacia() || Guardada.ID() != ID) {
    // The ID may be another appointment's by now: its block shows that one
    // as stored, and goes only when no record has the ID.
    if (TRBTimeViewItem* viejo = ItemDeID(ID)) {
      if (TFotoCita::DeID(*tblAgenda, ID))
        ActualizarItem(viejo);
      else
        items->Delete(viejo);
    }
    if (Guardada.Vacia()) {
      RefrescarMarcas();
      return;
    }
    TFotoCita::DeID(*tblAgenda, Guardada.ID());  // back on the stored record
  }
  TRBTimeViewItem* item = ItemDeID(Guardada.ID());
  if (!item) item = items->Add(QString(), false, Guardada.Desde(), Guardada.Desde() + dt::OneMinute);
  ActualizarItem(item);
  const TDate dia = dt::DateOf(item->StartTime());
  const TDate primero = TimeView->Date();
  const int dias = TimeView->DaysCount();
  if (dia < primero || dia >= primero + dias) {
    // As many days as shown, moved by whole such spans: a week stays a week
    // from Monday, a day a day.
    const int saltos = static_cast<int>(std::floor((dia - primero) / dias));
    TDate desde = primero + saltos * dias;
    TDate hasta = desde + dias - 1;
    if (dias >= 28 && dt::DayOf(primero) == 1) {  // a month stays the month
      desde = dt::StartOfTheMonth(dia);
      hasta = dt::EndOfTheMonth(dia);
    }
    Calendar->ClearSelections();
    Calendar->SelectRange(desde, hasta);
    Calendar->ShowMonthOf(desde);
    item = ItemDeID(Guardada.ID());
  }
  RefrescarMarcas();
  if (!item) return;
  TimeView->SetSelectedItem(item);
  const int n = static_cast<int>(dt::DateOf(item->StartTime()) - TimeView->Date());
  if (n >= 0 && n < TimeView->DaysCount()) TimeView->MakeItemVisible(item, TimeView->Days(n));
}
