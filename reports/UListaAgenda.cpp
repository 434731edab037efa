#include "reports/UListaAgenda.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDateEdit>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

#include "app/Help.h"
#include "app/UConfigAgenda.h"
#include "core/DateFormat.h"
#include "core/Messages.h"
#include "reports/EleccionRango.h"
#include "reports/UqrAgendaCita.h"
#include "reports/UqrAgendaFechas.h"

namespace {

QDate ToQDate(TDate d) {
  int y, m, dd;
  dt::DecodeDate(d, y, m, dd);
  return QDate(y, m, dd);
}

TDate FromQDate(const QDate& d) { return dt::EncodeDate(d.year(), d.month(), d.day()); }

template <class W>
W* Named(W* w, const char* name) {
  w->setObjectName(QLatin1String(name));
  return w;
}

}  // namespace

TfrmListaAgenda::TfrmListaAgenda(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmListaAgenda"));
  setWindowTitle(QStringLiteral("Imprimir Agenda"));
  QFont f(QStringLiteral("Liberation Sans"));
  f.setPointSize(8);
  setFont(f);
  setFixedSize(444, 271);
  Help::SetHelpContext(this, 10);

  gbImprimir = Named(new QGroupBox(QStringLiteral(" Imprimir ... "), this), "gbImprimir");
  gbImprimir->setGeometry(8, 8, 232, 100);
  rbCita = Named(new QRadioButton(QStringLiteral("Cita seleccionada"), gbImprimir), "rbCita");
  rbCita->setGeometry(14, 22, 210, 20);
  rbCita->setChecked(true);
  rbFecha = Named(new QRadioButton(QStringLiteral("Fecha seleccionada"), gbImprimir), "rbFecha");
  rbFecha->setGeometry(14, 46, 210, 20);
  rbEntreFechas = Named(new QRadioButton(QStringLiteral("Entre fechas"), gbImprimir), "rbEntreFechas");
  rbEntreFechas->setGeometry(14, 70, 210, 20);
  for (QRadioButton* rb : {rbCita, rbFecha, rbEntreFechas})
    connect(rb, &QRadioButton::toggled, this, [this](bool on) {
      if (on) RadioClick();
    });

  rgFormato = Named(new QGroupBox(QStringLiteral(" Formato "), this), "rgFormato");
  rgFormato->setGeometry(248, 8, 188, 100);
  rbDetallado = Named(new QRadioButton(QStringLiteral("Detallado"), rgFormato), "rbDetallado");
  rbDetallado->setGeometry(14, 30, 160, 20);
  rbResumido = Named(new QRadioButton(QStringLiteral("Resumido"), rgFormato), "rbResumido");
  rbResumido->setGeometry(14, 58, 160, 20);
  formatoGrupo_ = new QButtonGroup(this);
  formatoGrupo_->addButton(rbDetallado, 0);
  formatoGrupo_->addButton(rbResumido, 1);
  rbDetallado->setChecked(true);

  lblDesde = Named(new QLabel(QStringLiteral("Desde"), this), "lblDesde");
  lblDesde->setGeometry(16, 124, 60, 20);
  edtDesdeFecha = CrearCampoFechaRango(this, "edtDesdeFecha");
  edtDesdeFecha->setGeometry(80, 122, 110, 22);
  lblHasta = Named(new QLabel(QStringLiteral("Hasta"), this), "lblHasta");
  lblHasta->setGeometry(256, 124, 50, 20);
  edtHastaFecha = CrearCampoFechaRango(this, "edtHastaFecha");
  edtHastaFecha->setGeometry(310, 122, 110, 22);
  lblDesde->setBuddy(edtDesdeFecha);
  lblHasta->setBuddy(edtHastaFecha);
  for (QWidget* w : {static_cast<QWidget*>(lblDesde), static_cast<QWidget*>(edtDesdeFecha),
                     static_cast<QWidget*>(lblHasta), static_cast<QWidget*>(edtHastaFecha)})
    w->setEnabled(false);

  lblCategoria = Named(new QLabel(QStringLiteral("Categoría"), this), "lblCategoria");
  lblCategoria->setGeometry(16, 166, 60, 20);
  cbbCategoria = CrearEleccionCategoria(this);
  cbbCategoria->setGeometry(80, 164, 340, 22);
  lblCategoria->setBuddy(cbbCategoria);

  auto* regla = Named(new QFrame(this), "Bevel1");
  regla->setFrameShape(QFrame::HLine);
  regla->setFrameShadow(QFrame::Sunken);
  regla->setGeometry(8, 224, 428, 4);

  btnPreview = Named(new QPushButton(QStringLiteral("Ver"), this), "btnPreview");
  btnPreview->setGeometry(188, 238, 78, 25);
  btnPrint = Named(new QPushButton(QStringLiteral("Imprimir"), this), "btnPrint");
  btnPrint->setGeometry(272, 238, 78, 25);
  btnCancel = Named(new QPushButton(QStringLiteral("Cancelar"), this), "btnCancel");
  btnCancel->setGeometry(356, 238, 78, 25);
  for (QPushButton* b : {btnPreview, btnPrint, btnCancel}) b->setAutoDefault(false);
  connect(btnPreview, &QPushButton::clicked, this, [this] { btnPreviewClick(); });
  connect(btnPrint, &QPushButton::clicked, this, [this] { btnPrintClick(); });
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

  setTabOrder(rbCita, rbFecha);
  setTabOrder(rbFecha, rbEntreFechas);
  setTabOrder(rbEntreFechas, rbDetallado);
  setTabOrder(rbDetallado, rbResumido);
  setTabOrder(rbResumido, edtDesdeFecha);
  setTabOrder(edtDesdeFecha, edtHastaFecha);
  setTabOrder(edtHastaFecha, cbbCategoria);
  setTabOrder(cbbCategoria, btnPreview);
  setTabOrder(btnPreview, btnPrint);
  setTabOrder(btnPrint, btnCancel);
}

TDate TfrmListaAgenda::DesdeFecha() const { return FromQDate(edtDesdeFecha->date()); }
void TfrmListaAgenda::SetDesdeFecha(TDate Fecha) { edtDesdeFecha->setDate(ToQDate(Fecha)); }
TDate TfrmListaAgenda::HastaFecha() const { return FromQDate(edtHastaFecha->date()); }
void TfrmListaAgenda::SetHastaFecha(TDate Fecha) { edtHastaFecha->setDate(ToQDate(Fecha)); }
void TfrmListaAgenda::SetIDSeleccionado(int ID) { idSeleccionado_ = ID; }
void TfrmListaAgenda::SetFechaReferencia(TDateTime Fecha) { fechaReferencia_ = Fecha; }

int TfrmListaAgenda::FormatoIndex() const { return formatoGrupo_->checkedId(); }
void TfrmListaAgenda::SetFormatoIndex(int Indice) {
  if (QAbstractButton* b = formatoGrupo_->button(Indice)) b->setChecked(true);
}

void TfrmListaAgenda::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (shown_) return;
  shown_ = true;
  // Centred on the desktop, whoever opened it.
  if (screen()) move(screen()->availableGeometry().center() - rect().center());
  FormShow();
}

void TfrmListaAgenda::FormShow() {
  CargarEleccionCategoria(cbbCategoria);
  SetFormatoIndex(ConfigAgenda.ReportFormat);
  rbCita->setEnabled(idSeleccionado_ > 0);
  rbFecha->setEnabled(fechaReferencia_ > 0);
  if (rbCita->isEnabled()) {
    rbCita->setChecked(true);
  } else if (rbFecha->isEnabled()) {
    rbFecha->setChecked(true);
  } else {
    rbEntreFechas->setChecked(true);
    RadioClick();  // the field must be enabled to take the focus
    edtDesdeFecha->setFocus();
  }
  // Also without a reference date (-1, the button then disabled).
  rbFecha->setText(QStringLiteral("Fecha: ") + FormatDateTime(QStringLiteral("dd/mm/yyyy"), fechaReferencia_));
  RadioClick();
}

void TfrmListaAgenda::RadioClick() {
  const bool conFiltro = !rbCita->isChecked();
  rgFormato->setEnabled(conFiltro);
  cbbCategoria->setEnabled(conFiltro);
  lblCategoria->setEnabled(conFiltro);
  const bool fechas = rbEntreFechas->isChecked();
  for (QWidget* w : {static_cast<QWidget*>(edtDesdeFecha), static_cast<QWidget*>(edtHastaFecha),
                     static_cast<QWidget*>(lblDesde), static_cast<QWidget*>(lblHasta)})
    w->setEnabled(fechas);
}

void TfrmListaAgenda::btnPreviewClick() { Imprimir(reports::ReportDestination::Preview); }
void TfrmListaAgenda::btnPrintClick() { Imprimir(reports::ReportDestination::Printer); }

void TfrmListaAgenda::Imprimir(reports::ReportDestination Destino) {
  // Checked whichever button is chosen: the dates are the dialog's own.
  if (!RangoValido(DesdeFecha(), HastaFecha(), this)) return;
  try {
    if (rbCita->isChecked()) {
      TqrAgendaCita qr;
      qr.qryAgenda.ParamByName("pID").SetAsInteger(idSeleccionado_);
      reports::SendReport(qr.Preparar(), Destino, this);
    } else {
      ImprimirFechas(Destino);
    }
  } catch (const std::exception& e) {
    ShowError(QString::fromUtf8(e.what()), this);
  }
  ConfigAgenda.ReportFormat = static_cast<std::uint8_t>(FormatoIndex());
  GuardarConfig();
}

void TfrmListaAgenda::ImprimirFechas(reports::ReportDestination Destino) {
  TDate primero = DesdeFecha();
  TDate ultimo = HastaFecha();
  if (rbEntreFechas->isChecked()) {
    // The count looks at the dates only: a category without appointments in
    // a range that has others still gives an (empty) report.
    if (ContarCitasEntre(primero, ultimo) == 0) {
      ShowWarning(QStringLiteral("No hay datos entre las fechas indicadas"), this);
      return;
    }
  } else {
    primero = ultimo = dt::DateOf(fechaReferencia_);
  }
  reports::SendReport(NuevoInformeFechas(FormatoIndex(), primero, ultimo, CategoriaElegida(cbbCategoria))->Preparar(),
                      Destino, this);
}

void ImprimirAgenda(QWidget* Owner, TDate DesdeFecha, TDate HastaFecha, int IDSeleccionado,
                    TDateTime FechaReferencia) {
  try {
    TfrmListaAgenda dlg(Owner);
    dlg.SetDesdeFecha(DesdeFecha);
    dlg.SetHastaFecha(HastaFecha);
    dlg.SetIDSeleccionado(IDSeleccionado);
    dlg.SetFechaReferencia(FechaReferencia);
    dlg.exec();
  } catch (const std::exception& e) {
    ShowError(QString::fromUtf8(e.what()), Owner);
  }
}
