#include "dialogs/CampoFecha.h"

#include <QLineEdit>
#include <QLocale>
#include <QRegularExpression>

namespace {
const QDate kDiaCero(1899, 12, 30);

// The locale's short date pattern with two-digit days and months and a
// four-digit year, so every date has one fixed width and no century is
// guessed.
QString FormatoFecha() {
  QString f = QLocale().dateFormat(QLocale::ShortFormat);
  f.replace(QRegularExpression(QStringLiteral("d+")), QStringLiteral("dd"));
  f.replace(QRegularExpression(QStringLiteral("M+")), QStringLiteral("MM"));
  f.replace(QRegularExpression(QStringLiteral("y+")), QStringLiteral("yyyy"));
  return f;
}
}  // namespace

QDate QDateDe(TDateTime Fecha) { return kDiaCero.addDays(static_cast<qint64>(dt::DateOf(Fecha))); }

QString TextoFecha(TDateTime Fecha) { return QDateDe(Fecha).toString(FormatoFecha()); }

TDate FechaDe(const QDate& Dia) { return static_cast<TDate>(kDiaCero.daysTo(Dia)); }

TCampoFecha::TCampoFecha(QWidget* parent) : QDateEdit(parent) {
  setCalendarPopup(true);
  setDisplayFormat(FormatoFecha());
  setMinimumDate(QDate(100, 1, 1));
  setMaximumDate(QDate(9999, 12, 31));
}

bool TCampoFecha::focusNextPrevChild(bool next) { return QWidget::focusNextPrevChild(next); }

QDateEdit* CrearCampoFecha(QWidget* parent, const QString& Nombre) {
  auto* campo = new TCampoFecha(parent);
  campo->setObjectName(Nombre);
  return campo;
}

bool LeerCampoFecha(const QDateEdit* Campo, TDate& Fecha) {
  // While the user is typing, date() still holds the last whole date; the
  // text is what the user sees, so it is the text that must read as a date.
  const QDate dia = QDate::fromString(Campo->text(), Campo->displayFormat());
  if (!dia.isValid()) return false;
  Fecha = FechaDe(dia);
  return true;
}

void PonerCampoFecha(QDateEdit* Campo, TDateTime Fecha) { Campo->setDate(QDateDe(Fecha)); }
