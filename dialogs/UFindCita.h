#pragma once
// The search dialog "Buscar cita": appointments starting between two dates
// whose subject (in any case) or notes (as typed, in capitals or in lower
// case) contain a text. The list follows the text half a second after the
// last keystroke. On "Aceptar" the chosen appointment's ID and start day are
// read by the caller (-1 and -1 when the list was empty).

#include <QDialog>
#include <QString>
#include <vector>

#include "core/DateTime.h"
#include "data/sql/Query.h"

class QDateEdit;
class QLineEdit;
class QPushButton;
class QTableView;
class QTimer;
class TModeloGrid;

class TfrmFindCita : public QDialog {
 public:
  explicit TfrmFindCita(QWidget* parent = nullptr);

  // The result, valid after the dialog closed.
  int CitaID() const { return FCitaID; }
  TDateTime CitaFecha() const { return FCitaFecha; }

  // Rows listed.
  struct Fila {
    int ID = 0;
    TDate FECHA_INI = 0;
    QString HORA_INI;
    QString ASUNTO;
  };
  const std::vector<Fila>& Filas() const { return FFilas; }

  // Runs the search with the fields as they are; a failure is reported and
  // the previous results stay listed.
  void Buscar();

  // Handlers.
  void FormCreate();
  void FormShow();
  void edtTextoChange();
  void tmrFindTimer();
  void btnOkClick();
  void btnCancelClick();

  QDateEdit* edtDesdeFecha;
  QDateEdit* edtHastaFecha;
  QLineEdit* edtTexto;
  QTableView* dbgAgenda;
  QPushButton* btnOk;
  QPushButton* btnCancel;
  QTimer* tmrFind;
  data::Query qryAgenda;

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::vector<Fila> FFilas;
  TModeloGrid* FModelo;
  int FCitaID = -1;
  TDateTime FCitaFecha = -1;
  bool FMostrado = false;
};

// T with only the letters A-Z / a-z changed, as the search compares them.
QString MayusculasAZ(const QString& T);
QString MinusculasAZ(const QString& T);
