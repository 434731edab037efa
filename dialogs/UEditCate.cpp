#include "dialogs/UEditCate.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QVBoxLayout>

#include "app/Help.h"
#include "app/UCategoriaClass.h"
#include "core/Pickers.h"
#include "dialogs/ColorSwatch.h"

namespace {
constexpr QSize kClientSize(326, 142);
}

TfrmEditCate::TfrmEditCate(QWidget* parent) : QDialog(parent) {
  setObjectName("frmEditCate");
  setWindowTitle(QStringLiteral("Categoría"));
  setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
  Help::SetHelpContext(this, 14);

  edtCate = new QLineEdit(this);
  edtCate->setObjectName("edtCate");
  edtCate->setMaxLength(kLongitudNombreCategoria);
  auto* lblCate = new QLabel(QStringLiteral("Descripción"), this);
  lblCate->setBuddy(edtCate);

  shColor = new TColorSwatch(this);
  shColor->setObjectName("shColor");
  shColor->setFixedSize(105, 21);
  shColor->OnDblClick = [this](TColorSwatch*) { btnColorClick(); };
  auto* lblColor = new QLabel(QStringLiteral("Color"), this);

  // The sample lies on the swatch and lets its clicks through, so a double
  // click on it reaches the swatch.
  lblEjemplo = new QLabel(QStringLiteral("Texto de ejemplo"), shColor);
  lblEjemplo->setObjectName("lblEjemplo");
  lblEjemplo->setAlignment(Qt::AlignCenter);
  lblEjemplo->setGeometry(shColor->rect());
  lblEjemplo->setAttribute(Qt::WA_TransparentForMouseEvents);

  btnColor = new QPushButton(QStringLiteral("..."), this);
  btnColor->setObjectName("btnColor");
  btnColor->setToolTip(QStringLiteral("Selecciona color fondo"));
  btnColor->setAutoDefault(false);
  btnColor->setFixedWidth(btnColor->fontMetrics().horizontalAdvance(QStringLiteral("...")) + 16);
  connect(btnColor, &QPushButton::clicked, this, [this] { btnColorClick(); });
  lblColor->setBuddy(btnColor);

  auto* line = new QFrame(this);
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);

  btnOk = new QPushButton(QStringLiteral("&Aceptar"), this);
  btnOk->setObjectName("btnOk");
  btnOk->setDefault(true);
  connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
  btnCancel = new QPushButton(QStringLiteral("Cancelar"), this);
  btnCancel->setObjectName("btnCancel");
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);  // Esc rejects as well

  auto* fields = new QGridLayout;
  fields->addWidget(lblCate, 0, 0);
  fields->addWidget(edtCate, 0, 1, 1, 3);
  fields->addWidget(lblColor, 1, 0);
  fields->addWidget(shColor, 1, 1);
  fields->addWidget(btnColor, 1, 2);
  fields->setColumnStretch(3, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btnOk);
  buttons->addWidget(btnCancel);

  auto* main = new QVBoxLayout(this);
  main->addLayout(fields);
  main->addStretch(1);
  main->addWidget(line);
  main->addLayout(buttons);

  // A fixed border: the client area keeps its size unless the fonts of this
  // desktop need more room.
  setFixedSize(sizeHint().expandedTo(kClientSize));
}

void TfrmEditCate::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous()) return;
  if (const QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());
  FormShow();
}

void TfrmEditCate::FormShow() { edtCate->setFocus(); }

void TfrmEditCate::btnColorClick() {
  TColor c = shColor->Color();
  if (PickColor(c, this)) shColor->SetColor(c);
}

bool EditarCategoria(QWidget* owner, QString& Nombre, TColor& Color) {
  TfrmEditCate frm(owner);
  frm.edtCate->setText(Nombre);
  frm.shColor->SetColor(Color);
  if (frm.exec() != QDialog::Accepted) return false;
  Nombre = frm.edtCate->text();
  Color = frm.shColor->Color();
  return true;
}
