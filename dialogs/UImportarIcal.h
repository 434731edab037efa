#pragma once
// The dialog "Importar iCalendar": reads a file, shows how many appointments
// it gives for the window of days in which repeating events are expanded
// (which the user may change), and stores them on "Importar", with a
// progress bar and "Cancelar" all the while. A malformed file is reported
// with its line and nothing is stored.

#include <QDialog>
#include <memory>

#include "app/AgendaHooks.h"
#include "core/DateTime.h"
#include "ical/IcalLector.h"

class QDateEdit;
class QLabel;
class QProgressBar;
class QPushButton;

class TfrmImportarIcal : public QDialog {
 public:
  // Avisar announces the days changed, once, when something was stored.
  TfrmImportarIcal(const QString& Fichero, AvisarCambioFn Avisar, QWidget* parent = nullptr);
  ~TfrmImportarIcal() override;

  // Reads the file (run once the dialog is shown); false when it is
  // malformed, unreadable or the reading was cancelled (the dialog then
  // closes).
  bool LeerFichero();
  // Shows what the current window of days gives, with progress; "Cancelar"
  // stops the count (nothing to import until the dates change).
  void Contar();
  // Stores the appointments, then shows the summary and closes.
  void btnImportarClick();
  void btnCancelClick();

  // True once something was stored.
  bool Guardado() const { return guardado_; }

  QLabel* lblFichero;
  QLabel* lblDesde;
  QDateEdit* edtDesdeFecha;
  QLabel* lblHasta;
  QDateEdit* edtHastaFecha;
  QLabel* lblPrevio;
  QProgressBar* pbAvance;
  QPushButton* btnImportar;
  QPushButton* btnCancel;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  // Progress of a step: the bar moves and the window keeps answering; false
  // once "Cancelar" was pressed.
  bool Avance(qint64 Hecho, qint64 Total);
  void Trabajando(bool Si);

  QString fichero_;
  AvisarCambioFn avisar_;
  ical::TLectorIcal lector_;
  ical::TCitasLeidas leidas_;
  bool leido_ = false;  // the file was read: date changes count again
  bool trabajando_ = false;
  bool contando_ = false;   // Contar at work
  bool recontar_ = false;   // the dates changed meanwhile
  bool cancelar_ = false;
  bool guardado_ = false;
  bool shown_ = false;
};

// The main window's import command: asks for the file (unless Fichero is
// given), runs the dialog; true when appointments were stored.
bool ImportarCalendario(QWidget* Owner, const AvisarCambioFn& Avisar, QString Fichero = QString());
