#include "maintenance/UGeneraDatos.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <chrono>
#include <exception>

#include "app/UConfigAgenda.h"
#include "core/Messages.h"

TfrmGenerarDatos::TfrmGenerarDatos(MainWindowLink link, QWidget* parent) : QDialog(parent), link_(std::move(link)) {
  setObjectName(QStringLiteral("frmGenerarDatos"));
  setWindowTitle(QStringLiteral("Generar datos de prueba"));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                 Qt::MSWindowsFixedSizeDialogHint);
  setFixedSize(482, 101);
  QFont f(QStringLiteral("Liberation Sans"));
  f.setPointSize(8);
  setFont(f);

  auto* label = new QLabel(QStringLiteral("Nº de &citas"), this);
  label->setGeometry(8, 12, 70, 16);
  edtCantidad = new QSpinBox(this);
  edtCantidad->setObjectName(QStringLiteral("edtCantidad"));
  edtCantidad->setAlignment(Qt::AlignRight);
  edtCantidad->setRange(100, 100000000);
  edtCantidad->setSingleStep(100);
  edtCantidad->setValue(1000);
  edtCantidad->setGeometry(80, 8, 121, 22);
  label->setBuddy(edtCantidad);

  ProgressBar = new QProgressBar(this);
  ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
  ProgressBar->setTextVisible(false);
  ProgressBar->setRange(0, 100);
  ProgressBar->setValue(0);
  ProgressBar->setGeometry(8, 40, 466, 16);

  btnGenerar = new QPushButton(QStringLiteral("Generar datos"), this);
  btnGenerar->setObjectName(QStringLiteral("btnGenerar"));
  btnGenerar->setDefault(true);
  btnGenerar->setGeometry(288, 68, 97, 25);
  connect(btnGenerar, &QPushButton::clicked, this, [this] { btnGenerarClick(); });
  btnCancel = new QPushButton(QStringLiteral("Cancelar"), this);
  btnCancel->setObjectName(QStringLiteral("btnCancel"));
  btnCancel->setGeometry(392, 68, 82, 25);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

  FormCreate();
}

void TfrmGenerarDatos::FormCreate() { textosCargados_ = CargarTextosPrueba(textos_, errorTextos_); }

void TfrmGenerarDatos::reject() {
  if (!busy_) QDialog::reject();
}

void TfrmGenerarDatos::btnGenerarClick() {
  // Without its sample texts the generator changes nothing.
  if (!textosCargados_) {
    ShowError(errorTextos_, this);
    return;
  }
  btnGenerar->setEnabled(false);
  MainWindowLink::Run(link_.StopRefresh);
  MainWindowLink::Run(link_.CloseTable);
  busy_ = true;
  bool ok = false;
  try {
    const int n = edtCantidad->value();
    TAzar azar(static_cast<unsigned>(std::chrono::system_clock::now().time_since_epoch().count()));
    GenerarCitas(ConfigAgenda.DataPath, n, textos_, azar, [this, n](int i) {
      if (i == 1) ProgressBar->setRange(0, n);
      ProgressBar->setValue(i);
      ProgressBar->repaint();
      QCoreApplication::processEvents();
    });
    busy_ = false;
    ShowInformation(QStringLiteral("Datos generados"), this);
    ProgressBar->setValue(0);
    ok = true;
  } catch (const std::exception& e) {
    busy_ = false;
    ShowError(e, this);
  }
  btnGenerar->setEnabled(true);
  MainWindowLink::Run(link_.OpenTable);
  MainWindowLink::Run(link_.StartRefresh);
  if (ok) accept();
}

void GenerarDatos(const MainWindowLink& link, QWidget* parent) {
  TfrmGenerarDatos dialog(link, parent);
  dialog.exec();
}
