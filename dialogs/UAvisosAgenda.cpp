#include "dialogs/UAvisosAgenda.h"

#include <QApplication>
#include <QComboBox>
#include <QFont>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPointer>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include "app/Help.h"
#include "app/UAgendaUtil.h"
#include "app/UCategoriaClass.h"
#include "app/UConfigAgenda.h"
#include "core/Clock.h"
#include "core/Colors.h"
#include "core/Messages.h"
#include "dialogs/CampoFecha.h"
#include "dialogs/ModeloGrid.h"
#include "dialogs/Notificador.h"
#include "dialogs/Sonido.h"
#include "dialogs/UEditCita.h"
#include "dialogs/VenceEn.h"

namespace {
const QString kMsgError = QStringLiteral("Error mostrando avisos de la agenda.\r\n");
constexpr int kAnchoHora = 39;

// Reminders due by now: AVISO set and F_AVISO + H_AVISO not after the current
// minute. "hh:nn" texts order by time, so the time compares as text.
const std::vector<std::string> kSqlAvisos = {
    "SELECT A.*, C.CATEGORIA",
    "FROM AGENDA AS A",
    "LEFT JOIN CATEGORIAS AS C ON C.ID=A.TIPO",
    "WHERE A.AVISO<>0 AND",
    "((A.F_AVISO=:pFECHA AND A.H_AVISO<=:pHORA) OR",
    "(A.F_AVISO<:pFECHA))",
    "ORDER BY FECHA_INI, HORA_INI",
};
}  // namespace

TfrmAvisos::TfrmAvisos(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("frmAvisos"));
  setWindowTitle(QStringLiteral("Avisos"));
  setFont(QFont(QStringLiteral("Arial"), 8));
  Help::SetHelpContext(this, 16);
  setMinimumSize(530, 300);
  resize(530, 300);

  dbgAvisos = new QTableView(this);
  dbgAvisos->setObjectName(QStringLiteral("dbgAvisos"));
  FModelo = new TModeloGrid({{QStringLiteral("Fecha"), Qt::AlignLeft},
                             {QStringLiteral("Hora"), Qt::AlignLeft},
                             {QStringLiteral("Asunto"), Qt::AlignLeft},
                             {QStringLiteral("Categoría"), Qt::AlignLeft},
                             {QStringLiteral("Vence en"), Qt::AlignLeft}},
                            [this](int fila, int col) -> QString {
                              const Aviso& a = FAvisos[fila];
                              switch (col) {
                                case 0: return TextoFecha(a.FECHA_INI);
                                case 1: return a.HORA_INI;
                                case 2: return a.ASUNTO;
                                case 3: return a.CATEGORIA;
                                default: return VNTO(fila);
                              }
                            },
                            this);
  QFont titulos(QStringLiteral("Arial"), 9);
  titulos.setBold(true);
  FModelo->SetFuenteTitulos(titulos);
  // Each row in its category's colour; a category that no longer exists
  // gives the window colour.
  FModelo->SetFondo([this](int fila) { return ToQColor(ColorCategoria(FAvisos[fila].TIPO)); });
  dbgAvisos->setModel(FModelo);
  dbgAvisos->setEditTriggers(QAbstractItemView::NoEditTriggers);
  dbgAvisos->setSelectionBehavior(QAbstractItemView::SelectRows);
  dbgAvisos->setSelectionMode(QAbstractItemView::SingleSelection);
  dbgAvisos->verticalHeader()->hide();
  dbgAvisos->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
  dbgAvisos->horizontalHeader()->setFont(titulos);
  dbgAvisos->setColumnWidth(0, fontMetrics().horizontalAdvance(TextoFecha(0)) + 12);
  dbgAvisos->setColumnWidth(1, kAnchoHora);
  connect(dbgAvisos, &QTableView::doubleClicked, this, [this] { btnOpenCitaClick(); });
  // The vertical scroll bar narrows the grid's viewport without resizing
  // the window: the columns are fitted to the viewport whenever it changes.
  dbgAvisos->viewport()->installEventFilter(this);

  pnlAvisar = new QFrame(this);
  pnlAvisar->setObjectName(QStringLiteral("pnlAvisar"));
  pnlAvisar->setFixedHeight(89);
  btnNoAvisarCita = new QPushButton(QStringLiteral("No avisar"), pnlAvisar);
  btnNoAvisarCita->setObjectName(QStringLiteral("btnNoAvisarCita"));
  btnOpenCita = new QPushButton(QStringLiteral("Abrir cita"), pnlAvisar);
  btnOpenCita->setObjectName(QStringLiteral("btnOpenCita"));
  btnNoAvisarTodos = new QPushButton(QStringLiteral("No avisar todos"), pnlAvisar);
  btnNoAvisarTodos->setObjectName(QStringLiteral("btnNoAvisarTodos"));
  grpAvisar = new QGroupBox(QStringLiteral(" Avisar de nuevo "), pnlAvisar);
  cbbAvisar = new QComboBox(grpAvisar);
  cbbAvisar->setObjectName(QStringLiteral("cbbAvisar"));
  cbbAvisar->setEditable(false);
  auto* lblEn = new QLabel(QStringLiteral("En"), grpAvisar);
  lblEn->setBuddy(cbbAvisar);
  btnAvisarCita = new QPushButton(QStringLiteral("Cita seleccionada"), grpAvisar);
  btnAvisarCita->setObjectName(QStringLiteral("btnAvisarCita"));
  btnAvisarTodas = new QPushButton(QStringLiteral("Todas"), grpAvisar);
  btnAvisarTodas->setObjectName(QStringLiteral("btnAvisarTodas"));
  for (QPushButton* b : {btnNoAvisarCita, btnOpenCita, btnNoAvisarTodos, btnAvisarCita, btnAvisarTodas})
    b->setAutoDefault(false);

  auto* grupo = new QHBoxLayout(grpAvisar);
  grupo->addWidget(lblEn);
  grupo->addWidget(cbbAvisar);
  grupo->addWidget(btnAvisarCita);
  grupo->addWidget(btnAvisarTodas);
  grupo->addStretch(1);
  auto* filaBotones = new QHBoxLayout;
  filaBotones->addWidget(btnNoAvisarCita);
  filaBotones->addWidget(btnOpenCita);
  filaBotones->addStretch(1);
  filaBotones->addWidget(btnNoAvisarTodos);
  auto* panel = new QVBoxLayout(pnlAvisar);
  panel->setContentsMargins(4, 4, 4, 2);
  panel->addLayout(filaBotones);
  panel->addWidget(grpAvisar);

  StatusBar = new QStatusBar(this);
  StatusBar->setObjectName(QStringLiteral("StatusBar"));
  StatusBar->setSizeGripEnabled(false);

  auto* todo = new QVBoxLayout(this);
  todo->setContentsMargins(0, 0, 0, 0);
  todo->setSpacing(0);
  todo->addWidget(dbgAvisos, 1);
  todo->addWidget(pnlAvisar);
  todo->addWidget(StatusBar);

  connect(btnNoAvisarCita, &QPushButton::clicked, this, [this] { btnNoAvisarCitaClick(); });
  connect(btnOpenCita, &QPushButton::clicked, this, [this] { btnOpenCitaClick(); });
  connect(btnNoAvisarTodos, &QPushButton::clicked, this, [this] { btnNoAvisarTodosClick(); });
  connect(btnAvisarCita, &QPushButton::clicked, this, [this] { btnAvisarCitaClick(); });
  connect(btnAvisarTodas, &QPushButton::clicked, this, [this] { btnAvisarTodasClick(); });

  tmrStopSound = new QTimer(this);
  tmrStopSound->setObjectName(QStringLiteral("tmrStopSound"));
  tmrStopSound->setInterval(1000);
  connect(tmrStopSound, &QTimer::timeout, this, [this] { tmrStopSoundTimer(); });
  tmrStopSound->start();

  // Keystrokes reach the window before its controls.
  qApp->installEventFilter(this);

  const std::string carpeta = ConfigAgenda.DataPath.toStdString();
  qryAvisos.SetFolder(carpeta);
  qryAvisos.SetSQL(kSqlAvisos);
  tblAgenda.SetFolder(carpeta);
  tblAgenda.SetTableName("AGENDA");

  if (const QScreen* s = QApplication::primaryScreen()) move(s->availableGeometry().center() - rect().center());
}

TfrmAvisos::~TfrmAvisos() { qApp->removeEventFilter(this); }

void TfrmAvisos::AbrirConsulta() {
  qryAvisos.Close();
  qryAvisos.ParamByName("pFECHA").SetAsDate(Clock::Today());
  qryAvisos.ParamByName("pHORA").SetAsString(HoraTexto(Clock::Now()).toStdString());
  qryAvisos.Open();
}

bool TfrmAvisos::HayAvisos() {
  AbrirConsulta();
  const bool hay = !qryAvisos.IsEmpty();
  qryAvisos.Close();
  return hay;
}

void TfrmAvisos::CargarAvisos() {
  AbrirConsulta();
  std::vector<Aviso> filas;
  for (qryAvisos.First(); !qryAvisos.Eof(); qryAvisos.Next()) {
    Aviso a;
    a.ID = static_cast<int>(qryAvisos.FieldByName("ID").AsInteger());
    a.FECHA_INI = qryAvisos.FieldByName("FECHA_INI").AsDate();
    a.HORA_INI = QString::fromStdString(qryAvisos.FieldByName("HORA_INI").AsString());
    a.ASUNTO = QString::fromStdString(qryAvisos.FieldByName("ASUNTO").AsString());
    a.CATEGORIA = QString::fromStdString(qryAvisos.FieldByName("CATEGORIA").AsString());
    a.TIPO = static_cast<int>(qryAvisos.FieldByName("TIPO").AsInteger());
    filas.push_back(std::move(a));
  }
  qryAvisos.First();
  FAvisos = std::move(filas);
  FModelo->Recargar(static_cast<int>(FAvisos.size()));
  if (!FAvisos.empty()) dbgAvisos->selectRow(0);
  StatusBar->showMessage(QString::number(FAvisos.size()) + QStringLiteral(" avisos."));
}

QString TfrmAvisos::VNTO(int Fila) const {
  const Aviso& a = FAvisos.at(Fila);
  return TextoVenceEn(Clock::Now(), FechaHora(a.FECHA_INI, a.HORA_INI));
}

int TfrmAvisos::FilaSeleccionada() const {
  if (FAvisos.empty()) return -1;
  const QModelIndex i = dbgAvisos->currentIndex();
  return i.isValid() ? i.row() : 0;
}

void TfrmAvisos::PosponerCita(int Fila, int k) {
  if (Fila < 0 || Fila >= static_cast<int>(FAvisos.size())) return;
  if (!tblAgenda.Active()) tblAgenda.Open();
  tblAgenda.SetIndexName("ID");
  if (!tblAgenda.FindKey(FAvisos[Fila].ID)) return;
  const TDateTime t = CalcularAviso(k, +1, Clock::Now());
  tblAgenda.Edit();
  tblAgenda.FieldByName("AVISO").SetAsInteger(k);
  tblAgenda.FieldByName("F_AVISO").SetAsDate(dt::DateOf(t));
  tblAgenda.FieldByName("H_AVISO").SetAsString(HoraTexto(t).toStdString());
  tblAgenda.Post();
  tblAgenda.FlushBuffers();
}

void TfrmAvisos::PosponerTodas(int k) {
  for (int fila = 0; fila < static_cast<int>(FAvisos.size()); ++fila) PosponerCita(fila, k);
}

void TfrmAvisos::NotificarAvisos() {
  for (const Aviso& a : FAvisos) {
    Notificador::Notificacion n;
    n.clave = a.ID;
    n.titulo = a.ASUNTO.trimmed().isEmpty() ? QStringLiteral("Cita sin asunto") : a.ASUNTO;
    n.texto = QStringLiteral("Comienza el ") + TextoFecha(a.FECHA_INI) + QStringLiteral(" a las ") + a.HORA_INI;
    // The bubble may outlive this window: it then opens the appointment alone.
    n.abrir = [ventana = QPointer<TfrmAvisos>(this), id = a.ID] {
      if (ventana && ventana->isVisible()) {
        ventana->AbrirAviso(id);
        return;
      }
      if (QWidget* w = QApplication::activeModalWidget()) {
        w->raise();
        w->activateWindow();
        return;
      }
      try {
        EditCitaById(id);
      } catch (const std::exception& e) {
        ShowError(kMsgError + QString::fromStdString(e.what()));
      }
    };
    Notificador::Notificar(n);
  }
}

void TfrmAvisos::AbrirAviso(int Id) {
  QWidget* modal = QApplication::activeModalWidget();
  if (modal && modal != this) {
    modal->raise();
    modal->activateWindow();
    return;
  }
  raise();
  activateWindow();
  for (int fila = 0; fila < static_cast<int>(FAvisos.size()); ++fila) {
    if (FAvisos[fila].ID != Id) continue;
    dbgAvisos->selectRow(fila);
    btnOpenCitaClick();
    return;
  }
  QuitarEncima();
  Proteger([Id] { EditCitaById(Id); });
}

template <class F>
void TfrmAvisos::Proteger(F&& trabajo) {
  try {
    trabajo();
  } catch (const std::exception& e) {
    // Nothing is left half-edited: a locked or failed record is given up.
    try {
      if (tblAgenda.State() == data::TableState::Edit) tblAgenda.Cancel();
    } catch (const std::exception&) {
    }
    ShowError(kMsgError + QString::fromStdString(e.what()), this);
  }
}

void TfrmAvisos::FormShow() {
  Proteger([this] {
    cbbAvisar->clear();
    cbbAvisar->addItems(ListaAvisos());
    cbbAvisar->setCurrentIndex(1);
    CargarAvisos();
  });
  NotificarAvisos();
  Sonido::Reproducir();
  FormResize();
  dbgAvisos->setFocus();
}

void TfrmAvisos::FormResize() {
  // Date and hour keep their widths; the subject gets two shares of the
  // rest, the category and "Vence en" one each.
  const int resto = dbgAvisos->viewport()->width() - dbgAvisos->columnWidth(0) - dbgAvisos->columnWidth(1) - 5;
  const int w = std::max(resto / 4, 0);
  dbgAvisos->setColumnWidth(2, 2 * w);
  dbgAvisos->setColumnWidth(3, w);
  dbgAvisos->setColumnWidth(4, w);
}

void TfrmAvisos::FormClose() {
  tblAgenda.Close();
  qryAvisos.Close();
}

void TfrmAvisos::FormKeyDown(int& Key) {
  if (Key == Qt::Key_Escape) {
    Key = 0;
    close();
  }
}

void TfrmAvisos::btnNoAvisarCitaClick() {
  if (FAvisos.empty()) return;
  Proteger([this] {
    PosponerCita(FilaSeleccionada(), 0);
    CargarAvisos();
  });
  dbgAvisos->setFocus();
}

void TfrmAvisos::btnAvisarCitaClick() {
  if (FAvisos.empty()) return;
  Proteger([this] {
    PosponerCita(FilaSeleccionada(), std::max(cbbAvisar->currentIndex(), 0));
    CargarAvisos();
  });
  dbgAvisos->setFocus();
}

void TfrmAvisos::btnAvisarTodasClick() {
  if (FAvisos.empty()) return;
  Proteger([this] { PosponerTodas(std::max(cbbAvisar->currentIndex(), 0)); });
  close();
}

void TfrmAvisos::btnNoAvisarTodosClick() {
  if (FAvisos.empty()) return;
  Proteger([this] { PosponerTodas(0); });
  close();
}

void TfrmAvisos::btnOpenCitaClick() {
  if (FAvisos.empty()) return;
  QuitarEncima();
  Proteger([this] {
    if (EditCitaById(FAvisos[FilaSeleccionada()].ID)) CargarAvisos();
  });
  dbgAvisos->setFocus();
}

void TfrmAvisos::QuitarEncima() {
  // From now on the window stays an ordinary one, so the editor can come
  // above it. The flag is changed on the native window: changing the
  // widget's flags would hide the window and end its modal loop.
  const Qt::WindowFlags normal = windowFlags() & ~Qt::WindowStaysOnTopHint;
  overrideWindowFlags(normal);
  if (QWindow* w = windowHandle()) w->setFlags(normal);
}

void TfrmAvisos::tmrStopSoundTimer() { Sonido::Detener(); }

void TfrmAvisos::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!FMostrado) {
    FMostrado = true;
    // Due reminders come to the front, above whatever the user is doing.
    raise();
    activateWindow();
    FormShow();
  }
}

void TfrmAvisos::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  FormResize();
}

void TfrmAvisos::done(int result) {
  FormClose();
  QDialog::done(result);
}

bool TfrmAvisos::eventFilter(QObject* watched, QEvent* event) {
  if (watched == dbgAvisos->viewport() && event->type() == QEvent::Resize) FormResize();
  if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
      static_cast<QWidget*>(watched)->window() == this) {
    int key = static_cast<QKeyEvent*>(event)->key();
    FormKeyDown(key);
    if (key == 0) return true;
  }
  return QDialog::eventFilter(watched, event);
}

bool ComprobarAvisos() {
  try {
    TfrmAvisos frm(QApplication::activeWindow());
    if (!frm.HayAvisos()) return false;
    frm.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    frm.exec();
    return true;
  } catch (const std::exception& e) {
    ShowError(kMsgError + QString::fromStdString(e.what()));
    return false;
  }
}
