#pragma once
// The appointment editor "Cita": every field of one record of AGENDA. The end
// follows the start (moving the start keeps the duration), both hour fields
// offer a menu of whole hours and are tidied when left, and the dialog does
// not close with an unreadable date or hour, an end before the start, less
// than five minutes or an empty subject.

#include <QDialog>
#include <functional>

#include "core/DateTime.h"

namespace data {
class Table;
}
class QAction;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QToolButton;
class TAdvSpinEdit;

class TfrmEditCita : public QDialog {
 public:
  explicit TfrmEditCita(QWidget* parent = nullptr);

  // Fills the controls from the current record of Tabla, with the end left
  // where the record has it.
  void CargarCita(data::Table& Tabla);
  // Assigns the fields in the order the table's hooks need (AVISO before the
  // start fields), puts the record into edit state first when needed, posts
  // and flushes. False when the table's before-post rule refused the record.
  bool GuardarCita(data::Table& Tabla);

  // Start and end as the fields show them; an hour text that cannot be read
  // counts as 00:00.
  TDateTime Inicio() const;
  TDateTime Fin() const;
  // Minutes the end keeps after the start when the start moves.
  int Duracion() const { return FDuracion; }

  // Handlers.
  void FormShow();
  void FormClose();
  void edtFechaInicioChange();
  void edtHoraInicioChange();
  void edtFechaFinChange();
  void edtHoraFinChange();
  void edtHoraInicioExit();
  void edtHoraFinExit();
  void btnHoraInicioClick();
  void btnHoraFinClick();
  void popHorasClick(QAction* Item);
  void btnOkClick();

  // Controls, in tab order.
  QLineEdit* edtAsunto;
  QDateEdit* edtFechaInicio;
  TAdvSpinEdit* edtHoraInicio;
  QToolButton* btnHoraInicio;
  QDateEdit* edtFechaFin;
  TAdvSpinEdit* edtHoraFin;
  QToolButton* btnHoraFin;
  QComboBox* cbbAviso;
  QComboBox* cbbCategoria;
  QLineEdit* edtLugar;
  QPlainTextEdit* memNotas;
  QPushButton* btnOk;
  QPushButton* btnCancel;
  QMenu* popHoras;

 protected:
  void showEvent(QShowEvent* event) override;
  void done(int result) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void MoverFin();
  void CalcularDuracion();
  void Ordenar(TAdvSpinEdit* Campo);  // tidies an hour field's text
  bool Validar();

  int FDuracion = 15;
  bool FCargando = false;  // filling or moving the end: no coupling
  bool FMostrado = false;
  int FAvisoGuardado = 0;  // AVISO as read, kept when the list cannot show it
  int FTipoGuardado = 0;
  TAdvSpinEdit* FDestinoMenu = nullptr;
};

// Edits the current record of an open AGENDA table, which is either on an
// existing record or holds a freshly appended one. True when the user
// accepted and the record was stored. Cancelling cancels the table's edit or
// insert state, so a fresh record is discarded. Engine failures are shown and
// give false. AntesDeGuardar, when given, runs once the user accepted, just
// before the fields go into the record: it may put the table into edit or
// insert state itself, and the dialog then stores into that.
bool EditCita(data::Table& Tabla, const std::function<void(data::Table&)>& AntesDeGuardar = {});

// Edits the appointment with that ID in a table of its own over the data
// folder; after a save the reminder fields are recomputed and stored. False
// when there is no such appointment or the user cancelled. Failures while
// opening the table or looking the record up reach the caller.
bool EditCitaById(int Id);
// Told after each store of EditCitaById: the main window then takes that
// record again, as it did not store it itself. Empty (the default): nobody.
void SetAlGuardarCitaPorID(std::function<void()> Aviso);

// The main window's periodic refresh: the editor calls it with false when it
// is shown and with true when it closes. The main window installs it; an
// empty function (the default) does nothing.
void SetTemporizadorRefresco(std::function<void(bool Activo)> Control);
