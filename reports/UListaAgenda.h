#pragma once
// The print dialog "Imprimir Agenda": the selected appointment, the
// reference day or a date range, in full or one line each, optionally of one
// category; previewed or printed on the default printer.

#include <QDialog>

#include "core/DateTime.h"
#include "reports/ReportOutput.h"

class QButtonGroup;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

class TfrmListaAgenda : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmListaAgenda(QWidget* parent = nullptr);

  // Inputs set by the caller before showing. The dates are whole days.
  TDate DesdeFecha() const;
  void SetDesdeFecha(TDate Fecha);
  TDate HastaFecha() const;
  void SetHastaFecha(TDate Fecha);
  // The appointment selected in the time view; -1 (the initial value) for none.
  int IDSeleccionado() const { return idSeleccionado_; }
  void SetIDSeleccionado(int ID);
  // The selected appointment's start, or the start of the time selection;
  // -1 (the initial value) for none.
  TDateTime FechaReferencia() const { return fechaReferencia_; }
  void SetFechaReferencia(TDateTime Fecha);

  // rgFormato's selected item: 0 "Detallado", 1 "Resumido".
  int FormatoIndex() const;
  void SetFormatoIndex(int Indice);

  // Handlers.
  void FormShow();
  void RadioClick();
  void btnPreviewClick();
  void btnPrintClick();

  // Controls.
  QGroupBox* gbImprimir;
  QRadioButton* rbCita;
  QRadioButton* rbFecha;
  QRadioButton* rbEntreFechas;
  QGroupBox* rgFormato;
  QRadioButton* rbDetallado;
  QRadioButton* rbResumido;
  QLabel* lblDesde;
  QDateEdit* edtDesdeFecha;
  QLabel* lblHasta;
  QDateEdit* edtHastaFecha;
  QLabel* lblCategoria;
  QComboBox* cbbCategoria;
  QPushButton* btnPreview;
  QPushButton* btnPrint;
  QPushButton* btnCancel;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void Imprimir(reports::ReportDestination Destino);
  // The range report of the reference day or of the two dates; "Entre
  // fechas" first makes sure the range holds any appointment.
  void ImprimirFechas(reports::ReportDestination Destino);

  QButtonGroup* formatoGrupo_;
  int idSeleccionado_ = -1;
  TDateTime fechaReferencia_ = -1;
  bool shown_ = false;
};

// The main window's print command: opens the dialog preset with the calendar's
// selected days, the selected appointment's ID (-1 when none) and the
// reference date (the appointment's start, else the time selection's start;
// -1 when none), shows it modally and frees it. Errors are shown in an error
// box with their own text.
void ImprimirAgenda(QWidget* Owner, TDate DesdeFecha, TDate HastaFecha, int IDSeleccionado,
                    TDateTime FechaReferencia);
