// The appointment commands of the main window: new, edit, delete, search,
// and storing what the user does to a block in the time view.
#include <QApplication>
#include <QKeyEvent>

#include "app/FotoCita.h"
#include "app/UAgendaUtil.h"
#include "app/UCategoriaClass.h"
#include "app/UMainAgenda.h"
#include "calendar/RBCalendar.h"
#include "core/Clock.h"
#include "core/DateFormat.h"
#include "core/Messages.h"
#include "data/Table.h"
#include "reports/UListaAgenda.h"
#include "timeview/RBTimeView.h"

namespace {
QString Hora(TDateTime t) { return HoraTexto(t); }
}  // namespace

void TextoIntervalo(TDateTime Desde, TDateTime Hasta, QString& Hint, int& HintWidth) {
  // Whole minutes, so a day is never shown as 23:59 through rounding.
  const double t = std::round((Hasta - Desde) * dt::MinsPerDay) / dt::MinsPerDay;
  HintWidth = 80;
  QString a = Hora(Desde), b = Hora(Hasta), d = FormatDateTime(QStringLiteral("hh:nn"), t);
  if (dt::DateOf(Desde) != dt::DateOf(Hasta)) {
    HintWidth = 180;
    a = FormatDateTime(QStringLiteral("dd/mm/yyyy hh:nn"), Desde);
    b = FormatDateTime(QStringLiteral("dd/mm/yyyy hh:nn"), Hasta);
    if (t >= 1) {
      const int n = static_cast<int>(std::trunc(t));
      d = (n == 1 ? QStringLiteral("1 día") : QString::number(n) + QStringLiteral(" días")) + u' ' +
          FormatDateTime(QStringLiteral("hh:nn"), t - n);
    }
  }
  Hint = QStringLiteral("desde ") + a + QStringLiteral("\r\nhasta ") + b + QStringLiteral("\r\n") + d +
         QStringLiteral(" horas");
}

void TfrmAgenda::TerminarEdicion() {
  if (TimeView && TimeView->EditingItem()) TimeView->EndEdit(true);
}

void TfrmAgenda::acNewExecute() {
  // What is being typed in place is stored first, and the new appointment
  // does not start from the block still open under the editor.
  TerminarEdicion();
  try {
    data::Table& t = *tblAgenda;
    const int id = NuevoID(t);
    TDateTime inicio, fin;
    if (TRBTimeViewItem* sel = TimeView->SelectedItem()) {
      inicio = sel->StartTime();
      fin = sel->EndTime();
    } else if (TimeView->TimeSelectionStart() >= 0) {
      inicio = TimeView->TimeSelectionStart();
      fin = TimeView->TimeSelectionEnd();
    } else {
      inicio = Clock::Now();
      fin = inicio + 30 / dt::MinsPerDay;
    }
    t.SetIndexName("ID");
    t.Append();
    t.FieldByName("ID").SetAsInteger(id);
    t.FieldByName("FECHA_INI").SetAsDate(inicio);
    t.FieldByName("FECHA_FIN").SetAsDate(fin);
    t.FieldByName("HORA_INI").SetAsString(Hora(inicio).toStdString());
    t.FieldByName("HORA_FIN").SetAsString(Hora(fin).toStdString());
    t.FieldByName("ASUNTO").SetAsString("");
    t.FieldByName("LUGAR").SetAsString("");
    t.FieldByName("NOTAS").SetAsString("");
    t.FieldByName("AVISO").SetAsInteger(1);
    t.FieldByName("TIPO").SetAsInteger(0);
    if (!EditarCita(nullptr)) return;
    // The item takes the stored record's values, its ID among them.
    TRBTimeViewItem* item = TimeView->Items()->Add(QString(), false, inicio, inicio + dt::OneMinute);
    ActualizarItem(item);
    RefrescarMarcas();
  } catch (const std::exception& e) {
    if (tblAgenda->State() == data::TableState::Insert) tblAgenda->Cancel();
    ShowError(e, this);
  }
}

void TfrmAgenda::acEditExecute() {
  TerminarEdicion();
  if (TRBTimeViewItem* sel = TimeView->SelectedItem()) {
    EditarCita(sel);
    RefrescarMarcas();
  } else if (TimeView->TimeSelectionStart() > 0 && TimeView->TimeSelectionEnd() > 0) {
    acNewExecute();
  }
}

bool TfrmAgenda::EditarCita(TRBTimeViewItem* Item) {
  try {
    data::Table& t = *tblAgenda;
    if (Item) {
      // An in-place edit still open is ended and stored now, before the
      // dialog: what the user typed is kept (a new item gets its record and
      // ID here), and no late notice of that editor can overwrite the
      // dialog's result afterwards, as the editor is gone.
      TerminarEdicion();
      t.SetIndexName("ID");
      if (!t.FindKey(Item->ItemID())) return false;
    }
    const TFotoCita antes = Item ? TFotoCita::Leer(t) : TFotoCita();
    TVigiaEdicion vigia(t, Item != nullptr);
    if (!EditCitaFn || !EditCitaFn(t)) {
      if (vigia.Retenida()) GuardadoAnotado(vigia.Resolver(leidas_, this), true);
      return false;
    }
    AnotarCambio(antes, TFotoCita::Leer(t), true);
    if (!Item) return true;
    ActualizarItem(Item);
    return true;
  } catch (const std::exception& e) {
    if (Item) RecargarVista();  // what a store that failed after a question left
    ShowError(e, this);
    return false;
  }
}

void TfrmAgenda::acDelExecute() {
  TRBTimeViewItem* sel = TimeView->SelectedItem();
  if (!sel) return;
  if (MessageDlg(QStringLiteral("¿Eliminar cita seleccionada?"), mtConfirmation, mbYes | mbNo, this) != mrYes) return;
  // A record already deleted elsewhere was announced by that copy: the block
  // goes, and nothing is announced again. One changed elsewhere since it was
  // shown goes only when the user says so.
  TBorradoCita b;
  try {
    b = leidas_.Borrar(*tblAgenda, sel->ItemID(), this);
    if (b.borrada) AnotarCambio(b.cita, TFotoCita());
  } catch (const std::exception& e) {
    ShowError(e, this);
    return;
  }
  if (b.conservada) {
    CargarCitas(b.desde, b.hasta + 1);  // its new version, wherever it went
    return;
  }
  TimeView->Items()->Delete(sel);
  if (!b.borrada) {
    // Gone elsewhere already, its number perhaps taken since by another
    // appointment: the view as the table has it.
    RecargarVista();
    return;
  }
  RefrescarMarcas();
  AvisarCambio(b.desde, b.hasta);
}

void TfrmAgenda::acFindExecute() {
  if (!FindCitaFn) return;
  try {
    TDate d = -1;
    int n = -1;
    // OK without a chosen appointment (ID -1) leaves the view as it was.
    if (!FindCitaFn(d, n) || n < 1 || d <= 0) return;
    Calendar->ClearSelections();
    Calendar->SelectRange(d, d);
    Calendar->ShowMonthOf(d);
    CargarCitas(d, d);
    if (TRBTimeViewItem* it = ItemDeID(n)) TimeView->SetSelectedItem(it);
  } catch (const std::exception& e) {
    ShowError(e, this);
  }
}

void TfrmAgenda::acPrintExecute() {
  // The dialog shows its own errors.
  TRBTimeViewItem* sel = TimeView->SelectedItem();
  ImprimirAgenda(this, Calendar->SelectionStart(), Calendar->SelectionEnd(), sel ? sel->ItemID() : -1,
                 sel ? sel->StartTime() : TimeView->TimeSelectionStart());
}

// The one place where what the user does to a block reaches the table.
// A block that ends as its record was read or already is (a press on an
// edge without a move, an edit that kept the text) stores nothing and
// announces nothing. A change over a record another copy changed or deleted
// since it was read asks first.
void TfrmAgenda::GuardarItem(TRBTimeViewItem* Item) {
  data::Table& t = *tblAgenda;
  try {
    t.SetIndexName("ID");
    const std::string horaIni = Hora(Item->StartTime()).toStdString();
    const std::string horaFin = Hora(Item->EndTime()).toStdString();
    const std::string asunto = Item->Text().toStdString();
    const auto escribir = [&](data::Table& t) {
      t.FieldByName("FECHA_INI").SetAsDate(Item->StartTime());
      t.FieldByName("FECHA_FIN").SetAsDate(Item->EndTime());
      t.FieldByName("HORA_INI").SetAsString(horaIni);
      t.FieldByName("HORA_FIN").SetAsString(horaFin);
      t.FieldByName("ASUNTO").SetAsString(asunto);
    };
    const auto comoItem = [&](const TFotoCita& f) {
      return f.Desde() == dt::DateOf(Item->StartTime()) && f.Hasta() == dt::DateOf(Item->EndTime()) &&
             f.Campo("HORA_INI") == horaIni && f.Campo("HORA_FIN") == horaFin && f.Campo("ASUNTO") == asunto;
    };
    if (Item->ItemID() > 0) {
      const std::optional<TFotoCita> leida = leidas_.De(t, Item->ItemID());
      if ((leida && comoItem(*leida)) || (t.FindKey(Item->ItemID()) && comoItem(TFotoCita::Leer(t)))) return;
      GuardadoAnotado(leidas_.Guardar(t, Item->ItemID(), escribir, this), false);
      return;
    } else {
      Item->SetItemID(NuevoID(t));
      t.Append();
      t.FieldByName("ID").SetAsInteger(Item->ItemID());
      t.FieldByName("LUGAR").SetAsString("");
      t.FieldByName("NOTAS").SetAsString("");
      t.FieldByName("AVISO").SetAsInteger(1);
      t.FieldByName("TIPO").SetAsInteger(0);
    }
    escribir(t);
    if (!t.Post()) {
      t.Cancel();
      return;
    }
    t.FlushBuffers();
    // The ID actually stored, which another copy's new record may have moved on.
    Item->SetItemID(static_cast<int>(t.FieldByName("ID").AsInteger()));
    leidas_.Recordar(t);
    AnotarCambio(TFotoCita(), TFotoCita::Leer(t));
  } catch (const std::exception& e) {
    if (t.State() == data::TableState::Edit || t.State() == data::TableState::Insert) t.Cancel();
    RecargarVista();  // the block back as stored: the store did not happen
    ShowError(e, this);
  }
}

void TfrmAgenda::TimeViewKeyDown(int& Key, Qt::KeyboardModifiers) {
  switch (Key) {
    case Qt::Key_Return:
    case Qt::Key_Enter: acEditExecute(); break;
    case Qt::Key_Insert: acNewExecute(); break;
    case Qt::Key_F5: tmrRefreshTimer(); break;
    default: return;
  }
  Key = 0;
}

void TfrmAgenda::TimeViewDragged(TRBTimeViewItem* Item, int Mode) {
  if (Mode != dmEnd) return;
  GuardarItem(Item);
  RefrescarMarcas();
}

void TfrmAgenda::TimeViewCreatedOnType(TRBTimeViewItem* Item) {
  Item->SetItemID(-1);
  Item->SetColor(ColorCategoria(0));
  Item->SetReminder(true);
}

// An empty text stores nothing: a block typed in place goes away, and an
// appointment keeps the subject it has.
void TfrmAgenda::TimeViewEditedItem(TRBTimeViewItem* Item, QString& NewText) {
  if (NewText.trimmed().isEmpty()) {
    if (Item->ItemID() > 0) {
      NewText = Item->Text();
    } else {
      TimeView->Items()->Delete(Item);
      RefrescarMarcas();
    }
    return;
  }
  Item->SetText(NewText);
  GuardarItem(Item);
  // What the table holds after a question (the other copy's text, say).
  if (TimeView->Items()->IndexOf(Item) >= 0) NewText = Item->Text();
  RefrescarMarcas();
}
