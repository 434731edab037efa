// Loading appointments into the time view and keeping the calendar and the
// time view in step: navigation, time scale, periodic refresh, panel sizes.
#include <QApplication>
#include <QAction>
#include <QEvent>
#include <QFrame>
#include <QHash>
#include <QMenu>
#include <QPainter>
#include <QSplitter>
#include <QTimer>
#include <algorithm>

#include "app/UAgendaUtil.h"
#include "app/UCategoriaClass.h"
#include "app/UConfigAgenda.h"
#include "app/UMainAgenda.h"
#include "calendar/RBCalendar.h"
#include "core/Clock.h"
#include "core/Messages.h"
#include "data/Table.h"
#include "timeview/RBTimeView.h"

TDateTime RedondearMediaHora(TDateTime Momento) {
  if (Momento == -1) Momento = Clock::Now();
  int h, m, s, ms;
  dt::DecodeTime(Momento, h, m, s, ms);
  if (m <= 15) {
    m = 0;
  } else if (m <= 45) {
    m = 30;
  } else {
    m = 0;
    h = (h + 1) % 24;  // 23:46 wraps to 00:00 of the same date
  }
  return dt::DateOf(Momento) + dt::EncodeTime(h, m);
}

TRBTimeViewItem* TfrmAgenda::ItemDeID(int ID) const {
  TRBTimeViewItems* items = TimeView->Items();
  for (int i = 0; i < items->Count(); ++i)
    if (items->Items(i)->ItemID() == ID) return items->Items(i);
  return nullptr;
}

namespace {
// The fields an item shows, looked up by name once per load rather than
// once per record.
struct CamposCita {
  explicit CamposCita(data::Table& t)
      : id(t.FieldByName("ID")), fechaIni(t.FieldByName("FECHA_INI")), fechaFin(t.FieldByName("FECHA_FIN")),
        horaIni(t.FieldByName("HORA_INI")), horaFin(t.FieldByName("HORA_FIN")), asunto(t.FieldByName("ASUNTO")),
        aviso(t.FieldByName("AVISO")), tipo(t.FieldByName("TIPO")) {}
  TDateTime Inicio() const { return FechaHora(fechaIni.AsDate(), QString::fromStdString(horaIni.AsString())); }
  TDateTime Fin() const { return FechaHora(fechaFin.AsDate(), QString::fromStdString(horaFin.AsString())); }
  data::Field id, fechaIni, fechaFin, horaIni, horaFin, asunto, aviso, tipo;
};

void Rellenar(TRBTimeViewItem* Item, const CamposCita& c, TDateTime inicio, TDateTime fin) {
  // An item refuses a start that is not before its end: setting the start
  // again takes effect when the appointment moved past its old end.
  Item->SetStartTime(inicio);
  Item->SetEndTime(fin);
  Item->SetStartTime(inicio);
  Item->SetAllDay(false);  // an appointment always has its hours
  Item->SetItemID(static_cast<int>(c.id.AsInteger()));
  Item->SetText(QString::fromStdString(c.asunto.AsString()));
  Item->SetReminder(c.aviso.AsInteger() > 0);
  Item->SetColor(ColorCategoria(static_cast<int>(c.tipo.AsInteger())));
}
}  // namespace

void TfrmAgenda::ActualizarItem(TRBTimeViewItem* Item) {
  const CamposCita c(*tblAgenda);
  Rellenar(Item, c, c.Inicio(), c.Fin());
  leidas_.Recordar(*tblAgenda);
}

// The reminders window stores what it postpones through a table of its
// own: the view takes it at once, or the next store over such an
// appointment would take it for another copy's change. A check that showed
// nothing stored nothing, and the view just read stands.
void TfrmAgenda::ComprobarAvisosYRecargar() {
  if (!ConfigAgenda.ShowReminder || !ComprobarAvisosFn) return;
  if (ComprobarAvisosFn()) RecargarVista();
}

void TfrmAgenda::RecargarVista() { CargarCitas(Calendar->StartDay(), Calendar->EndDay()); }

void TfrmAgenda::MostrarGuardado(const TGuardadoCita& Guardado) {
  // The reload takes whole days: an item ending during the last one is not
  // one of those it replaces.
  if (Guardado.preguntada && Guardado.desde > 0) CargarCitas(Guardado.desde, Guardado.hasta + 1);
}

void TfrmAgenda::CargarCitas(TDate Desde, TDate Hasta) {
  if (!tblAgenda->Active()) return;
  TerminarEdicion();  // the block being typed into would go with the reload
  TRBTimeViewItems* items = TimeView->Items();
  items->BeginUpdate();
  try {
    // The first item of each ID, as ItemDeID finds it, but in constant time:
    // a refresh meets thousands of records and as many items. Made at the
    // first record, so an empty day costs nothing; a batch of day loads
    // keeps one for all its days.
    QHash<int, TRBTimeViewItem*> propio;
    bool propioHecho = false;
    QHash<int, TRBTimeViewItem*>& porID = lote_ > 0 ? porIDLote_ : propio;
    bool& indexado = lote_ > 0 ? porIDLoteHecho_ : propioHecho;
    // Items ending during the last day are kept here and refreshed below.
    for (int i = items->Count() - 1; i >= 0; --i) {
      TRBTimeViewItem* it = items->Items(i);
      if (it->StartTime() >= Desde && it->EndTime() <= Hasta) {
        if (indexado && porID.value(it->ItemID()) == it) {
          porID.clear();  // another item of that ID may stand behind it: made anew
          indexado = false;
        }
        items->Delete(it);
      }
    }
    data::Table& t = *tblAgenda;
    t.SetIndexName("FECHA_INI");
    const CamposCita c(t);
    for (t.FindNearest(Desde); !t.Eof(); t.Next()) {
      const TDate dia = c.fechaIni.AsDate();
      if (dia < Desde || dia > Hasta) break;
      const int id = static_cast<int>(c.id.AsInteger());
      if (!indexado) {
        porID.reserve(items->Count() + 64);
        for (int i = items->Count() - 1; i >= 0; --i) porID.insert(items->Items(i)->ItemID(), items->Items(i));
        indexado = true;
      }
      const TDateTime inicio = c.Inicio(), fin = c.Fin();
      TRBTimeViewItem* it = porID.value(id, nullptr);
      if (!it) {
        if (fin <= inicio) continue;  // a stored end before its start cannot be shown
        it = items->Add(QString(), false, inicio, fin);
        porID.insert(id, it);
      }
      Rellenar(it, c, inicio, fin);
      leidas_.Recordar(t, id);
    }
  } catch (const std::exception& e) {
    items->EndUpdate();
    ShowError(QStringLiteral("Error cargando citas.\r\n") + QString::fromStdString(e.what()), this);
    return;
  }
  items->EndUpdate();
  // Appointments no longer shown are forgotten once they outnumber the
  // shown ones, so that browsing a large agenda does not keep it all.
  if (leidas_.Cuantas() > 2 * items->Count() + 256) {
    QSet<int> mostradas;
    for (int i = 0; i < items->Count(); ++i) mostradas.insert(items->Items(i)->ItemID());
    leidas_.ConservarSolo(mostradas);
  }
  RefrescarMarcas();
}

// The marks of all shown days from one pass over the items: asking the time
// view day by day would go over every item once for each of the ninety-odd
// shown days. The calendar asks CalendarMark during RefreshMarks only.
void TfrmAgenda::RefrescarMarcas() {
  if (lote_ > 0) {
    marcasPendientes_ = true;  // the batch refreshes them once at its end
    return;
  }
  marcas_.clear();
  const TDate desde = Calendar->StartDay(), hasta = Calendar->EndDay();
  TRBTimeViewItems* items = TimeView->Items();
  for (int i = 0; i < items->Count(); ++i) {
    const TRBTimeViewItem* it = items->Items(i);
    if (it->AllDay()) continue;
    const TDate ultimo = std::min(hasta, dt::DateOf(it->EndTime()));
    for (TDate d = std::max(desde, dt::DateOf(it->StartTime())); d <= ultimo; ++d)
      if (it->OverlapsDay(d)) marcas_.insert(static_cast<int>(d));
  }
  marcasValidas_ = true;
  Calendar->RefreshMarks();
  marcasValidas_ = false;
}

void TfrmAgenda::AplicarHorario(TRBTimeviewDay* Dia) {
  // A day refuses a start of work that is not before its end of work, so the
  // start is set again after the end.
  Dia->SetStartWork(ConfigAgenda.BeginWorkTime);
  Dia->SetEndWork(ConfigAgenda.EndWorkTime);
  Dia->SetStartWork(ConfigAgenda.BeginWorkTime);
  const TConfigAgenda& c = ConfigAgenda;
  const bool laborables[7] = {c.WorkLun, c.WorkMar, c.WorkMie, c.WorkJue, c.WorkVie, c.WorkSab, c.WorkDom};
  Dia->SetWorkingDay(laborables[dt::DayOfTheWeek(Dia->Date()) - 1]);
}

void TfrmAgenda::TimeViewNewDay(TRBTimeviewDay* Dia) {
  CargarCitas(Dia->Date(), Dia->Date());
  AplicarHorario(Dia);
}

void TfrmAgenda::CalendarSelectionChange() {
  const TDateTime t = RedondearMediaHora(dt::DateOf(Calendar->SelectionStart()) + dt::TimeOf(Clock::Now()));
  // Up to 31 new days each load their appointments: one layout and one
  // refresh of the marks for them all.
  ++lote_;
  TimeView->Items()->BeginUpdate();
  try {
    TimeView->SetDays(Calendar->SelectionCount(), Calendar->SelectionStart());
  } catch (...) {
    TimeView->Items()->EndUpdate();
    --lote_;
    porIDLote_.clear();
    porIDLoteHecho_ = false;
    throw;
  }
  TimeView->Items()->EndUpdate();
  --lote_;
  porIDLote_.clear();
  porIDLoteHecho_ = false;
  if (marcasPendientes_) {
    marcasPendientes_ = false;
    RefrescarMarcas();
  }
  TimeView->SetTimeSelectionStart(t);
  TimeView->SetTimeSelectionEnd(t + 30 / dt::MinsPerDay);
}

// Start-up loads the finally shown range once itself, so the months the
// calendar passes through while start-up sets it are not loaded.
void TfrmAgenda::CalendarDatesChanged(TDate NewStartDay, TDate NewEndDay) {
  if (isVisible() && arrancado_) CargarCitas(NewStartDay, NewEndDay);
}

void TfrmAgenda::CalendarMark(TDate Day, bool& Mark) {
  if (marcasValidas_) Mark = marcas_.contains(static_cast<int>(Day));
  else if (TimeView) Mark = TimeView->HasItemsOn(Day);
}

void TfrmAgenda::CalendarCellDraw(TDate Day, bool Selected, bool Marked, QPainter* Canvas, const QRect& Rect) {
  if (Selected) {
    Canvas->fillRect(Rect, Canvas->brush());
  } else if (Marked) {
    QFont f = Canvas->font();
    f.setBold(false);
    Canvas->setFont(f);
    Canvas->setBrush(ToQColor(ConfigAgenda.MarkDayColor));
    Canvas->fillRect(Rect, Canvas->brush());
  }
  Canvas->fillRect(Rect, Canvas->brush());
  const QString text = QString::number(dt::DayOf(Day));
  const QFontMetrics fm(Canvas->font());
  const int left = Rect.left() + Rect.width() / 2 - fm.horizontalAdvance(text) / 2;
  const int top = Rect.top() + Rect.height() / 2 - fm.height() / 2;
  Canvas->drawText(QPoint(left, top + fm.ascent()), text);
}

// The day the week and month commands start from: the selected item's start,
// else the time selection's, else (right after the selected item was deleted
// there is neither) today rather than a day of 1899.
TDate TfrmAgenda::BaseVista() const {
  if (TRBTimeViewItem* sel = TimeView->SelectedItem()) return dt::DateOf(sel->StartTime());
  if (TimeView->TimeSelectionStart() >= 0) return dt::DateOf(TimeView->TimeSelectionStart());
  return Clock::Today();
}

void TfrmAgenda::acTodayExecute() {
  const TDate today = Clock::Today();
  Calendar->ClearSelections();
  Calendar->SelectRange(today, today);
  Calendar->ShowMonthOf(today);
}

void TfrmAgenda::acVerSemanaExecute() {
  const TDate base = BaseVista();
  const TDate monday = base - (dt::DayOfTheWeek(base) - 1);
  Calendar->ClearSelections();
  Calendar->SelectRange(monday, monday + 6);
  Calendar->ShowMonthOf(monday);
}

void TfrmAgenda::acVerMesExecute() {
  const TDate base = BaseVista();
  const TDate first = dt::StartOfTheMonth(base);
  Calendar->ClearSelections();
  Calendar->SelectRange(first, dt::EndOfTheMonth(base));
  Calendar->ShowMonthOf(first);
}

void TfrmAgenda::acYearExecute() {
  const TDate d = AnnualViewFn ? AnnualViewFn() : 0;
  if (d <= 0) return;
  Calendar->ClearSelections();
  Calendar->SelectRange(d, d);
  Calendar->ShowMonthOf(d);
}

void TfrmAgenda::MarcarEscala(int escala) {
  const TRBTVRulerMarkMinutes valores[3] = {rmm60Minutes, rmm30Minutes, rmm15Minutes};
  TimeView->SetRulerMarkMinutes(valores[escala]);
  QAction* const ver[3] = {Unahora1, Mediahora1, N15minutos1};
  QAction* const pop[3] = {Unahora2, Mediahora2, N15minutos2};
  for (int i = 0; i < 3; ++i) {
    ver[i]->setChecked(i == escala);
    pop[i]->setChecked(i == escala);
  }
}

void TfrmAgenda::Unahora1Click() { MarcarEscala(0); }
void TfrmAgenda::Mediahora1Click() { MarcarEscala(1); }
void TfrmAgenda::N15minutos1Click() { MarcarEscala(2); }

// The user is typing in place: a reload waits for the edit to end rather
// than closing the editor under the keys still coming. It waits for a box or
// dialog too: the command that opened it may hold a block the reload would
// free ("¿Eliminar cita seleccionada?").
bool TfrmAgenda::VistaOcupada() const {
  return TimeView->EditingItem() || QApplication::activeModalWidget() || Arrastrando();
}

// A drag running in the view is left to end (or be cancelled) first: the
// reload would replace the block under the pointer.
bool TfrmAgenda::Arrastrando() const {
  return TimeView->Operation() != TRBTimeView::opNone || TRBTimeView::ItemDragObject();
}

void TfrmAgenda::tmrRefreshTick() {
  if (VistaOcupada()) {
    tmrRefreshPending->start();
    return;
  }
  tmrRefreshTimer();
}

// An edit in place is stored first.
void TfrmAgenda::tmrRefreshTimer() {
  if (Arrastrando()) {
    tmrRefreshPending->start();
    return;
  }
  tmrRefreshPending->stop();
  TerminarEdicion();
  ReabrirAgendaSustituida();
  MostrarEstado(QStringLiteral("Actualizando datos ..."));
  tmrRefresh->stop();
  CargarCitas(Calendar->StartDay(), Calendar->EndDay());
  try {
    if (Categorias) Categorias->Cargar();
  } catch (const std::exception& e) {
    ShowError(QStringLiteral("No se pudieron leer las categorías.\r\n") + QString::fromStdString(e.what()), this);
  }
  MostrarEstado(QString());
  ComprobarAvisosYRecargar();
  tmrRefresh->start();
}

void TfrmAgenda::splHorCanResize(int& NewSize, bool& Accept) {
  const int w = Calendar->MonthWidth();
  const int months = w > 0 ? qMax(1, (NewSize + w / 2) / w) : 1;
  Calendar->SetMonthsInWidth(months);
  NewSize = months * w + 4;
  Accept = true;
}

void TfrmAgenda::pnlCalendarResize() {
  const int h = Calendar->MonthHeight();
  if (h > 0) Calendar->SetMonthsInHeight(qMax(1, pnlCalendar->contentsRect().height() / h));
}

bool TfrmAgenda::eventFilter(QObject* watched, QEvent* event) {
  if (watched == pnlCalendar && event->type() == QEvent::Resize) pnlCalendarResize();
  return QMainWindow::eventFilter(watched, event);
}

void TfrmAgenda::ConectarEventos() {
  TimeView->OnNewDay = [this](TRBTimeView*, TRBTimeviewDay* d) { TimeViewNewDay(d); };
  TimeView->OnMouseWheelDown = [this](TRBTimeView*, Qt::KeyboardModifiers, QPoint, bool& handled) {
    TimeView->SetVScrollPosition(TimeView->VScrollPosition() + 10);
    handled = true;
  };
  TimeView->OnMouseWheelUp = [this](TRBTimeView*, Qt::KeyboardModifiers, QPoint, bool& handled) {
    TimeView->SetVScrollPosition(TimeView->VScrollPosition() - 10);
    handled = true;
  };
  TimeView->OnKeyDown = [this](TRBTimeView*, int& key, Qt::KeyboardModifiers shift) { TimeViewKeyDown(key, shift); };
  TimeView->OnItemDblClick = [this](TRBTimeView*, TRBTimeViewItem*) { acEditExecute(); };
  TimeView->OnDblClick = [this](TRBTimeView*) { acNewExecute(); };
  const auto dragged = [this](TRBTimeView*, TRBTimeViewItem* item, TRBTVDragMode mode) {
    TimeViewDragged(item, mode);
  };
  TimeView->OnDragItemStart = dragged;
  TimeView->OnDragItemEnd = dragged;
  TimeView->OnDragItem = dragged;
  // An appointment always has its hours, and the table keeps no all-day
  // flag: a block moved above the first row stays a timed block at the top
  // of the day, as it is stored.
  TimeView->OnDragItemToAllDay = [](TRBTimeView*, TRBTimeViewItem*, bool& CanDrag) { CanDrag = false; };
  TimeView->OnCreatedOnType = [this](TRBTimeView*, TRBTimeViewItem* item) { TimeViewCreatedOnType(item); };
  TimeView->OnEditedItem = [this](TRBTimeView*, TRBTimeViewItem* item, QString& text) {
    TimeViewEditedItem(item, text);
  };
  TimeView->OnSelectionHint = [](TRBTimeView*, TDateTime a, TDateTime b, QString& hint, int& width) {
    TextoIntervalo(a, b, hint, width);
  };
  const auto itemHint = [](TRBTimeView*, TRBTimeViewItem*, TDateTime a, TDateTime b, QString& hint, int& width) {
    TextoIntervalo(a, b, hint, width);
  };
  TimeView->OnItemStartDragHint = itemHint;
  TimeView->OnItemEndDragHint = itemHint;
  TimeView->OnItemDragHint = itemHint;
  TimeView->SetPopupMenu(popTimeView);

  Calendar->OnSelectionChange = [this](TRBCalendar*) { CalendarSelectionChange(); };
  Calendar->OnDatesChanged = [this](TRBCalendar*, TDate a, TDate b) { CalendarDatesChanged(a, b); };
  Calendar->OnCellDraw = [this](TRBCalendar*, TDate day, bool sel, bool marked, bool, QPainter* canvas,
                                const QRect& rect) { CalendarCellDraw(day, sel, marked, canvas, rect); };
  Calendar->SetOnMark([this](TRBCalendar*, TDate day, bool& mark) { CalendarMark(day, mark); });

  connect(splHor, &QSplitter::splitterMoved, this, [this](int, int) {
    int size = pnlCalendar->width();
    bool accept = true;
    splHorCanResize(size, accept);
    if (accept && size != pnlCalendar->width()) {
      const int total = splHor->sizes().value(0) + splHor->sizes().value(1);
      splHor->setSizes({total - size, size});
    }
  });
  pnlCalendar->installEventFilter(this);
}
