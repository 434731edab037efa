#include "maintenance/UReindex.h"

#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <exception>

#include "app/UAgendaUtil.h"
#include "app/UConfigAgenda.h"
#include "core/Colors.h"
#include "core/Messages.h"
#include "core/ScreenCentre.h"
#include "data/Table.h"
#include "maintenance/TableRebuild.h"

namespace {
const QString kCRLF = QStringLiteral("\r\n");
}

TfrmReindex::TfrmReindex(MainWindowLink link, QWidget* parent) : QDialog(parent), link_(std::move(link)) {
  setObjectName(QStringLiteral("frmReindex"));
  setWindowTitle(QStringLiteral("Reorganizar información"));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                 Qt::MSWindowsFixedSizeDialogHint);
  setFixedSize(354, 210);
  CentreOnScreen(this);
  QFont f(QStringLiteral("Liberation Sans"));
  f.setPointSize(8);
  setFont(f);

  pnlInfo = new QLabel(QStringLiteral("Este proceso reorganiza la información del programa.\r\n"
                                      "No debe haber nadie trabajando en el programa,\r\n"
                                      "ni en éste ordenador ni en otro de la red."),
                       this);
  pnlInfo->setText(pnlInfo->text().replace(kCRLF, QStringLiteral("\n")));
  pnlInfo->setObjectName(QStringLiteral("pnlInfo"));
  pnlInfo->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  pnlInfo->setAlignment(Qt::AlignCenter);
  pnlInfo->setAutoFillBackground(true);
  QPalette tip = pnlInfo->palette();
  tip.setColor(QPalette::Window, ToQColor(clInfoBk));
  tip.setColor(QPalette::WindowText, ToQColor(clInfoText));
  pnlInfo->setPalette(tip);
  pnlInfo->setGeometry(8, 8, 338, 60);

  lblMsg = new QLabel(QStringLiteral("Proceso"), this);
  lblMsg->setObjectName(QStringLiteral("lblMsg"));
  lblMsg->setGeometry(8, 80, 338, 16);
  prbReindex = new QProgressBar(this);
  prbReindex->setObjectName(QStringLiteral("prbReindex"));
  prbReindex->setTextVisible(false);
  prbReindex->setRange(0, 100);
  prbReindex->setValue(0);
  prbReindex->setGeometry(8, 100, 338, 16);
  lblTabla = new QLabel(QStringLiteral("Tabla"), this);
  lblTabla->setObjectName(QStringLiteral("lblTabla"));
  lblTabla->setGeometry(8, 120, 338, 16);

  auto* rule = new QFrame(this);
  rule->setFrameShape(QFrame::HLine);
  rule->setFrameShadow(QFrame::Sunken);
  rule->setGeometry(8, 164, 338, 4);
  btnOk = new QPushButton(QStringLiteral("Aceptar"), this);
  btnOk->setObjectName(QStringLiteral("btnOk"));
  btnOk->setDefault(true);
  btnOk->setGeometry(188, 176, 75, 25);
  connect(btnOk, &QPushButton::clicked, this, [this] { btnOkClick(); });
  btnCancel = new QPushButton(QStringLiteral("Cancelar"), this);
  btnCancel->setObjectName(QStringLiteral("btnCancel"));
  btnCancel->setGeometry(271, 176, 75, 25);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmReindex::reject() {
  if (!busy_) QDialog::reject();
}

void TfrmReindex::btnOkClick() {
  busy_ = true;
  MainWindowLink::Run(link_.StopRefresh);
  QCoreApplication::processEvents();
  btnOk->setEnabled(false);
  btnCancel->setEnabled(false);
  setResult(0);
  MainWindowLink::Run(link_.CloseTable);
  bool done = false;
  try {
    lblMsg->setText(QStringLiteral("Comprobando acceso a tablas ..."));
    lblMsg->repaint();
    bool proceed = true;
    if (TablasEnUso(ConfigAgenda.DataPath)) {
      proceed = MessageDlg(QStringLiteral("Los datos parece que estén siendo utilizados") + kCRLF +
                               QStringLiteral("por otro programa u ordenador.") + kCRLF +
                               QStringLiteral("¿Desea realizar ") + windowTitle() + QStringLiteral("?"),
                           mtConfirmation, mbYes | mbNo, this) == mrYes &&
                MessageDlg(QStringLiteral("Por favor, asegurese que no hay otro ordenador") + kCRLF +
                               QStringLiteral("de la red utilizando el programa."),
                           mtConfirmation, mbOK | mbCancel, this) == mrOk;
    }
    if (proceed) {
      prbReindex->setRange(0, 2);
      prbReindex->setValue(0);
      ReorganizarCarpeta(IncluirBarra(ConfigAgenda.DataPath),
                         [this](const QString& Fichero) { ReorganizarTabla(Fichero); });
      ShowInformation(QStringLiteral("Proceso de reorganización finalizado satisfactoriamente"), this,
                      QStringLiteral("Mensaje"));
      done = true;
    }
  } catch (const std::exception& e) {
    ShowError(e, this);
  }
  MainWindowLink::Run(link_.OpenTable);
  btnOk->setEnabled(true);
  btnCancel->setEnabled(true);
  MainWindowLink::Run(link_.StartRefresh);
  QCoreApplication::processEvents();
  busy_ = false;
  if (done) accept();
}

void TfrmReindex::ReorganizarTabla(const QString& Fichero) {
  prbReindex->setValue(prbReindex->value() + 1);
  QCoreApplication::processEvents();
  const QString carpeta = IncluirBarra(ConfigAgenda.DataPath);
  if (!data::Table(carpeta.toStdString(), Fichero.toStdString()).Exists()) return;
  lblTabla->setText(Fichero);
  lblTabla->repaint();
}

void Reorganizar(const MainWindowLink& link, QWidget* parent) {
  TfrmReindex dialog(link, parent);
  dialog.exec();
}
