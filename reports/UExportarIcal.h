#pragma once
// The dialog "Exportar iCalendar": the appointments of a range of days, all
// or of one category, written to a file that other calendars read.

#include <QDialog>
#include <functional>

#include "core/DateTime.h"

class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;

class TfrmExportarIcal : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmExportarIcal(QWidget* parent = nullptr);

  TDate DesdeFecha() const;
  void SetDesdeFecha(TDate Fecha);
  TDate HastaFecha() const;
  void SetHastaFecha(TDate Fecha);

  void FormShow();
  // Checks the range, asks for the file and writes it; closes when written.
  void btnExportarClick();

  // The file to write, empty when the user gave none; the save dialog unless
  // replaced.
  std::function<QString(QWidget* Owner)> ElegirFichero;

  QLabel* lblDesde;
  QDateEdit* edtDesdeFecha;
  QLabel* lblHasta;
  QDateEdit* edtHastaFecha;
  QLabel* lblCategoria;
  QComboBox* cbbCategoria;
  QPushButton* btnExportar;
  QPushButton* btnCancel;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  bool shown_ = false;
};

// The main window's export command: the dialog preset with the calendar's
// selected days, shown modally and freed. Errors are shown with their text.
void ExportarCalendario(QWidget* Owner, TDate DesdeFecha, TDate HastaFecha);
