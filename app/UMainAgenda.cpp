#include "app/UMainAgenda.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <cstdlib>

#include "app/ALMailSlot.h"
#include "app/AvisoCambio.h"
#include "app/AgendaHooks.h"
#include "app/AppPaths.h"
#include "app/FuenteVistaAnual.h"
#include "app/Help.h"
#include "app/Iconos.h"
#include "app/NoticeQueue.h"
#include "app/UAgendaUtil.h"
#include "app/UCategoriaClass.h"
#include "app/UConfigAgenda.h"
#include "app/USplash.h"
#include "app/Version.h"
#include "calendar/RBCalendar.h"
#include "calendar/USelectDate.h"
#include "core/Clock.h"
#include "dialogs/UAvisosAgenda.h"
#include "dialogs/UEditCita.h"
#include "dialogs/UFindCita.h"
#include "core/Messages.h"
#include "data/Table.h"
#include "timeview/RBTimeView.h"

namespace {
constexpr int kStatusPanelWidth = 250;
constexpr int kHelpContext = 1;

QFrame* Panel(QWidget* parent, const char* name) {
  auto* p = new QFrame(parent);
  p->setObjectName(QLatin1String(name));
  return p;
}
}  // namespace

QString AcortarRuta(const QString& ruta, const std::function<bool(const QString&)>& fits) {
  if (fits(ruta)) return ruta;
  const QStringList parts = ruta.split(u'/', Qt::SkipEmptyParts);
  // Drop leading folders one at a time; the last folder always stays.
  for (int first = 1; first < parts.size(); ++first) {
    const QString candidate = QStringLiteral(".../") + parts.mid(first).join(u'/');
    if (fits(candidate) || first == parts.size() - 1) return candidate;
  }
  return ruta;
}

TfrmAgenda::TfrmAgenda(QWidget* parent) : QMainWindow(parent), tblAgenda(std::make_unique<data::Table>()) {
  setObjectName(QStringLiteral("frmAgenda"));
  Help::SetHelpContext(this, kHelpContext);
  resize(825, 620);
  setMinimumSize(600, 400);
  if (QScreen* s = QGuiApplication::primaryScreen()) move(s->availableGeometry().center() - rect().center());

  CrearControles();
  CrearAcciones();
  ConectarEventos();
  InstalarFuenteVistaAnual();
  AnnualViewFn = [this] { return ShowAnnualView(this); };
  EditCitaFn = [](data::Table& t) { return EditCita(t, TVigiaEdicion::PrepararGuardado); };
  ComprobarAvisosFn = [] { return ComprobarAvisos(); };
  FindCitaFn = [this](TDate& fecha, int& id) {
    TfrmFindCita dlg(this);
    if (dlg.exec() != QDialog::Accepted) return false;
    fecha = dt::DateOf(dlg.CitaFecha());
    id = dlg.CitaID();
    return true;
  };
  // The editor stops the periodic refresh while it is open.
  SetTemporizadorRefresco([this](bool activo) {
    if (activo) {
      tmrRefresh->start();
    } else {
      tmrRefresh->stop();
      tmrRefreshPending->stop();  // nor a refresh left waiting by a drag
    }
  });
  // An appointment opened from a reminder's notification is stored through a
  // table of its own: the shown range is read again (once no box is open),
  // or the next store over it would take that for another copy's change.
  SetAlGuardarCitaPorID([this] { tmrRefreshPending->start(); });

  MailSlot = new TALMailSlot(this);
  MailSlot->SetMailBox(kBuzonAvisos);
  Avisos = new NoticeQueue([this](const QString& texto) { DifundirAviso(texto); });

  tmrRefresh = new QTimer(this);
  tmrRefresh->setObjectName(QStringLiteral("tmrRefresh"));
  tmrRefresh->setInterval(300000);
  tmrAvisos = new QTimer(this);
  tmrAvisos->setObjectName(QStringLiteral("tmrAvisos"));
  tmrAvisos->setInterval(500);
  tmrMaximize = new QTimer(this);
  tmrMaximize->setObjectName(QStringLiteral("tmrMaximize"));
  tmrMaximize->setInterval(200);
  tmrRefreshPending = new QTimer(this);
  tmrRefreshPending->setObjectName(QStringLiteral("tmrRefreshPending"));
  tmrRefreshPending->setInterval(500);
  tmrRefreshPending->setSingleShot(true);
  connect(tmrRefresh, &QTimer::timeout, this, &TfrmAgenda::tmrRefreshTick);
  connect(tmrRefreshPending, &QTimer::timeout, this, &TfrmAgenda::tmrRefreshTick);
  connect(tmrAvisos, &QTimer::timeout, this, &TfrmAgenda::tmrAvisosTimer);
  connect(tmrMaximize, &QTimer::timeout, this, &TfrmAgenda::tmrMaximizeTimer);
  tmrRefresh->start();

  FormCreate();
}

// The view dies with the window's children, after the table: an edit still
// open is stored now, and the view tells this half-gone window nothing more.
TfrmAgenda::~TfrmAgenda() {
  TerminarEdicion();
  SetTemporizadorRefresco({});
  SetAlGuardarCitaPorID({});
  TimeView->OnEditedItem = nullptr;
  TimeView->OnNewDay = nullptr;
  Calendar->OnSelectionChange = nullptr;
  Calendar->OnDatesChanged = nullptr;
  delete Avisos;  // sends what still waits, before the mailslot goes
  delete splash_;
}

void TfrmAgenda::CrearControles() {
  StatusBar = new QStatusBar(this);
  StatusBar->setObjectName(QStringLiteral("StatusBar"));
  setStatusBar(StatusBar);
  StatusPanel0 = new QLabel(StatusBar);
  StatusPanel0->setObjectName(QStringLiteral("StatusPanel0"));
  StatusPanel1 = new QLabel(StatusBar);
  StatusPanel1->setObjectName(QStringLiteral("StatusPanel1"));
  for (QLabel* l : {StatusPanel0, StatusPanel1}) {
    l->setFixedWidth(kStatusPanelWidth);
    l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    StatusBar->addWidget(l);
  }

  pnlSup = Panel(this, "pnlSup");
  auto* supLayout = new QHBoxLayout(pnlSup);
  supLayout->setContentsMargins(2, 2, 2, 2);
  splHor = new QSplitter(Qt::Horizontal, pnlSup);
  splHor->setObjectName(QStringLiteral("splHor"));
  splHor->setHandleWidth(6);
  splHor->setOpaqueResize(true);
  splHor->setChildrenCollapsible(false);
  pnlTimeView = Panel(splHor, "pnlTimeView");
  pnlCalendar = Panel(splHor, "pnlCalendar");
  for (QFrame* p : {pnlTimeView, pnlCalendar}) {
    p->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto* l = new QHBoxLayout(p);
    l->setContentsMargins(1, 1, 1, 1);
    splHor->addWidget(p);
  }
  splHor->setStretchFactor(0, 1);
  splHor->setStretchFactor(1, 0);
  supLayout->addWidget(splHor);
  setCentralWidget(pnlSup);

  TimeView = new TRBTimeView(pnlTimeView);
  TimeView->setObjectName(QStringLiteral("TimeView"));
  pnlTimeView->layout()->addWidget(TimeView);
  TimeView->SetOptions({tvoTimeSelection, tvoMutipleDaySelection, tvoItemsSelection, tvoShowDaysGapCover,
                        tvoAutoTimeScaleAdjust, tvoSnapItemToItem, tvoItemsBelowMark, tvoItemsAboveMark});
  TimeView->SetHintsOptions({hoSelection, hoItemStartDrag, hoItemEndDrag, hoItemDrag});
  TimeView->SetDragOptions({doBeginWork, doEndWork, doItemStart, doItemStartToOtherDay, doItemEnd,
                            doItemEndToOtherDay, doItem, doItemToOtherDay});
  TimeView->SetDaysGapColor(clBtnShadow);
  TimeView->SetDaysGapCoverColor(clHighlight);
  TimeView->SetItemSelectionColor(clHighlight);
  TimeView->SetWorkingHoursColor(clInfoBk);
  TimeView->SetCaptionHeight(24);
  TimeView->SetShowTopSpace(false);
  TimeView->SetReadOnly(false);
  TimeView->SetClickToEdit(false);
  TimeView->SetItemClickOnDrag(true);
  ilTimeView = new TRBImageList(16, 16, this);
  ilTimeView->setObjectName(QStringLiteral("ilTimeView"));
  ilTimeView->Add(ImagenAviso());
  TimeView->SetImages(ilTimeView);
  TimeView->SetReminderImageIndex(0);
  TimeView->SetLongCaptionFormat(QStringLiteral("dddd d mmmm yyyy"));
  TimeView->SetMediumCaptionFormat(QStringLiteral("ddd d mmm yyyy"));
  TimeView->SetShortCaptionFormat(QStringLiteral("dd/mm/yyyy"));
  QFont ruler(QStringLiteral("Arial"));
  ruler.setPixelSize(11);  // 8 points on a 96 dpi screen
  TimeView->SetRulerFont(ruler);
  TimeView->SetBorderStyle(bsNone);

  Calendar = new TRBCalendar(pnlCalendar);
  Calendar->setObjectName(QStringLiteral("Calendar"));
  pnlCalendar->layout()->addWidget(Calendar);
  Calendar->SetFirstWeekDay(fwdMonday);
  Calendar->SetMonthsInHeight(4);
  Calendar->SetDayWidth(18);
  Calendar->SetDayHeight(15);
  Calendar->SetShowToday(false);
  Calendar->SetTitlesColor(clBtnShadow);
  Calendar->SetCaptionsColor(clWindowText);
  Calendar->SetMultiSelect(false);
  Calendar->SetMaxSelections(31);
  Calendar->SetCustomCellsDraw(true);
  Calendar->SetFlatBorder(true);
  Calendar->SetShowWeekNumbers(false);
  Calendar->SetLinesColor(clBtnFace);
  Calendar->SetColor(clWhite);
  QFont calFont(QStringLiteral("Arial"));
  calFont.setPointSize(8);
  Calendar->setFont(calFont);
  splHor->setSizes({825 - 150 - 6 - 4, 150});
  // The calendar takes a fixed size of whole months; its panel must not take
  // that as its minimum, or the splitter could never narrow it again.
  // splHorCanResize puts back at least one month column.
  pnlCalendar->setMinimumWidth(1);
}

void TfrmAgenda::FormCreate() {
  setWindowTitle(TituloAplicacion());
  splash_ = new TfrmSplash();
  splash_->FormShow();
  splash_->show();
  // The splash stays up at least a second while the windows keep painting.
  Esperar(1000);
}

void TfrmAgenda::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!shown_) {
    shown_ = true;
    FormShow();
  }
}

void TfrmAgenda::FormShow() {
  CargarConfig();
  if (ConfigAgenda.DataPath.isEmpty() || !QDir(ConfigAgenda.DataPath).exists()) {
    ConfigAgenda.DataPath = AppPaths::DefaultDataFolder();
    // An installed copy's first start: the default folder is made here. When
    // it cannot be, creating the tables in it reports the failure.
    try {
      AppPaths::CreateFolder(ConfigAgenda.DataPath);
    } catch (const std::exception& e) {
      ShowError(QStringLiteral("No se pudo crear la carpeta de datos.\r\n") + QString::fromStdString(e.what()), this);
    }
  }
  MostrarDirDatos();
  AbrirTablas();

  Calendar->GoToday();
  // The time view is born showing today, so selecting today sets no new days
  // and asks nothing of this window: its days get the settings here.
  for (int i = 0; i < TimeView->DaysCount(); ++i) AplicarHorario(TimeView->Days(i));
  switch (ConfigAgenda.RulerMarkMinutes) {
    case 1: Unahora1Click(); break;
    case 3: N15minutos1Click(); break;
    default: Mediahora1Click(); break;
  }
  TimeView->update();
  TimeView->ScrollToTime(dt::EncodeTime(9, 0));
  const TDateTime t = RedondearMediaHora(-1);
  TimeView->SetTimeSelectionStart(t);
  TimeView->SetTimeSelectionEnd(t + 30 / dt::MinsPerDay);
  TimeView->SetWorkingHoursColor(ConfigAgenda.WorkTimeColor);

  const int d = ConfigAgenda.DaysSelected;
  if (d == 7) {
    acVerSemanaExecute();
  } else if (d == 28 || d == 30 || d == 31) {
    acVerMesExecute();
  } else if (d > 1) {
    const TDate today = Clock::Today();
    Calendar->ClearSelections();
    Calendar->SelectRange(today, today + d - 1);
  }
  CargarCitas(Calendar->StartDay(), Calendar->EndDay());

  if (ConfigAgenda.WindowState == 1) tmrMaximize->start();
  tmrAvisos->start();
  TimeView->setFocus();
  if (splash_) {
    splash_->hide();
    splash_->deleteLater();
    splash_ = nullptr;
  }
  arrancado_ = true;
  IniciarVigia();
}

// Missing tables are created without asking; a categories table that cannot
// be created ends the program, as nothing can be shown without it.
void TfrmAgenda::AbrirTablas() {
  const QString folder = ConfigAgenda.DataPath;
  if (!data::Table(folder.toStdString(), "CATEGORIAS.DBF").Exists() && !CrearTablaCategorias()) std::exit(1);
  Categorias = std::make_unique<TCategorias>();
  try {
    Categorias->Cargar();
  } catch (const std::exception& e) {
    ShowError(QStringLiteral("No se pudieron leer las categorías.\r\n") + QString::fromStdString(e.what()));
  }
  CrearTablaAgenda();
  AdjuntarHooksAgenda(*tblAgenda, [this](TDate desde, TDate hasta) { AvisarCambio(desde, hasta); });
  AbrirTablaAgenda();
}

bool TfrmAgenda::ComprobarTablas(const QString& Carpeta) {
  const bool hayAgenda = data::Table(Carpeta.toStdString(), "AGENDA.DBF").Exists();
  const bool hayCategorias = data::Table(Carpeta.toStdString(), "CATEGORIAS.DBF").Exists();
  if (hayAgenda && hayCategorias) return true;
  if (MessageDlg(QStringLiteral("En el directorio:\r\n") + Carpeta +
                     QStringLiteral("\r\nno se han encontrado las tablas\r\nde la agenda.\r\n¿Desea crearlas?"),
                 mtConfirmation, mbYes | mbNo, this) != mrYes)
    return false;
  // Each creator reports its own failure. A folder that cannot hold the
  // tables is then refused rather than ending the program: the window still
  // has the tables it was working on.
  try {
    if (!hayAgenda) {
      CrearTablaAgenda(Carpeta);
      if (!data::Table(Carpeta.toStdString(), "AGENDA.DBF").Exists()) return false;
    }
    return hayCategorias || CrearTablaCategorias(Carpeta);
  } catch (const std::exception&) {
    return false;
  }
}

void TfrmAgenda::closeEvent(QCloseEvent* event) {
  FormClose();
  event->accept();
}

void TfrmAgenda::FormClose() {
  TerminarEdicion();
  switch (TimeView->RulerMarkMinutes()) {
    case rmm15Minutes: ConfigAgenda.RulerMarkMinutes = 3; break;
    case rmm30Minutes: ConfigAgenda.RulerMarkMinutes = 2; break;
    case rmm60Minutes: ConfigAgenda.RulerMarkMinutes = 1; break;
    default: ConfigAgenda.RulerMarkMinutes = 0; break;
  }
  ConfigAgenda.DaysSelected = static_cast<std::uint8_t>(Calendar->SelectionCount());
  GuardarConfig();
  Categorias.reset();
}

void TfrmAgenda::tmrAvisosTimer() {
  tmrAvisos->stop();
  ComprobarAvisosYRecargar();
}

void TfrmAgenda::tmrMaximizeTimer() {
  tmrMaximize->stop();
  showMaximized();
}

void TfrmAgenda::Cerrar1Click() { close(); }

void TfrmAgenda::Ayuda2Click() { Help::ShowHelp(0); }

void TfrmAgenda::MostrarDirDatos() {
  QString folder = ConfigAgenda.DataPath;
  while (folder.size() > 1 && folder.endsWith(u'/')) folder.chop(1);
  const QFontMetrics fm(StatusBar->font());
  const QString prefix = QStringLiteral("Datos: ");
  StatusPanel0->setText(prefix + AcortarRuta(folder, [&](const QString& s) {
    return fm.horizontalAdvance(prefix + s) <= kStatusPanelWidth;
  }));
}

void TfrmAgenda::MostrarEstado(const QString& Texto) {
  StatusPanel1->setText(Texto);
  StatusPanel1->repaint();
  QCoreApplication::processEvents();
}
