#pragma once
// The reminders window "Avisos": every appointment whose reminder has fallen
// due, with the time left until (or passed since) its start. From it the user
// switches reminders off, postpones them or opens an appointment. Changes go
// straight to AGENDA; the window never creates or deletes appointments.

#include <QDialog>
#include <memory>
#include <vector>

#include "core/DateTime.h"
#include "data/Table.h"
#include "data/sql/Query.h"

class QComboBox;
class QFrame;
class QGroupBox;
class QPushButton;
class QStatusBar;
class QTableView;
class QTimer;
class TModeloGrid;

class TfrmAvisos : public QDialog {
 public:
  explicit TfrmAvisos(QWidget* parent = nullptr);
  ~TfrmAvisos() override;

  // True when at least one reminder is due now (the query is left closed).
  bool HayAvisos();
  // Re-reads the due reminders and shows their number.
  void CargarAvisos();
  // Sets the reminder of the appointment on row Fila to choice k, due k's
  // interval from now; k = 0 switches it off. A vanished appointment is
  // skipped.
  void PosponerCita(int Fila, int k);
  // PosponerCita for every row as listed, without re-reading in between.
  void PosponerTodas(int k);

  // Rows listed: the appointment's ID, start, subject and category.
  struct Aviso {
    int ID = 0;
    TDate FECHA_INI = 0;
    QString HORA_INI;
    QString ASUNTO;
    QString CATEGORIA;
    int TIPO = 0;
  };
  const std::vector<Aviso>& Avisos() const { return FAvisos; }
  // "Vence en" of a row, as of now.
  QString VNTO(int Fila) const;
  // Raises a desktop notification for each listed reminder, with the subject
  // and the start; its "Abrir" opens the appointment (AbrirAviso).
  void NotificarAvisos();
  // Opens the appointment with this ID as "Abrir cita" does when it is
  // listed, else straight in the editor. While another dialog of the program
  // is open, that dialog is only brought to the front.
  void AbrirAviso(int Id);

  // Handlers.
  void FormShow();
  void FormResize();
  void FormClose();
  void FormKeyDown(int& Key);
  void btnNoAvisarCitaClick();
  void btnAvisarCitaClick();
  void btnAvisarTodasClick();
  void btnNoAvisarTodosClick();
  void btnOpenCitaClick();
  void tmrStopSoundTimer();

  QTableView* dbgAvisos;
  QFrame* pnlAvisar;
  QPushButton* btnNoAvisarCita;
  QPushButton* btnOpenCita;
  QPushButton* btnNoAvisarTodos;
  QGroupBox* grpAvisar;
  QComboBox* cbbAvisar;
  QPushButton* btnAvisarCita;
  QPushButton* btnAvisarTodas;
  QStatusBar* StatusBar;
  QTimer* tmrStopSound;
  data::Query qryAvisos;
  data::Table tblAgenda;

 protected:
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void done(int result) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void AbrirConsulta();
  void QuitarEncima();  // drops the stay-on-top style for good
  int FilaSeleccionada() const;  // -1 when the list is empty
  // Runs a button's work; an engine failure is shown, not passed to the
  // event loop.
  template <class F>
  void Proteger(F&& trabajo);

  std::vector<Aviso> FAvisos;
  TModeloGrid* FModelo;
  bool FMostrado = false;
};

// Looks for due reminders and, when there are any, shows the window on top of
// every other window with a chime. Errors are shown as "Error mostrando
// avisos de la agenda." and go no further. True when the window was shown
// (what it postponed is then stored).
bool ComprobarAvisos();
