#include "dialogs/UImportarIcal.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include "app/Help.h"
#include "app/UConfigAgenda.h"
#include "core/Clock.h"
#include "core/Messages.h"
#include "dialogs/CampoFecha.h"
#include "ical/IcalImport.h"

TfrmImportarIcal::TfrmImportarIcal(const QString& Fichero, AvisarCambioFn Avisar, QWidget* parent)
    : QDialog(parent), fichero_(Fichero), avisar_(std::move(Avisar)) {
  setObjectName(QStringLiteral("frmImportarIcal"));
  setWindowTitle(QStringLiteral("Importar iCalendar"));
  QFont f(QStringLiteral("Liberation Sans"));
  f.setPointSize(8);
  setFont(f);
  setFixedSize(444, 230);
  Help::SetHelpContext(this, 22);

  lblFichero = new QLabel(QStringLiteral("Fichero: ") + QFileInfo(Fichero).fileName(), this);
  lblFichero->setObjectName(QStringLiteral("lblFichero"));
  lblFichero->setGeometry(16, 12, 412, 20);
  auto* lblVentana = new QLabel(QStringLiteral("Los eventos que se repiten se importan entre estas fechas:"), this);
  lblVentana->setGeometry(16, 40, 412, 20);
  lblDesde = new QLabel(QStringLiteral("&Desde"), this);
  lblDesde->setObjectName(QStringLiteral("lblDesde"));
  lblDesde->setGeometry(16, 68, 60, 20);
  edtDesdeFecha = CrearCampoFecha(this, QStringLiteral("edtDesdeFecha"));
  edtDesdeFecha->setGeometry(80, 66, 110, 22);
  lblHasta = new QLabel(QStringLiteral("&Hasta"), this);
  lblHasta->setObjectName(QStringLiteral("lblHasta"));
  lblHasta->setGeometry(256, 68, 50, 20);
  edtHastaFecha = CrearCampoFecha(this, QStringLiteral("edtHastaFecha"));
  edtHastaFecha->setGeometry(310, 66, 110, 22);
  lblDesde->setBuddy(edtDesdeFecha);
  lblHasta->setBuddy(edtHastaFecha);
  TDate desde, hasta;
  ical::IntervaloPorDefecto(Clock::Today(), desde, hasta);
  PonerCampoFecha(edtDesdeFecha, desde);
  PonerCampoFecha(edtHastaFecha, hasta);

  lblPrevio = new QLabel(QStringLiteral("Leyendo el fichero..."), this);
  lblPrevio->setObjectName(QStringLiteral("lblPrevio"));
  lblPrevio->setGeometry(16, 96, 412, 66);
  lblPrevio->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  lblPrevio->setWordWrap(true);
  pbAvance = new QProgressBar(this);
  pbAvance->setObjectName(QStringLiteral("pbAvance"));
  pbAvance->setGeometry(16, 166, 412, 18);
  pbAvance->setRange(0, 100);
  pbAvance->setValue(0);

  btnImportar = new QPushButton(QStringLiteral("&Importar"), this);
  btnImportar->setObjectName(QStringLiteral("btnImportar"));
  btnImportar->setGeometry(272, 196, 78, 25);
  btnImportar->setEnabled(false);
  btnCancel = new QPushButton(QStringLiteral("Cancelar"), this);
  btnCancel->setObjectName(QStringLiteral("btnCancel"));
  btnCancel->setGeometry(356, 196, 78, 25);
  connect(btnImportar, &QPushButton::clicked, this, [this] { btnImportarClick(); });
  connect(btnCancel, &QPushButton::clicked, this, [this] { btnCancelClick(); });
  for (QDateEdit* e : {edtDesdeFecha, edtHastaFecha})
    connect(e, &QDateEdit::dateChanged, this, [this] {
      if (contando_) {
        // Typing on: this count stops and one for the new dates follows.
        recontar_ = true;
        cancelar_ = true;
      } else if (!trabajando_ && leido_) {
        Contar();
      }
    });
}

TfrmImportarIcal::~TfrmImportarIcal() = default;

void TfrmImportarIcal::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (shown_) return;
  shown_ = true;
  // Read once the window is on screen, so its progress shows.
  QTimer::singleShot(0, this, [this] {
    if (!LeerFichero()) QDialog::reject();
  });
}

bool TfrmImportarIcal::Avance(qint64 Hecho, qint64 Total) {
  pbAvance->setValue(Total > 0 ? static_cast<int>(Hecho * 100 / Total) : 100);
  QApplication::processEvents();
  return !cancelar_;
}

void TfrmImportarIcal::Trabajando(bool Si) {
  trabajando_ = Si;
  cancelar_ = false;
  btnImportar->setEnabled(!Si);
  edtDesdeFecha->setEnabled(!Si);
  edtHastaFecha->setEnabled(!Si);
}

bool TfrmImportarIcal::LeerFichero() {
  QFile f(fichero_);
  if (!f.open(QIODevice::ReadOnly)) {
    ShowError(QStringLiteral("No se puede leer el fichero\r\n") + fichero_ + QStringLiteral("\r\n") + f.errorString(), this);
    return false;
  }
  const QByteArray datos = f.readAll();
  Trabajando(true);
  const auto r = lector_.Leer(datos, [this](qint64 h, qint64 t) { return Avance(h, t); });
  Trabajando(false);
  if (r == ical::TLectorIcal::Cancelado) return false;
  if (r == ical::TLectorIcal::Malformado) {
    ShowError(lector_.Error() + QStringLiteral("\r\nNo se ha guardado nada."), this);
    return false;
  }
  leido_ = true;
  Contar();
  return true;
}

void TfrmImportarIcal::Contar() {
  TDate desde = 0, hasta = 0;
  if (!LeerCampoFecha(edtDesdeFecha, desde) || !LeerCampoFecha(edtHastaFecha, hasta)) return;
  // A big file takes a while: the bar moves, the dates stay editable (a
  // change starts the count again) and "Cancelar" stops it.
  lblPrevio->setText(QStringLiteral("Contando las citas..."));
  btnImportar->setEnabled(false);
  contando_ = true;
  cancelar_ = false;
  recontar_ = false;
  leidas_ = lector_.Citas(desde, hasta, [this](qint64 h, qint64 t) { return Avance(h, t); });
  contando_ = false;
  cancelar_ = false;
  if (recontar_) {
    recontar_ = false;
    leidas_ = {};
    QTimer::singleShot(0, this, [this] {
      if (!trabajando_ && !contando_) Contar();
    });
    return;
  }
  if (leidas_.Cancelada) {
    leidas_ = {};
    lblPrevio->setText(QStringLiteral("Recuento cancelado. Cambie las fechas para contar de nuevo."));
  } else {
    lblPrevio->setText(ical::TextoPrevio(leidas_).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
  }
  btnImportar->setEnabled(!leidas_.Citas.empty() && hasta >= desde);
}

void TfrmImportarIcal::btnImportarClick() {
  if (trabajando_ || leidas_.Citas.empty()) return;
  Trabajando(true);
  ical::TResumenImportacion r;
  try {
    r = ical::GuardarCitasIcal(ConfigAgenda.DataPath, leidas_.Citas, avisar_,
                               [this](qint64 h, qint64 t) { return Avance(h, t); });
  } catch (const std::exception& e) {
    Trabajando(false);
    guardado_ = true;  // part may be stored: the view reloads
    ShowError(QStringLiteral("Error importando el fichero.\r\n") + QString::fromUtf8(e.what()), this);
    QDialog::reject();
    return;
  }
  Trabajando(false);
  guardado_ = r.Anadidas + r.Actualizadas > 0;
  ShowInformation(ical::TextoResumen(r, leidas_.Omitidos), this);
  accept();
}

void TfrmImportarIcal::btnCancelClick() {
  if (trabajando_ || contando_) cancelar_ = true;
  else QDialog::reject();
}

void TfrmImportarIcal::reject() { btnCancelClick(); }

void TfrmImportarIcal::closeEvent(QCloseEvent* event) {
  // Closing while at work asks the work to stop; the window closes after.
  if (trabajando_ || contando_) {
    cancelar_ = true;
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

bool ImportarCalendario(QWidget* Owner, const AvisarCambioFn& Avisar, QString Fichero) {
  try {
    if (Fichero.isEmpty())
      Fichero = QFileDialog::getOpenFileName(Owner, QStringLiteral("Importar iCalendar"), QDir::homePath(),
                                             QStringLiteral("iCalendar (*.ics *.ical *.ifb);;Todos los ficheros (*)"));
    if (Fichero.isEmpty()) return false;
    TfrmImportarIcal dlg(Fichero, Avisar, Owner);
    dlg.exec();
    return dlg.Guardado();
  } catch (const std::exception& e) {
    ShowError(QString::fromUtf8(e.what()), Owner);
    return false;
  }
}
