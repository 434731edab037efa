#include "maintenance/UAcercaDeAgenda.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QShowEvent>
#include <QUrl>

#include "app/Help.h"
#include "app/UAgendaUtil.h"
#include "app/Version.h"
#include "core/ScreenCentre.h"
#include "maintenance/LinkLabel.h"
#include "maintenance/UGeneraDatos.h"

const char* const kWebProducto = "https://quillar.example.org";
const char* const kWebAutor = "https://www.quillar-software.example.org";
const char* const kNombreAutor = "Quillar Software";

namespace {
// Puts w centred horizontally in a client area `width` wide, at y.
void Centrar(QWidget* w, int width, int y, int w_width, int w_height) {
  w->setGeometry((width - w_width) / 2, y, w_width, w_height);
}
}  // namespace

TfrmAcercaDeAgenda::TfrmAcercaDeAgenda(MainWindowLink link, QWidget* parent)
    : QDialog(parent), link_(std::move(link)) {
  setObjectName(QStringLiteral("frmAcercaDeAgenda"));
  setWindowTitle(QStringLiteral("Acerca de ..."));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                 Qt::MSWindowsFixedSizeDialogHint);
  setFixedSize(255, 327);
  CentreOnScreen(this);
  QFont bold(QStringLiteral("Arial"));
  bold.setPointSize(8);
  bold.setBold(true);
  setFont(bold);
  QFont regular = bold;
  regular.setBold(false);
  Help::SetHelpContext(this, 20);
  const int w = 255;

  lblWeb = new TLinkLabel(QString::fromLatin1(kWebProducto), this);
  lblWeb->setObjectName(QStringLiteral("lblWeb"));
  Centrar(lblWeb, w, 10, 235, 18);
  lblWeb->OnClick = [this] { lblWebClick(); };

  lblVersion = new QLabel(this);
  lblVersion->setObjectName(QStringLiteral("lblVersion"));
  lblVersion->setFont(regular);
  lblVersion->setAlignment(Qt::AlignCenter);
  Centrar(lblVersion, w, 34, 235, 16);
  lblVersion->installEventFilter(this);

  Image1 = new QLabel(this);
  Image1->setObjectName(QStringLiteral("Image1"));
  Image1->setPixmap(QPixmap(QStringLiteral(":/logo.jpg")));
  Centrar(Image1, w, 56, 200, 164);

  Label1 = new QLabel(QStringLiteral("Aplicación desarrollada\npor ") + QString::fromUtf8(kNombreAutor), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setFont(regular);
  Label1->setAlignment(Qt::AlignCenter);
  Centrar(Label1, w, 228, 235, 32);

  lblWebAutor = new TLinkLabel(QString::fromLatin1(kWebAutor), this);
  lblWebAutor->setObjectName(QStringLiteral("lblWebAutor"));
  Centrar(lblWebAutor, w, 264, 235, 18);
  lblWebAutor->OnClick = [this] { lblWebAutorClick(); };

  Button1 = new QPushButton(QStringLiteral("Aceptar"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setDefault(true);
  Centrar(Button1, w, 292, 75, 25);
  connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
}

void TfrmAcercaDeAgenda::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) FormShow();
}

void TfrmAcercaDeAgenda::FormShow() {
  lblVersion->setText(QStringLiteral("Versión ") + VersionText());
  Button1->setFocus();
}

void TfrmAcercaDeAgenda::lblWebClick() { AbrirUrl(QUrl(QString::fromLatin1(kWebProducto))); }

void TfrmAcercaDeAgenda::lblWebAutorClick() { AbrirUrl(QUrl(QString::fromLatin1(kWebAutor))); }

bool TfrmAcercaDeAgenda::eventFilter(QObject* watched, QEvent* event) {
  if (watched == lblVersion && event->type() == QEvent::MouseButtonPress) {
    auto* me = static_cast<QMouseEvent*>(event);
    lblVersionMouseDown(me->button(), me->modifiers());
  }
  return QDialog::eventFilter(watched, event);
}

void TfrmAcercaDeAgenda::lblVersionMouseDown(Qt::MouseButton Button, Qt::KeyboardModifiers Shift) {
  if (Button != Qt::RightButton || !(Shift & Qt::ControlModifier)) return;
  GenerarDatos(link_, this);
  MainWindowLink::Run(link_.Refresh);
}

void AcercaDe(const MainWindowLink& link, QWidget* parent) {
  TfrmAcercaDeAgenda dialog(link, parent);
  dialog.exec();
}
