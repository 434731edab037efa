#include "reports/UExportarIcal.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>

#include "app/Help.h"
#include "app/UConfigAgenda.h"
#include "core/Messages.h"
#include "dialogs/CampoFecha.h"
#include "ical/IcalExport.h"
#include "reports/EleccionRango.h"
#include "reports/UqrAgendaFechas.h"

namespace {

QString GuardarComo(QWidget* owner) {
  QString f = QFileDialog::getSaveFileName(owner, QStringLiteral("Exportar iCalendar"),
                                           QDir::homePath() + QStringLiteral("/agenda.ics"),
                                           QStringLiteral("iCalendar (*.ics);;Todos los ficheros (*)"));
  if (!f.isEmpty() && QFileInfo(f).suffix().isEmpty()) f += QStringLiteral(".ics");
  return f;
}

}  // namespace

TfrmExportarIcal::TfrmExportarIcal(QWidget* parent) : QDialog(parent), ElegirFichero(GuardarComo) {
  setObjectName(QStringLiteral("frmExportarIcal"));
  setWindowTitle(QStringLiteral("Exportar iCalendar"));
  QFont f(QStringLiteral("Liberation Sans"));
  f.setPointSize(8);
  setFont(f);
  setFixedSize(444, 150);
  Help::SetHelpContext(this, 22);

  lblDesde = new QLabel(QStringLiteral("&Desde"), this);
  lblDesde->setObjectName(QStringLiteral("lblDesde"));
  lblDesde->setGeometry(16, 18, 60, 20);
  edtDesdeFecha = CrearCampoFechaRango(this, "edtDesdeFecha");
  edtDesdeFecha->setGeometry(80, 16, 110, 22);
  lblHasta = new QLabel(QStringLiteral("&Hasta"), this);
  lblHasta->setObjectName(QStringLiteral("lblHasta"));
  lblHasta->setGeometry(256, 18, 50, 20);
  edtHastaFecha = CrearCampoFechaRango(this, "edtHastaFecha");
  edtHastaFecha->setGeometry(310, 16, 110, 22);
  lblCategoria = new QLabel(QStringLiteral("&Categoría"), this);
  lblCategoria->setObjectName(QStringLiteral("lblCategoria"));
  lblCategoria->setGeometry(16, 58, 60, 20);
  cbbCategoria = CrearEleccionCategoria(this);
  cbbCategoria->setGeometry(80, 56, 340, 22);
  lblDesde->setBuddy(edtDesdeFecha);
  lblHasta->setBuddy(edtHastaFecha);
  lblCategoria->setBuddy(cbbCategoria);

  btnExportar = new QPushButton(QStringLiteral("&Exportar..."), this);
  btnExportar->setObjectName(QStringLiteral("btnExportar"));
  btnExportar->setGeometry(272, 116, 78, 25);
  btnExportar->setDefault(true);
  btnCancel = new QPushButton(QStringLiteral("Cancelar"), this);
  btnCancel->setObjectName(QStringLiteral("btnCancel"));
  btnCancel->setGeometry(356, 116, 78, 25);
  connect(btnExportar, &QPushButton::clicked, this, [this] { btnExportarClick(); });
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

TDate TfrmExportarIcal::DesdeFecha() const { return FechaDe(edtDesdeFecha->date()); }
void TfrmExportarIcal::SetDesdeFecha(TDate Fecha) { edtDesdeFecha->setDate(QDateDe(Fecha)); }
TDate TfrmExportarIcal::HastaFecha() const { return FechaDe(edtHastaFecha->date()); }
void TfrmExportarIcal::SetHastaFecha(TDate Fecha) { edtHastaFecha->setDate(QDateDe(Fecha)); }

void TfrmExportarIcal::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (shown_) return;
  shown_ = true;
  FormShow();
}

void TfrmExportarIcal::FormShow() {
  CargarEleccionCategoria(cbbCategoria);
  edtDesdeFecha->setFocus();
}

void TfrmExportarIcal::btnExportarClick() {
  const TDate desde = DesdeFecha(), hasta = HastaFecha();
  if (!RangoValido(desde, hasta, this)) return;
  try {
    if (ContarCitasEntre(desde, hasta) == 0) {
      ShowWarning(QStringLiteral("No hay datos entre las fechas indicadas"), this);
      return;
    }
    const QString fichero = ElegirFichero ? ElegirFichero(this) : QString();
    if (fichero.isEmpty()) return;
    int cuantas = 0;
    QString error;
    if (!ical::ExportarIcal(ConfigAgenda.DataPath, fichero, desde, hasta, CategoriaElegida(cbbCategoria), cuantas, error)) {
      ShowError(error, this);
      return;
    }
    ShowInformation((cuantas == 1 ? QStringLiteral("Se ha exportado 1 cita a") : QStringLiteral("Se han exportado %1 citas a").arg(cuantas)) +
                        QStringLiteral("\r\n") + fichero,
                    this);
    accept();
  } catch (const std::exception& e) {
    ShowError(QStringLiteral("No se pudo exportar la agenda.\r\n") + QString::fromUtf8(e.what()), this);
  }
}

void ExportarCalendario(QWidget* Owner, TDate DesdeFecha, TDate HastaFecha) {
  try {
    TfrmExportarIcal dlg(Owner);
    dlg.SetDesdeFecha(DesdeFecha);
    dlg.SetHastaFecha(HastaFecha);
    dlg.exec();
  } catch (const std::exception& e) {
    ShowError(QString::fromUtf8(e.what()), Owner);
  }
}
