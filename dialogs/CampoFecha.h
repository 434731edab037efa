#pragma once
// The date fields of the dialogs: a date edit with a drop-down calendar that
// shows the locale's short date with a four-digit year ("01/01/2004"), and
// the conversions between its dates and the program's day numbers.

#include <QDate>
#include <QDateEdit>

#include "core/DateTime.h"

QDate QDateDe(TDateTime Fecha);
// The day of Fecha as the date fields show it ("01/01/2004").
QString TextoFecha(TDateTime Fecha);  // the day of Fecha
TDate FechaDe(const QDate& Dia);

// A date edit with the calendar drop-down. Tab leaves the field, as in every
// other field of a dialog; the arrow keys move between day, month and year,
// and so does a typed separator ("/", "-" or "." whatever the locale's), so a
// date typed whole ("11/12/2026") stays in the field.
class TCampoFecha : public QDateEdit {
 public:
  explicit TCampoFecha(QWidget* parent = nullptr);

 protected:
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  bool avanzado_ = false;  // the last digit filled a section and moved on
};

// A date field named Nombre (object name).
QDateEdit* CrearCampoFecha(QWidget* parent, const QString& Nombre);

// The day shown; false while the text being typed is not a whole date.
bool LeerCampoFecha(const QDateEdit* Campo, TDate& Fecha);
void PonerCampoFecha(QDateEdit* Campo, TDateTime Fecha);
