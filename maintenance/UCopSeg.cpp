#include "maintenance/UCopSeg.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QShowEvent>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <algorithm>
#include <exception>

#include "app/Help.h"
#include "app/UAgendaUtil.h"
#include "app/UConfigAgenda.h"
#include "core/Clock.h"
#include "core/Messages.h"
#include "core/ScreenCentre.h"
#include "maintenance/BackupArchive.h"
#include "maintenance/BackupMessages.h"

namespace {
// Where a first backup is proposed: the user's home folder.
QString DefaultBackupFolder() { return IncluirBarra(QDir::homePath()); }
}  // namespace

TfrmCopSeg::TfrmCopSeg(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmCopSeg"));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
  setFixedSize(479, 158);
  CentreOnScreen(this);
  QFont f(QStringLiteral("Arial"));
  f.setPointSize(8);
  setFont(f);
  Help::SetHelpContext(this, 18);

  Label3 = new QLabel(QStringLiteral("Destino"), this);
  Label3->setObjectName(QStringLiteral("Label3"));
  Label3->setGeometry(8, 12, 60, 16);
  edtPath = new QLineEdit(this);
  edtPath->setObjectName(QStringLiteral("edtPath"));
  edtPath->setGeometry(72, 8, 370, 22);
  Label3->setBuddy(edtPath);
  btnFolder = new QToolButton(this);
  btnFolder->setObjectName(QStringLiteral("btnFolder"));
  btnFolder->setAutoRaise(true);
  btnFolder->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
  btnFolder->setGeometry(446, 7, 24, 24);
  connect(btnFolder, &QToolButton::clicked, this, [this] { btnFolderClick(); });

  lblProceso = new QLabel(QStringLiteral("Proceso"), this);
  lblProceso->setObjectName(QStringLiteral("lblProceso"));
  lblProceso->setGeometry(8, 40, 60, 16);
  ProgressBar = new QProgressBar(this);
  ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
  ProgressBar->setRange(0, 100);
  ProgressBar->setValue(0);
  ProgressBar->setTextVisible(false);
  ProgressBar->setGeometry(72, 38, 398, 18);
  lblFileName = new QLabel(this);
  lblFileName->setObjectName(QStringLiteral("lblFileName"));
  lblFileName->setGeometry(72, 60, 398, 16);

  auto* rule = new QFrame(this);
  rule->setFrameShape(QFrame::HLine);
  rule->setFrameShadow(QFrame::Sunken);
  rule->setGeometry(8, 112, 463, 4);

  btnOK = new QPushButton(QStringLiteral("&Aceptar"), this);
  btnOK->setObjectName(QStringLiteral("btnOK"));
  btnOK->setDefault(true);
  btnOK->setGeometry(311, 124, 77, 25);
  connect(btnOK, &QPushButton::clicked, this, [this] { btnOKClick(); });
  btnCancel = new QPushButton(QStringLiteral("&Cancelar"), this);
  btnCancel->setObjectName(QStringLiteral("btnCancel"));
  btnCancel->setGeometry(394, 124, 77, 25);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

  OpenDialog = new QFileDialog(this);
  OpenDialog->setObjectName(QStringLiteral("OpenDialog"));
  OpenDialog->setFileMode(QFileDialog::ExistingFile);
  OpenDialog->setAcceptMode(QFileDialog::AcceptOpen);
  OpenDialog->setNameFilters({QStringLiteral("Archivos ZIP (*.zip)"), QStringLiteral("Archivos RAR (*.rar)")});

  SetModo(mdCopia);
}

void TfrmCopSeg::SetModo(int modo) {
  if (modo == modo_ && !windowTitle().isEmpty()) return;
  modo_ = modo;
  if (modo_ == mdRestauracion) {
    setWindowTitle(QStringLiteral("Restaurar copia de seguridad"));
    Label3->setText(QStringLiteral("Origen"));
    btnFolder->setToolTip(QStringLiteral("Seleccionar origen"));
  } else {
    setWindowTitle(QStringLiteral("Copia de seguridad"));
    Label3->setText(QStringLiteral("Destino"));
    btnFolder->setToolTip(QStringLiteral("Seleccionar destino"));
  }
}

void TfrmCopSeg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) FormShow();
}

void TfrmCopSeg::FormShow() {
  lblFileName->clear();
  SetModo(modo_);
  edtPath->setText(ConfigAgenda.PathCopSeg.isEmpty() ? DefaultBackupFolder() : ConfigAgenda.PathCopSeg);
  edtPath->setFocus();
}

void TfrmCopSeg::reject() {
  // The archive operations let window messages run; the dialog stays until
  // they end.
  if (!busy_) QDialog::reject();
}

void TfrmCopSeg::btnFolderClick() {
  const QString dir = QFileDialog::getExistingDirectory(this, QStringLiteral("Seleccione directorio datos"),
                                                        edtPath->text(), QFileDialog::ShowDirsOnly);
  if (!dir.isEmpty()) edtPath->setText(IncluirBarra(dir));
}

void TfrmCopSeg::btnOKClick() {
  setResult(0);
  btnOK->setEnabled(false);
  btnCancel->setEnabled(false);
  bool closeOk = false;
  const QString folder = IncluirBarra(edtPath->text());
  if (!QFileInfo(folder).isDir()) {
    ShowError(QStringLiteral("¡Se ha introducido una ruta inexistente!"), this);
    btnOK->setEnabled(true);
    btnCancel->setEnabled(true);
    edtPath->setFocus();
    return;
  }
  try {
    Ejecutar(folder, closeOk);
  } catch (const std::exception& e) {
    busy_ = false;
    ShowError(e, this);
  }
  btnOK->setEnabled(true);
  btnCancel->setEnabled(true);
  if (closeOk) accept();
}

void TfrmCopSeg::Ejecutar(const QString& folder, bool& closeOk) {
  if (modo_ == mdCopia) {
    const int r = HacerCopia(folder);
    if (r == backupcode::kOk) {
      ShowInformation(QStringLiteral("Copia de seguridad realizada con éxito."), this);
      closeOk = true;
    } else {
      ShowError(BackupFailureText({r, errorText_}), this);
    }
  } else {
    OpenDialog->setDirectory(folder);
    if (OpenDialog->exec() == QDialog::Accepted && !OpenDialog->selectedFiles().isEmpty()) {
      const int r = HacerRestauracion(OpenDialog->selectedFiles().constFirst());
      if (r == backupcode::kOk) {
        closeOk = true;
        ShowInformation(QStringLiteral("Se han restaurado los datos con éxito."), this);
      } else if (r == backupcode::kCancelled) {
        ShowInformation(QStringLiteral("Acción cancelada por el usuario"), this);
      } else {
        ShowError(RestoreFailureText({r, errorText_}), this);
      }
    }
  }
}

int TfrmCopSeg::HacerCopia(const QString& Carpeta) {
  const QString data = IncluirBarra(ConfigAgenda.DataPath);
  if (!HasBackupData(data)) {
    ShowError(NoDataFilesText(data), this);
    errorText_ = QStringLiteral("No se ha realizado ninguna operación.");
    return backupcode::kNotBackup;
  }
  busy_ = true;
  ArchiveProgress progress;
  progress.Total = [this](std::int64_t t) { ProgressTotal(t); };
  progress.NewFile = [this](const QString& n) { ProgressNewFile(n); };
  progress.Bytes = [this](std::int64_t b) { ProgressBytes(b); };
  const ArchiveResult r = CreateBackup(data, Carpeta + BackupArchiveName(Clock::Now()), progress);
  busy_ = false;
  errorText_ = r.errorText;
  ConfigAgenda.PathCopSeg = edtPath->text();
  GuardarConfig();
  return r.code;
}

int TfrmCopSeg::HacerRestauracion(const QString& Archivo) {
  if (MessageDlg(QStringLiteral("Restaurar copia de seguridad"), mtConfirmation, mbYes | mbNo, this) != mrYes)
    return backupcode::kCancelled;
  busy_ = true;
  ArchiveProgress progress;
  progress.Total = [this](std::int64_t t) { ProgressTotal(t); };
  progress.NewFile = [this](const QString& n) { ProgressNewFile(n); };
  progress.Bytes = [this](std::int64_t b) { ProgressBytes(b); };
  const ArchiveResult r = RestoreBackup(Archivo, IncluirBarra(ConfigAgenda.DataPath), progress);
  busy_ = false;
  errorText_ = r.errorText;
  return r.code;
}

void TfrmCopSeg::ProgressTotal(std::int64_t total) {
  total_ = total;
  processed_ = 0;
  ProgressBar->setMaximum(10001);
}

void TfrmCopSeg::ProgressNewFile(const QString& name) {
  lblFileName->setText(QStringLiteral("Procesando: ") + QFileInfo(name).fileName());
  QCoreApplication::processEvents();
}

void TfrmCopSeg::ProgressBytes(std::int64_t bytes) {
  processed_ += bytes;
  ProgressBar->setValue(std::clamp(ProgressPosition(processed_, total_), ProgressBar->minimum(),
                                   ProgressBar->maximum()));
  QCoreApplication::processEvents();
}

namespace {
void Mostrar(int modo, QWidget* parent) {
  TfrmCopSeg dialog(parent);
  dialog.SetModo(modo);
  dialog.exec();
}
}  // namespace

void CopiarDatos(QWidget* parent) { Mostrar(TfrmCopSeg::mdCopia, parent); }
void RestaurarDatos(QWidget* parent) { Mostrar(TfrmCopSeg::mdRestauracion, parent); }
