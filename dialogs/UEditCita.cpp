#include "dialogs/UEditCita.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <memory>

#include "app/AgendaHooks.h"
#include "app/CitasLeidas.h"
#include "app/Help.h"
#include "app/UAgendaUtil.h"
#include "app/UCategoriaClass.h"
#include "app/UConfigAgenda.h"
#include "core/Messages.h"
#include "data/Table.h"
#include "dialogs/AdvSpin.h"
#include "dialogs/CampoFecha.h"

namespace {
std::function<void(bool)> gTemporizadorRefresco;
std::function<void()> gGuardadaPorID;

// The editor's reminder list: the stored choices 0..13. Choice 14 ("15 días")
// can only come from a postponed reminder; it is added for such a record.
const char* const kAvisosEditor[] = {"(No avisar)", "5 minutos", "10 minutos", "15 minutos", "30 minutos",
                                     "1 hora",      "2 horas",   "4 horas",    "8 horas",    "12 horas",
                                     "1 día",       "2 días",    "3 días",     "1 semana "};
constexpr int kAvisosEnLista = 14;
constexpr int kAvisoQuinceDias = 14;

const QString kMsgInicio = QStringLiteral("El inicio debe ser anterior\r\nque el fin.");
const QString kMsgDuracion = QStringLiteral("La duración de la cita debe ser\r\nde 5 minutos como mínimo");
const QString kMsgAsunto = QStringLiteral("No se puede dejar el Asunto vacío.");
const QString kMsgHoraInicio = QStringLiteral("La hora de inicio no es válida.\r\nEscríbala como hh:mm, por ejemplo 09:30.");
const QString kMsgHoraFin = QStringLiteral("La hora de fin no es válida.\r\nEscríbala como hh:mm, por ejemplo 09:30.");
const QString kMsgFechaInicio = QStringLiteral("La fecha de inicio no es válida.");
const QString kMsgFechaFin = QStringLiteral("La fecha de fin no es válida.");

// An hour text that tidies into an existing time of day, 00:00 to 23:59.
bool HoraLegible(const QString& Texto) {
  static const QRegularExpression hhnn(QStringLiteral("^([0-9]{2}):([0-9]{2})$"));
  const auto m = hhnn.match(NormalizarHora(Texto));
  return m.hasMatch() && m.captured(1).toInt() <= 23 && m.captured(2).toInt() <= 59;
}

TDate DiaDe(const QDateEdit* Campo) {
  TDate dia = 0;
  if (!LeerCampoFecha(Campo, dia)) dia = FechaDe(Campo->date());
  return dia;
}

QLabel* Etiqueta(const QString& Texto, QWidget* Campo, QWidget* parent) {
  auto* l = new QLabel(Texto, parent);
  l->setBuddy(Campo);
  return l;
}

TAdvSpinEdit* CampoHora(QWidget* parent, const QString& Nombre) {
  auto* e = new TAdvSpinEdit(parent);
  e->setObjectName(Nombre);
  e->SetSpinType(sptTime);
  e->SetIncrementHours(1);
  e->SetIncrementMinutes(15);
  e->SetShowSeconds(false);
  e->SetReturnIsTab(false);
  e->SetEditorEnabled(true);
  e->SetDirection(spVertical);
  return e;
}

QToolButton* BotonHoras(QWidget* parent, const QString& Nombre) {
  auto* b = new QToolButton(parent);
  b->setObjectName(Nombre);
  b->setAutoRaise(true);
  b->setFocusPolicy(Qt::NoFocus);
  b->setIcon(parent->style()->standardIcon(QStyle::SP_ArrowDown));
  b->setToolTip(QStringLiteral("Horas"));
  return b;
}
}  // namespace

void SetTemporizadorRefresco(std::function<void(bool Activo)> Control) {
  gTemporizadorRefresco = std::move(Control);
}

void SetAlGuardarCitaPorID(std::function<void()> Aviso) { gGuardadaPorID = std::move(Aviso); }

TfrmEditCita::TfrmEditCita(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmEditCita"));
  setWindowTitle(QStringLiteral("Cita"));
  Help::SetHelpContext(this, 4);
  resize(450, 330);
  setMinimumSize(450, 330);
  setSizeGripEnabled(true);

  edtAsunto = new QLineEdit(this);
  edtAsunto->setObjectName(QStringLiteral("edtAsunto"));
  edtFechaInicio = CrearCampoFecha(this, QStringLiteral("edtFechaInicio"));
  edtHoraInicio = CampoHora(this, QStringLiteral("edtHoraInicio"));
  btnHoraInicio = BotonHoras(this, QStringLiteral("btnHoraInicio"));
  edtFechaFin = CrearCampoFecha(this, QStringLiteral("edtFechaFin"));
  edtHoraFin = CampoHora(this, QStringLiteral("edtHoraFin"));
  btnHoraFin = BotonHoras(this, QStringLiteral("btnHoraFin"));
  cbbAviso = new QComboBox(this);
  cbbAviso->setObjectName(QStringLiteral("cbbAviso"));
  for (const char* a : kAvisosEditor) cbbAviso->addItem(QString::fromUtf8(a));
  cbbCategoria = new QComboBox(this);
  cbbCategoria->setObjectName(QStringLiteral("cbbCategoria"));
  if (Categorias) {
    QStringList nombres;
    NombresCategorias(nombres);
    cbbCategoria->addItems(nombres);
  }
  edtLugar = new QLineEdit(this);
  edtLugar->setObjectName(QStringLiteral("edtLugar"));
  memNotas = new QPlainTextEdit(this);
  memNotas->setObjectName(QStringLiteral("memNotas"));
  memNotas->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memNotas->setTabChangesFocus(true);
  btnOk = new QPushButton(QStringLiteral("Aceptar"), this);
  btnOk->setObjectName(QStringLiteral("btnOk"));
  btnOk->setDefault(true);
  btnOk->setAutoDefault(true);
  btnCancel = new QPushButton(QStringLiteral("Cancelar"), this);
  btnCancel->setObjectName(QStringLiteral("btnCancel"));
  btnCancel->setAutoDefault(false);

  popHoras = new QMenu(this);
  popHoras->setObjectName(QStringLiteral("popHoras"));
  for (int h = 0; h < 24; ++h) {
    QAction* item = popHoras->addAction(QStringLiteral("%1:00").arg(h, 2, 10, QLatin1Char('0')));
    item->setObjectName(QLatin1Char('N') + QStringLiteral("%1").arg(h, 2, 10, QLatin1Char('0')) + QStringLiteral("001"));
  }

  auto* grid = new QGridLayout;
  grid->addWidget(Etiqueta(QStringLiteral("Asunto"), edtAsunto, this), 0, 0);
  grid->addWidget(edtAsunto, 0, 1, 1, 5);
  grid->addWidget(Etiqueta(QStringLiteral("Inicio"), edtFechaInicio, this), 1, 0);
  grid->addWidget(edtFechaInicio, 1, 1);
  grid->addWidget(edtHoraInicio, 1, 2);
  grid->addWidget(btnHoraInicio, 1, 3);
  grid->addWidget(Etiqueta(QStringLiteral("Fin"), edtFechaFin, this), 2, 0);
  grid->addWidget(edtFechaFin, 2, 1);
  grid->addWidget(edtHoraFin, 2, 2);
  grid->addWidget(btnHoraFin, 2, 3);
  grid->addWidget(Etiqueta(QStringLiteral("Aviso"), cbbAviso, this), 3, 0);
  grid->addWidget(cbbAviso, 3, 1, 1, 2);
  grid->addWidget(Etiqueta(QStringLiteral("Categoría"), cbbCategoria, this), 3, 4);
  grid->addWidget(cbbCategoria, 3, 5);
  grid->addWidget(Etiqueta(QStringLiteral("Lugar"), edtLugar, this), 4, 0);
  grid->addWidget(edtLugar, 4, 1, 1, 5);
  grid->addWidget(Etiqueta(QStringLiteral("Notas"), memNotas, this), 5, 0, Qt::AlignTop);
  grid->addWidget(memNotas, 5, 1, 1, 5);
  grid->setColumnStretch(5, 1);
  grid->setRowStretch(5, 1);

  auto* linea = new QFrame(this);
  linea->setFrameShape(QFrame::HLine);
  linea->setFrameShadow(QFrame::Sunken);
  auto* botones = new QHBoxLayout;
  botones->addStretch(1);
  botones->addWidget(btnOk);
  botones->addWidget(btnCancel);
  auto* todo = new QVBoxLayout(this);
  todo->addLayout(grid, 1);
  todo->addWidget(linea);
  todo->addLayout(botones);

  QWidget* orden[] = {edtAsunto, edtFechaInicio, edtHoraInicio, edtFechaFin, edtHoraFin, cbbAviso,
                      cbbCategoria, edtLugar, memNotas, btnOk, btnCancel};
  for (std::size_t i = 1; i < std::size(orden); ++i) setTabOrder(orden[i - 1], orden[i]);

  connect(edtFechaInicio, &QDateEdit::dateChanged, this, [this] { edtFechaInicioChange(); });
  connect(edtHoraInicio, &QLineEdit::textChanged, this, [this] { edtHoraInicioChange(); });
  connect(edtFechaFin, &QDateEdit::dateChanged, this, [this] { edtFechaFinChange(); });
  connect(edtHoraFin, &QLineEdit::textChanged, this, [this] { edtHoraFinChange(); });
  connect(btnHoraInicio, &QToolButton::clicked, this, [this] { btnHoraInicioClick(); });
  connect(btnHoraFin, &QToolButton::clicked, this, [this] { btnHoraFinClick(); });
  connect(popHoras, &QMenu::triggered, this, [this](QAction* a) { popHorasClick(a); });
  connect(btnOk, &QPushButton::clicked, this, [this] { btnOkClick(); });
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
  edtHoraInicio->installEventFilter(this);
  edtHoraFin->installEventFilter(this);

  if (const QScreen* s = (parent ? parent->screen() : QApplication::primaryScreen())) {
    move(s->availableGeometry().center() - rect().center());
  }
}

void TfrmEditCita::CargarCita(data::Table& Tabla) {
  FCargando = true;
  edtAsunto->setText(QString::fromStdString(Tabla.FieldByName("ASUNTO").AsString()));
  FAvisoGuardado = static_cast<int>(Tabla.FieldByName("AVISO").AsInteger());
  if (FAvisoGuardado == kAvisoQuinceDias) cbbAviso->addItem(ListaAvisos().at(kAvisoQuinceDias));
  cbbAviso->setCurrentIndex(FAvisoGuardado >= 0 && FAvisoGuardado < cbbAviso->count() ? FAvisoGuardado : -1);
  FTipoGuardado = static_cast<int>(Tabla.FieldByName("TIPO").AsInteger());
  const int indice = Categorias ? Categorias->IndiceDeID(FTipoGuardado) : -1;
  cbbCategoria->setCurrentIndex(cbbCategoria->count() > 0 ? std::max(indice, 0) : -1);
  PonerCampoFecha(edtFechaInicio, Tabla.FieldByName("FECHA_INI").AsDate());
  PonerCampoFecha(edtFechaFin, Tabla.FieldByName("FECHA_FIN").AsDate());
  edtHoraInicio->setText(QString::fromStdString(Tabla.FieldByName("HORA_INI").AsString()));
  edtHoraFin->setText(QString::fromStdString(Tabla.FieldByName("HORA_FIN").AsString()));
  edtLugar->setText(QString::fromStdString(Tabla.FieldByName("LUGAR").AsString()));
  memNotas->setPlainText(QString::fromStdString(Tabla.FieldByName("NOTAS").AsString()));
  FCargando = false;
}

bool TfrmEditCita::GuardarCita(data::Table& Tabla) {
  if (Tabla.State() != data::TableState::Edit && Tabla.State() != data::TableState::Insert) Tabla.Edit();
  // AVISO goes before FECHA_INI and HORA_INI: the main window's table
  // recomputes the reminder fields from it whenever a start field is set.
  Tabla.FieldByName("ASUNTO").SetAsString(edtAsunto->text().toStdString());
  Tabla.FieldByName("AVISO").SetAsInteger(cbbAviso->currentIndex() >= 0 ? cbbAviso->currentIndex() : FAvisoGuardado);
  const TCategoria* cat = Categorias ? Categorias->CategoriaEn(cbbCategoria->currentIndex()) : nullptr;
  Tabla.FieldByName("TIPO").SetAsInteger(cat ? cat->ID : FTipoGuardado);
  Tabla.FieldByName("FECHA_INI").SetAsDate(DiaDe(edtFechaInicio));
  Tabla.FieldByName("FECHA_FIN").SetAsDate(DiaDe(edtFechaFin));
  Tabla.FieldByName("HORA_INI").SetAsString(NormalizarHora(edtHoraInicio->text()).toStdString());
  Tabla.FieldByName("HORA_FIN").SetAsString(NormalizarHora(edtHoraFin->text()).toStdString());
  Tabla.FieldByName("LUGAR").SetAsString(edtLugar->text().toStdString());
  Tabla.FieldByName("NOTAS").SetAsString(memNotas->toPlainText().toStdString());
  if (!Tabla.Post()) return false;
  Tabla.FlushBuffers();
  return true;
}

TDateTime TfrmEditCita::Inicio() const { return FechaHora(DiaDe(edtFechaInicio), edtHoraInicio->text()); }
TDateTime TfrmEditCita::Fin() const { return FechaHora(DiaDe(edtFechaFin), edtHoraFin->text()); }

void TfrmEditCita::FormShow() {
  CalcularDuracion();
  if (gTemporizadorRefresco) gTemporizadorRefresco(false);
}

void TfrmEditCita::FormClose() {
  if (gTemporizadorRefresco) gTemporizadorRefresco(true);
}

void TfrmEditCita::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!FMostrado) {
    FMostrado = true;
    FormShow();
  }
}

void TfrmEditCita::done(int result) {
  if (FMostrado) {
    FMostrado = false;
    FormClose();
  }
  QDialog::done(result);
}

bool TfrmEditCita::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut) {
    if (watched == edtHoraInicio) edtHoraInicioExit();
    if (watched == edtHoraFin) edtHoraFinExit();
  }
  return QDialog::eventFilter(watched, event);
}

void TfrmEditCita::MoverFin() {
  if (FCargando) return;
  const TDateTime fin = SumarMinutos(FDuracion, Inicio());
  FCargando = true;
  PonerCampoFecha(edtFechaFin, fin);
  edtHoraFin->setText(HoraTexto(fin));
  FCargando = false;
}

void TfrmEditCita::CalcularDuracion() {
  if (FCargando) return;
  FDuracion = MinutosEntre(Inicio(), Fin());
  if (FDuracion == 0) FDuracion = 15;
}

void TfrmEditCita::edtFechaInicioChange() { MoverFin(); }
void TfrmEditCita::edtHoraInicioChange() { MoverFin(); }
void TfrmEditCita::edtFechaFinChange() { CalcularDuracion(); }
void TfrmEditCita::edtHoraFinChange() { CalcularDuracion(); }

void TfrmEditCita::Ordenar(TAdvSpinEdit* Campo) {
  const QString ordenada = NormalizarHora(Campo->text());
  if (ordenada != Campo->text()) Campo->setText(ordenada);
}

void TfrmEditCita::edtHoraInicioExit() { Ordenar(edtHoraInicio); }
void TfrmEditCita::edtHoraFinExit() { Ordenar(edtHoraFin); }

void TfrmEditCita::btnHoraInicioClick() {
  FDestinoMenu = edtHoraInicio;
  popHoras->popup(btnHoraInicio->mapToGlobal(QPoint(0, 0)));
}

void TfrmEditCita::btnHoraFinClick() {
  FDestinoMenu = edtHoraFin;
  popHoras->popup(btnHoraFin->mapToGlobal(QPoint(0, 0)));
}

void TfrmEditCita::popHorasClick(QAction* Item) {
  if (FDestinoMenu) FDestinoMenu->setText(Item->text());
}

bool TfrmEditCita::Validar() {
  // Enter may accept while an hour field still holds what was typed: tidy it
  // as leaving the field would, so the checks see what will be stored.
  Ordenar(edtHoraInicio);
  Ordenar(edtHoraFin);
  TDate dia = 0;
  // Neither an unreadable date nor an unreadable hour is ever stored: each
  // is sent back to be corrected, with a message naming its field.
  const std::pair<QDateEdit*, QString> fechas[] = {{edtFechaInicio, kMsgFechaInicio}, {edtFechaFin, kMsgFechaFin}};
  for (const auto& [campo, mensaje] : fechas) {
    if (!LeerCampoFecha(campo, dia)) {
      ShowInformation(mensaje, this);
      campo->setFocus();
      return false;
    }
  }
  const std::pair<TAdvSpinEdit*, QString> horas[] = {{edtHoraInicio, kMsgHoraInicio}, {edtHoraFin, kMsgHoraFin}};
  for (const auto& [campo, mensaje] : horas) {
    if (!HoraLegible(campo->text())) {
      ShowInformation(mensaje, this);
      campo->setFocus();
      return false;
    }
  }
  if (MinutosEntre(Inicio(), Fin()) < 0) {
    ShowInformation(kMsgInicio, this);
    edtFechaInicio->setFocus();
    return false;
  }
  if (MinutosEntre(Inicio(), Fin()) < 5) {
    ShowInformation(kMsgDuracion, this);
    edtFechaInicio->setFocus();
    return false;
  }
  if (edtAsunto->text().trimmed().isEmpty()) {
    ShowInformation(kMsgAsunto, this);
    edtAsunto->setFocus();
    return false;
  }
  return true;
}

void TfrmEditCita::btnOkClick() {
  if (Validar()) accept();
}

bool EditCita(data::Table& Tabla, const std::function<void(data::Table&)>& AntesDeGuardar) {
  try {
    auto frm = std::make_unique<TfrmEditCita>(QApplication::activeWindow());
    frm->CargarCita(Tabla);
    if (frm->exec() == QDialog::Accepted) {
      if (AntesDeGuardar) AntesDeGuardar(Tabla);
      if (frm->GuardarCita(Tabla)) return true;
      // The table's own rule refused the record and said why; nothing is
      // left half-edited in the caller's table.
      Tabla.Cancel();
      return false;
    }
    if (Tabla.State() == data::TableState::Edit || Tabla.State() == data::TableState::Insert) Tabla.Cancel();
    return false;
  } catch (const std::exception& e) {
    ShowError(e);
    return false;
  }
}

// A change another copy made while the dialog was open is asked about, as
// in the main window's editor.
bool EditCitaById(int Id) {
  data::Table tabla(ConfigAgenda.DataPath.toStdString(), "AGENDA");
  tabla.Open();
  AdjuntarHooksAgenda(tabla, {});
  tabla.SetIndexName("ID");
  if (!tabla.FindKey(Id)) return false;
  {
    TVigiaEdicion vigia(tabla, true);
    if (!EditCita(tabla, TVigiaEdicion::PrepararGuardado)) {
      if (!vigia.Retenida()) return false;
      TCitasLeidas leidas;
      const TGuardadoCita r = vigia.Resolver(leidas, QApplication::activeWindow());
      tabla.SetIndexName("ID");
      if (!r.guardada || !tabla.FindKey(r.ID)) return false;
    }
  }
  tabla.Edit();
  RecalcularAviso(tabla);
  tabla.Post();
  tabla.FlushBuffers();
  if (gGuardadaPorID) gGuardadaPorID();
  return true;
}
