#pragma once
// The main window: lives from the program's start to its end. It owns the
// appointments table, the time view, the calendar, the change notices and
// the timers. Its code is split by job:
//   UMainAgenda.cpp          construction, layout, start-up and closing
//   UMainAgendaAcciones.cpp  actions, toolbar and menus
//   UMainAgendaVista.cpp     loading the view, navigation, time scale, refresh
//   UMainAgendaCitas.cpp     appointment commands, drags, typing, hints
//   UMainAgendaDeshacer.cpp  undo and redo of stored changes
//   UMainAgendaAvisos.cpp    change notices
//   UMainAgendaVigia.cpp     other copies' changes: notices heard, files watched
//   UMainAgendaIcal.cpp      iCalendar import and export

#include <QMainWindow>
#include <QHash>
#include <QSet>
#include <QStringList>
#include <functional>
#include <memory>

#include "app/CitasLeidas.h"
#include "app/HistorialCitas.h"
#include "app/AvisosOidos.h"
#include "core/DateTime.h"
#include "maintenance/MainWindowLink.h"

namespace data {
class Table;
}
class QAction;
class QFrame;
class QLabel;
class QMenu;
class QSplitter;
class QStatusBar;
class QTimer;
class QToolBar;
class QToolButton;
class TALMailSlot;
class NoticeQueue;
class TfrmSplash;
class TRBCalendar;
class TRBImageList;
class TRBTimeView;
class TRBTimeViewItem;
class TRBTimeviewDay;
class VigiaTablas;

class TfrmAgenda : public QMainWindow {
  Q_OBJECT
 public:
  explicit TfrmAgenda(QWidget* parent = nullptr);
  ~TfrmAgenda() override;

  // ---- Life cycle ----
  void FormCreate();
  void FormShow();
  void FormClose();
  void tmrAvisosTimer();
  void tmrMaximizeTimer();
  void Cerrar1Click();
  void Ayuda2Click();
  bool ComprobarTablas(const QString& Carpeta);
  void MostrarDirDatos();
  void MostrarEstado(const QString& Texto);

  // ---- View loading and navigation ----
  void CargarCitas(TDate Desde, TDate Hasta);
  void AplicarHorario(TRBTimeviewDay* Dia);
  void TimeViewNewDay(TRBTimeviewDay* Dia);
  void CalendarSelectionChange();
  void CalendarDatesChanged(TDate NewStartDay, TDate NewEndDay);
  void CalendarMark(TDate Day, bool& Mark);
  void CalendarCellDraw(TDate Day, bool Selected, bool Marked, QPainter* Canvas, const QRect& Rect);
  void acTodayExecute();
  void acVerSemanaExecute();
  void acVerMesExecute();
  void acYearExecute();
  void Unahora1Click();
  void Mediahora1Click();
  void N15minutos1Click();
  void tmrRefreshTimer();
  // The periodic refresh's tick: during a drag or an edit in place the
  // refresh waits for it to end.
  void tmrRefreshTick();
  void splHorCanResize(int& NewSize, bool& Accept);
  void pnlCalendarResize();

  // ---- Appointment commands ----
  void acNewExecute();
  void acEditExecute();
  void acDelExecute();
  void acFindExecute();
  void acPrintExecute();
  void acReindexExecute();
  void acConfigExecute();
  void Copiar1Click();
  void Restaurar1Click();
  void Acercade1Click();
  void acImportarIcalExecute();
  void acExportarIcalExecute();
  bool EditarCita(TRBTimeViewItem* Item);
  void GuardarItem(TRBTimeViewItem* Item);
  // Stores an in-place edit still open, as Enter would, before anything
  // replaces or reloads what the user is typing into.
  void TerminarEdicion();
  void TimeViewKeyDown(int& Key, Qt::KeyboardModifiers Shift);
  void TimeViewDragged(TRBTimeViewItem* Item, int Mode);
  void TimeViewCreatedOnType(TRBTimeViewItem* Item);
  void TimeViewEditedItem(TRBTimeViewItem* Item, QString& NewText);

  // ---- Undo and redo (UMainAgendaDeshacer.cpp) ----
  void acDeshacerExecute();
  void acRehacerExecute();
  // Keeps a stored change for undo: the record before (empty: created) and
  // after (empty: deleted). EnEditor: made in the appointment editor.
  void AnotarCambio(const TFotoCita& Antes, const TFotoCita& Despues, bool EnEditor = false);
  // Another data folder or restored data: the changes kept no longer apply.
  void OlvidarCambios();

  // ---- Change notices ----
  void AvisarCambio(TDate Desde, TDate Hasta);
  void EnviarMensaje(const QString& Texto);

  // ---- Other copies' changes ----
  // Listening on the notices' mailslot and watching the data folder's
  // tables, from the end of start-up on; AjustarVigia follows the settings
  // (data folder, network reach) after they change.
  void IniciarVigia();
  void AjustarVigia();
  void MailSlotNewMessage(TALMailSlot* Sender, const QString& Computer, const QString& UserName,
                          const QString& Text);
  // Reloads the shown range (and the categories) as soon as nothing the
  // user is doing would be disturbed, keeping the selected item and the scroll.
  void PedirRecarga(bool Categorias);
  void tmrRecargaTimer();
  VigiaTablas* Vigia = nullptr;
  QTimer* tmrRecarga = nullptr;

  // Seams the rest of the program and the tests use: the appointment editor
  // on the table's current record (true when stored), and the reminders
  // check. Both are the real windows unless replaced.
  std::function<bool(data::Table&)> EditCitaFn;
  std::function<bool()> ComprobarAvisosFn;  // true when the window was shown
  std::function<TDate()> AnnualViewFn;  // 0 or less: nothing chosen
  // The search dialog's result: date and ID of the chosen appointment.
  std::function<bool(TDate& Fecha, int& ID)> FindCitaFn;

  // ---- Controls ----
  QToolBar* tbAgenda;
  QStatusBar* StatusBar;
  QLabel* StatusPanel0;
  QLabel* StatusPanel1;
  QFrame* pnlSup;
  QSplitter* splHor;
  QFrame* pnlTimeView;
  QFrame* pnlCalendar;
  TRBTimeView* TimeView;
  TRBCalendar* Calendar;
  TRBImageList* ilTimeView;
  TALMailSlot* MailSlot;
  NoticeQueue* Avisos;  // change notices waiting for their time stamp
  std::unique_ptr<data::Table> tblAgenda;
  QTimer* tmrRefresh;
  QTimer* tmrAvisos;
  QTimer* tmrMaximize;
  QTimer* tmrRefreshPending;  // retries a refresh that fell due during a drag or an edit

  // Actions (alAgenda) and menus.
  QAction *acNew, *acEdit, *acDel, *acFind, *acPrint, *acToday, *acYear, *acVerSemana, *acVerMes, *acReindex, *acConfig;
  QAction *acImportarIcal, *acExportarIcal;  // iCalendar files
  QAction *acDeshacer, *acRehacer;
  QMenu *mnuArchivo, *mnuVer, *mnuAyuda, *popTimeView, *popView;
  QAction *Unahora1, *Mediahora1, *N15minutos1;  // "Ver" menu
  QAction *Unahora2, *Mediahora2, *N15minutos2;  // popView
  QAction* Cerrar1;
  QToolButton* btnHoras;

  // The first item of the collection with that ItemID, or nullptr.
  TRBTimeViewItem* ItemDeID(int ID) const;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CrearControles();
  void CrearAcciones();
  void ConectarEventos();
  void AbrirTablas();
  void AbrirTablaAgenda();  // opens tblAgenda on the data folder unless open
  MainWindowLink Enlace();  // what maintenance windows may do to this one
  void MarcarEscala(int escala);
  // The item's fields from the table's current record.
  void ActualizarItem(TRBTimeViewItem* Item);
  TDate BaseVista() const;
  // Calendar->RefreshMarks, with the marks worked out in one pass.
  void RefrescarMarcas();
  void DeshacerRehacer(bool Deshacer);
  void ActualizarDeshacer();  // the entries' texts and enabled state
  void MostrarCitaGuardada(int ID, const TFotoCita& Guardada);

  THistorialCitas Historial;  // this copy's stored changes in the session
  // After a store that asked the user, the days it touched as the table has them.
  void MostrarGuardado(const TGuardadoCita& Guardado);
  // The reminders check (when reminders are on), then the shown range reloaded.
  void ComprobarAvisosYRecargar();
  // The shown range as the table has it now.
  void RecargarVista();
  // A store through the remembered records: into the history when it
  // stored, then the days it touched shown as the table has them.
  void GuardadoAnotado(const TGuardadoCita& Guardado, bool EnEditor);
  // A reload now would break what the user is doing: typing in place, a
  // drag, or a box or dialog whose command may hold a block the reload frees.
  bool VistaOcupada() const;
  bool Arrastrando() const;
  // Sends a stamped notice, remembering it so that it is not taken back as
  // another copy's.
  void DifundirAviso(const QString& Sellado);
  // Opens tblAgenda again when other files were put in place of its own
  // (copied in by another program), so that reloads read them.
  void ReabrirAgendaSustituida();

  TfrmSplash* splash_ = nullptr;
  bool shown_ = false;
  bool arrancado_ = false;  // start-up (FormShow) has run to its end
  int lote_ = 0;  // inside a batch of day loads
  // The first item of each ID while a batch lasts, kept by CargarCitas
  // (built at its first record), so the day loads do not make it each.
  QHash<int, TRBTimeViewItem*> porIDLote_;
  bool porIDLoteHecho_ = false;
  bool marcasPendientes_ = false;
  bool marcasValidas_ = false;  // marcas_ answers CalendarMark
  QSet<int> marcas_;
  TCitasLeidas leidas_;  // the shown appointments as last read or stored
  int lastCalendarWidth_ = 0;
  QStringList avisosPropios_;           // the last notices this window sent
  AvisosOidos avisosOidos_;  // notices heard lately, by sender and text
  bool recargaCategorias_ = false;
  long long ultimaRecarga_ = 0;  // tick of the last reload for other copies' changes
  bool agendaPorReabrir_ = false;  // closed for replaced files, not yet opened again
};

// Shortens a folder to fit a width: leading folders give way to "..." while
// the last folder name is kept whole. `fits` tells whether a text fits.
QString AcortarRuta(const QString& ruta, const std::function<bool(const QString&)>& fits);

// Rounds to the half hour: minutes 0-15 give h:00, 16-45 h:30, 46-59 the next
// hour (23 wraps to 00:00 of the same date). -1 stands for now.
TDateTime RedondearMediaHora(TDateTime Momento);

// The hint of a selection or a drag: three lines and the hint's width.
void TextoIntervalo(TDateTime Desde, TDateTime Hasta, QString& Hint, int& HintWidth);
