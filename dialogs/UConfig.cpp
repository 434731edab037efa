#include "dialogs/UConfig.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShowEvent>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>
#include <tuple>

#include "app/Help.h"
#include "app/UAgendaUtil.h"
#include "app/UCategoriaClass.h"
#include "app/UConfigAgenda.h"
#include "controls/EllipsLabel.h"
#include "core/Messages.h"
#include "core/Pickers.h"
#include "data/sql/Query.h"
#include "dialogs/AdvSpin.h"
#include "dialogs/ColorSwatch.h"
#include "dialogs/UEditCate.h"

namespace {
constexpr QSize kClientSize(390, 277);
constexpr int kAlturaFila = 14;

// Paints the category rows through the dialog's draw handler, 14 pixels each.
class CategoriaDelegate : public QStyledItemDelegate {
 public:
  explicit CategoriaDelegate(TfrmConfig* form) : QStyledItemDelegate(form), form_(form) {}
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    painter->save();
    painter->setFont(option.font);
    form_->lbCategoriasDrawItem(*painter, index.row(), option.rect, option.state & QStyle::State_Selected);
    painter->restore();
  }
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override {
    return QSize(option.rect.width(), kAlturaFila);
  }

 private:
  TfrmConfig* form_;
};

QToolButton* BotonElegir(QWidget* parent, const char* name, const QString& tooltip) {
  auto* b = new QToolButton(parent);
  b->setObjectName(name);
  b->setText(QStringLiteral("..."));
  b->setToolTip(tooltip);
  return b;
}

TColorSwatch* Muestra(QWidget* parent, const char* name) {
  auto* s = new TColorSwatch(parent);
  s->setObjectName(name);
  s->setFixedSize(21, 17);
  return s;
}

// True when some appointment of the data folder has the category.
bool CategoriaEnUso(int ID) {
  data::Query q(ConfigAgenda.DataPath.toStdString());
  q.SetSQL({"SELECT ID, TIPO", "FROM AGENDA.DBF", "WHERE TIPO=:pTipo"});
  q.ParamByName("pTipo").SetAsInteger(ID);
  q.Open();
  const bool usada = !q.IsEmpty();
  q.Close();
  return usada;
}

const QString kAvisoBase = QStringLiteral("Esta categoría no se puede eliminar.\r\nEs la categoría base.");
const QString kPreguntaEnUso = QStringLiteral(
    "La categoría que va a eliminar\r\n"
    "está siendo utilizada en las citas.\r\n"
    "Si la elimina, las citas que tengan\r\n"
    "dicha categoría se pasarán a la \r\n"
    "categoría \"Normal\".\r\n"
    "¿Esta seguro/a de querer eliminarla?");
}  // namespace

TfrmConfig::TfrmConfig(QWidget* parent) : QDialog(parent) {
  setObjectName("frmConfig");
  setWindowTitle(QStringLiteral("Configuración"));
  setFont(QFont(QStringLiteral("Arial"), 8));
  Help::SetHelpContext(this, 13);

  pcConfig = new QTabWidget(this);
  pcConfig->setObjectName("pcConfig");
  tsGeneral = CrearPaginaGeneral();
  tsCategorias = CrearPaginaCategorias();
  pcConfig->addTab(tsGeneral, QStringLiteral("General"));
  pcConfig->addTab(tsCategorias, QStringLiteral("Categorías"));
  connect(pcConfig, &QTabWidget::currentChanged, this, [this] { pcConfigChange(); });

  btnOk = new QPushButton(QStringLiteral("&Aceptar"), this);
  btnOk->setObjectName("btnOk");
  btnOk->setDefault(true);
  connect(btnOk, &QPushButton::clicked, this, [this] { btnOkClick(); });
  BitBtn1 = new QPushButton(QStringLiteral("Cancelar"), this);
  BitBtn1->setObjectName("BitBtn1");
  connect(BitBtn1, &QPushButton::clicked, this, &QDialog::reject);  // Esc rejects as well

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btnOk);
  buttons->addWidget(BitBtn1);
  auto* main = new QVBoxLayout(this);
  main->addWidget(pcConfig, 1);
  main->addLayout(buttons);

  // A fixed border: the client area keeps its size unless the fonts of this
  // desktop need more room.
  setFixedSize(sizeHint().expandedTo(kClientSize));
}

QWidget* TfrmConfig::CrearPaginaGeneral() {
  auto* page = new QWidget;
  page->setObjectName("tsGeneral");

  rgWindowState = new QGroupBox(QStringLiteral(" Ventana "), page);
  rgWindowState->setObjectName("rgWindowState");
  FWindowStates = new QButtonGroup(rgWindowState);
  auto* rgLayout = new QVBoxLayout(rgWindowState);
  int id = 0;
  for (const QString& item : {QStringLiteral("Normal"), QStringLiteral("Maximizada")}) {
    auto* rb = new QRadioButton(item, rgWindowState);
    FWindowStates->addButton(rb, id++);
    rgLayout->addWidget(rb);
  }

  chkMostrarAvisos = new QCheckBox(QStringLiteral("Mostrar avisos"), page);
  chkMostrarAvisos->setObjectName("chkMostrarAvisos");
  chkWindowsRun = new QCheckBox(QStringLiteral("Iniciar al arrancar Windows"), page);
  chkWindowsRun->setObjectName("chkWindowsRun");
  chkAvisarRed = new QCheckBox(QStringLiteral("Avisar a otros equipos de la red"), page);
  chkAvisarRed->setObjectName("chkAvisarRed");

  gbWorkTime = new QGroupBox(QStringLiteral(" Horario laboral "), page);
  gbWorkTime->setObjectName("gbWorkTime");
  auto* wtLayout = new QGridLayout(gbWorkTime);
  auto* times = new QHBoxLayout;
  for (auto [field, name, caption] : {std::tuple{&edtWorkTimeFrom, "edtWorkTimeFrom", "Desde"},
                                      std::tuple{&edtWorkTimeTo, "edtWorkTimeTo", "Hasta"}}) {
    auto* e = new TAdvSpinEdit(gbWorkTime);
    e->setObjectName(name);
    e->SetSpinType(sptTime);
    e->SetShowSeconds(false);
    e->SetIncrementMinutes(30);
    e->SetIncrementHours(1);
    e->SetLabelCaption(QString::fromUtf8(caption));
    e->setFixedWidth(e->fontMetrics().horizontalAdvance(QStringLiteral("00:00")) + 32);
    // The caption sits left of the field, outside the layout: keep its room.
    times->addSpacing(e->Label()->width() + e->LabelMargin());
    times->addWidget(e);
    times->addSpacing(8);
    *field = e;
  }
  times->addStretch(1);
  wtLayout->addLayout(times, 0, 0, 1, 5);
  struct Dia {
    QCheckBox** box;
    const char* name;
    const char* caption;
  } dias[] = {{&cbxWTLun, "cbxWTLun", "lun"}, {&cbxWTMar, "cbxWTMar", "mar"}, {&cbxWTMie, "cbxWTMie", "mie"},
              {&cbxWTJue, "cbxWTJue", "jue"}, {&cbxWTVie, "cbxWTVie", "vie"}, {&cbxWTSab, "cbxWTSab", "sáb"},
              {&cbxWTDom, "cbxWTDom", "dom"}};
  int n = 0;
  for (const Dia& d : dias) {
    auto* box = new QCheckBox(QString::fromUtf8(d.caption), gbWorkTime);
    box->setObjectName(d.name);
    wtLayout->addWidget(box, 1 + n / 5, n % 5);
    *d.box = box;
    ++n;
  }

  shColorFondoWT = Muestra(page, "shColorFondoWT");
  btnSetColorWT = BotonElegir(page, "btnSetColorWT", QStringLiteral("Selecciona color fondo \nhorario laboral"));
  connect(btnSetColorWT, &QToolButton::clicked, this, [this] { btnSetColorWTClick(); });
  shMarkDayColor = Muestra(page, "shMarkDayColor");
  btnMarkDayColor = BotonElegir(page, "btnMarkDayColor", QStringLiteral("Selecciona color fondo \ndías con citas"));
  connect(btnMarkDayColor, &QToolButton::clicked, this, [this] { btnMarkDayColorClick(); });
  auto* colours = new QGridLayout;
  auto* lblWT = new QLabel(QStringLiteral("Color horario laboral"), page);
  lblWT->setBuddy(btnSetColorWT);
  auto* lblMark = new QLabel(QStringLiteral("Color día con citas"), page);
  lblMark->setBuddy(btnMarkDayColor);
  colours->addWidget(lblWT, 0, 0);
  colours->addWidget(shColorFondoWT, 0, 1);
  colours->addWidget(btnSetColorWT, 0, 2);
  colours->addWidget(lblMark, 1, 0);
  colours->addWidget(shMarkDayColor, 1, 1);
  colours->addWidget(btnMarkDayColor, 1, 2);
  colours->setRowStretch(2, 1);

  auto* bevel = new QFrame(page);
  bevel->setFrameShape(QFrame::StyledPanel);
  bevel->setFrameShadow(QFrame::Sunken);
  lblDirDatos = new TEllipsLabel(bevel);
  lblDirDatos->setObjectName("lblDirDatos");
  lblDirDatos->SetEllipsType(etPathEllips);
  auto* bevelLayout = new QHBoxLayout(bevel);
  bevelLayout->setContentsMargins(3, 2, 3, 2);
  bevelLayout->addWidget(lblDirDatos);
  btnPathDatos = BotonElegir(page, "btnPathDatos", QStringLiteral("Selecciona directorio datos"));
  connect(btnPathDatos, &QToolButton::clicked, this, [this] { btnPathDatosClick(); });
  auto* lblPath = new QLabel(QStringLiteral("Directorio datos:"), page);
  lblPath->setBuddy(btnPathDatos);
  auto* path = new QHBoxLayout;
  path->addWidget(bevel, 1);
  path->addWidget(btnPathDatos);

  auto* checks = new QVBoxLayout;
  checks->addWidget(chkMostrarAvisos);
  checks->addWidget(chkWindowsRun);
  checks->addWidget(chkAvisarRed);
  checks->addStretch(1);

  auto* grid = new QGridLayout(page);
  grid->addWidget(rgWindowState, 0, 0);
  grid->addLayout(checks, 0, 1);
  grid->addWidget(gbWorkTime, 1, 0);
  grid->addLayout(colours, 1, 1);
  grid->addWidget(lblPath, 2, 0, 1, 2);
  grid->addLayout(path, 3, 0, 1, 2);
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(4, 1);
  return page;
}

QWidget* TfrmConfig::CrearPaginaCategorias() {
  auto* page = new QWidget;
  page->setObjectName("tsCategorias");

  lbCategorias = new QListWidget(page);
  lbCategorias->setObjectName("lbCategorias");
  lbCategorias->setSelectionMode(QAbstractItemView::SingleSelection);
  lbCategorias->setUniformItemSizes(true);
  lbCategorias->setItemDelegate(new CategoriaDelegate(this));
  Help::SetHelpContext(lbCategorias, 14);
  connect(lbCategorias, &QListWidget::itemDoubleClicked, this, [this] { btnEditCateClick(); });

  btnNewCate = new QPushButton(QStringLiteral("Nueva"), page);
  btnNewCate->setObjectName("btnNewCate");
  connect(btnNewCate, &QPushButton::clicked, this, [this] { btnNewCateClick(); });
  btnEditCate = new QPushButton(QStringLiteral("Editar"), page);
  btnEditCate->setObjectName("btnEditCate");
  connect(btnEditCate, &QPushButton::clicked, this, [this] { btnEditCateClick(); });
  btnDelCate = new QPushButton(QStringLiteral("Borrar"), page);
  btnDelCate->setObjectName("btnDelCate");
  connect(btnDelCate, &QPushButton::clicked, this, [this] { btnDelCateClick(); });

  auto* panel = new QVBoxLayout;
  panel->addWidget(btnNewCate);
  panel->addWidget(btnEditCate);
  panel->addWidget(btnDelCate);
  panel->addStretch(1);
  auto* layout = new QHBoxLayout(page);
  layout->addWidget(lbCategorias, 1);
  layout->addLayout(panel);
  return page;
}

int TfrmConfig::WindowStateIndex() const { return FWindowStates->checkedId(); }

void TfrmConfig::SetWindowStateIndex(int Index) {
  // Out-of-range settings show as the nearest choice.
  FWindowStates->button(std::clamp(Index, 0, 1))->setChecked(true);
}

TCategoria* TfrmConfig::FilaCruda(int Row) const {
  const QListWidgetItem* item = lbCategorias->item(Row);
  return item ? reinterpret_cast<TCategoria*>(item->data(Qt::UserRole).value<quintptr>()) : nullptr;
}

TCategoria* TfrmConfig::CategoriaDeFila(int Row) const {
  TCategoria* cat = FilaCruda(Row);
  return Vigente(cat) ? cat : nullptr;
}

// The list can be reloaded while the dialog is open (the main window's
// refresh runs during any modal window): its categories are then new objects
// and the rows stand for none of them, even where a new one took an old
// one's address.
bool TfrmConfig::Vigente(const TCategoria* Cat) const {
  if (!Cat || !Categorias || Categorias->Carga() != cargaFilas_) return false;
  for (int i = 0; i < Categorias->Count(); ++i)
    if (Categorias->CategoriaEn(i) == Cat) return true;
  return false;
}

bool TfrmConfig::FilasAlDia() const {
  const int n = Categorias ? Categorias->Count() : 0;
  if (lbCategorias->count() != n || (Categorias && Categorias->Carga() != cargaFilas_)) return false;
  for (int i = 0; i < n; ++i)
    if (FilaCruda(i) != Categorias->CategoriaEn(i)) return false;
  return true;
}

TCategoria* TfrmConfig::CategoriaSeleccionada() {
  if (!FilasAlDia()) {
    // What the user chose is gone: show the list as it is now, act on nothing.
    LlenarLista();
    return nullptr;
  }
  QListWidgetItem* item = lbCategorias->currentItem();
  return item && item->isSelected() ? CategoriaDeFila(lbCategorias->row(item)) : nullptr;
}

void TfrmConfig::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous()) return;
  if (const QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());
  FormShow();
}

void TfrmConfig::FormShow() {
  const TConfigAgenda& c = ConfigAgenda;
  SetWindowStateIndex(c.WindowState);
  chkMostrarAvisos->setChecked(c.ShowReminder);
  edtWorkTimeFrom->SetTimeValue(c.BeginWorkTime);
  edtWorkTimeTo->SetTimeValue(c.EndWorkTime);
  cbxWTLun->setChecked(c.WorkLun);
  cbxWTMar->setChecked(c.WorkMar);
  cbxWTMie->setChecked(c.WorkMie);
  cbxWTJue->setChecked(c.WorkJue);
  cbxWTVie->setChecked(c.WorkVie);
  cbxWTSab->setChecked(c.WorkSab);
  cbxWTDom->setChecked(c.WorkDom);
  shColorFondoWT->SetColor(c.WorkTimeColor);
  shMarkDayColor->SetColor(c.MarkDayColor);
  chkWindowsRun->setChecked(c.WindowsRun);
  chkAvisarRed->setChecked(c.NotifyNetwork);
  lblDirDatos->SetCaption(c.DataPath);
  LlenarLista();
  pcConfig->setCurrentWidget(tsGeneral);
}

void TfrmConfig::AnadirFila(TCategoria* Cat) {
  auto* item = new QListWidgetItem(Cat->Nombre);
  item->setData(Qt::UserRole, QVariant::fromValue(reinterpret_cast<quintptr>(Cat)));
  lbCategorias->addItem(item);
}

void TfrmConfig::LlenarLista() {
  lbCategorias->clear();
  if (Categorias) {
    cargaFilas_ = Categorias->Carga();
    for (int i = 0; i < Categorias->Count(); ++i) AnadirFila(Categorias->CategoriaEn(i));
  }
  if (lbCategorias->count() > 0) lbCategorias->setCurrentRow(0);
  lbCategorias->viewport()->update();
}

void TfrmConfig::pcConfigChange() {
  if (pcConfig->currentWidget() == tsGeneral) {
    if (QAbstractButton* b = FWindowStates->checkedButton()) {
      b->setFocus();
    } else {
      FWindowStates->button(0)->setFocus();
    }
  } else if (pcConfig->currentWidget() == tsCategorias) {
    lbCategorias->setFocus();
    if (lbCategorias->selectedItems().isEmpty() && lbCategorias->count() > 0) lbCategorias->setCurrentRow(0);
  }
}

void TfrmConfig::btnPathDatosClick() {
  QString folder = lblDirDatos->Caption();
  if (PickFolder(folder, QStringLiteral("Seleccione directorio datos"), this)) lblDirDatos->SetCaption(folder);
}

void TfrmConfig::btnSetColorWTClick() {
  TColor c = shColorFondoWT->Color();
  if (PickColor(c, this)) shColorFondoWT->SetColor(c);
}

void TfrmConfig::btnMarkDayColorClick() {
  TColor c = shMarkDayColor->Color();
  if (PickColor(c, this)) shMarkDayColor->SetColor(c);
}

void TfrmConfig::btnOkClick() {
  TConfigAgenda& c = ConfigAgenda;
  c.WindowState = WindowStateIndex();
  c.DataPath = IncluirBarra(lblDirDatos->Caption());
  c.BeginWorkTime = edtWorkTimeFrom->TimeValue();
  c.EndWorkTime = edtWorkTimeTo->TimeValue();
  c.WorkLun = cbxWTLun->isChecked();
  c.WorkMar = cbxWTMar->isChecked();
  c.WorkMie = cbxWTMie->isChecked();
  c.WorkJue = cbxWTJue->isChecked();
  c.WorkVie = cbxWTVie->isChecked();
  c.WorkSab = cbxWTSab->isChecked();
  c.WorkDom = cbxWTDom->isChecked();
  c.WorkTimeColor = shColorFondoWT->Color();
  c.MarkDayColor = shMarkDayColor->Color();
  c.ShowReminder = chkMostrarAvisos->isChecked();
  c.WindowsRun = chkWindowsRun->isChecked();
  c.NotifyNetwork = chkAvisarRed->isChecked();
  // The list goes back to the folder it was read from, even when DataPath now
  // names another one (the main window then reloads it from there). A failure
  // shows its own text and leaves config.ini as it was; the settings taken
  // above are saved with it when the program closes, and the list, still
  // changed in memory, by a later "Aceptar".
  try {
    if (Categorias) Categorias->Guardar();
    GuardarConfig();
  } catch (const std::exception& e) {
    ShowError(e, this);
  }
  accept();
}

void TfrmConfig::lbCategoriasDrawItem(QPainter& Canvas, int Index, const QRect& Rect, bool Selected) {
  QColor texto = ToQColor(clWindowText);
  QColor fondo = ToQColor(Categorias ? Categorias->ColorDeIndice(Index) : clWindow);
  if (Selected) {
    texto = ToQColor(clHighlightText);
    fondo = ToQColor(clHighlight);
  }
  Canvas.fillRect(Rect, fondo);
  const QListWidgetItem* item = lbCategorias->item(Index);
  if (!item) return;
  const int alto = QFontMetrics(Canvas.font()).height();
  const int top = Rect.top() + Rect.height() / 2 - alto / 2;
  Canvas.setClipRect(Rect);
  Canvas.setPen(texto);
  Canvas.drawText(QRect(Rect.left() + 2, top, Rect.width() - 2, alto), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                  item->text());
}

void TfrmConfig::btnNewCateClick() {
  try {
    QString nombre = QStringLiteral("(Nueva categoria)");
    TColor color = clWindow;
    if (!EditarCategoria(this, nombre, color) || !Categorias) return;
    const bool alDia = FilasAlDia();
    TCategoria* cat = Categorias->Nueva();  // ID -1 until the list is saved
    cat->Nombre = nombre;
    cat->Color = color;
    if (alDia) {
      AnadirFila(cat);
    } else {
      LlenarLista();
    }
  } catch (const std::exception& e) {
    ShowError(e, this);
  }
}

void TfrmConfig::btnEditCateClick() {
  if (lbCategorias->count() == 0) return btnNewCateClick();
  TCategoria* cat = CategoriaSeleccionada();
  if (!cat) return;
  try {
    QString nombre = cat->Nombre;
    TColor color = cat->Color;
    if (!EditarCategoria(this, nombre, color)) return;
    if (!Vigente(cat)) {
      LlenarLista();
      return;
    }
    cat->Nombre = nombre;
    cat->Color = color;
    for (int row = 0; row < lbCategorias->count(); ++row)
      if (CategoriaDeFila(row) == cat) lbCategorias->item(row)->setText(nombre);
    lbCategorias->viewport()->update();
  } catch (const std::exception& e) {
    ShowError(e, this);
  }
}

void TfrmConfig::btnDelCateClick() {
  if (lbCategorias->count() == 0) return;
  TCategoria* cat = CategoriaSeleccionada();
  if (!cat) return;
  if (cat->ID == 0) {
    ShowInformation(kAvisoBase, this);
    return;
  }
  bool usada = false;
  try {
    usada = CategoriaEnUso(cat->ID);
  } catch (const std::exception& e) {
    // Without knowing, nothing is removed.
    ShowError(e, this);
    return;
  }
  if (usada && !Confirm(kPreguntaEnUso, this)) return;
  if (Vigente(cat)) Categorias->Quitar(cat);
  LlenarLista();
}

bool EjecutarConfiguracion(QWidget* owner) {
  TfrmConfig frm(owner);
  return frm.exec() == QDialog::Accepted;
}
