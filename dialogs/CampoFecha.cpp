#include "dialogs/CampoFecha.h"

#include <QKeyEvent>
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

// The date edit moves between its sections on Tab and on separators alike,
// through focusNextPrevChild; only Tab is taken here to leave the field.
bool TCampoFecha::event(QEvent* e) {
  if (e->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(e);
    if (!(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
      if (key->key() == Qt::Key_Backtab || (key->key() == Qt::Key_Tab && (key->modifiers() & Qt::ShiftModifier)))
        return QWidget::focusNextPrevChild(false);
      if (key->key() == Qt::Key_Tab) return QWidget::focusNextPrevChild(true);
    }
  }
  return QDateEdit::event(e);
}

void TCampoFecha::keyPressEvent(QKeyEvent* e) {
  static const QString separadores = QStringLiteral("/-.");
  const QString text = e->text();
  if (text.size() == 1 && separadores.contains(text[0]) && !(e->modifiers() & Qt::ControlModifier)) {
    // A separator ends the section being typed: on to the next one, or
    // nothing at the last (the focus stays in the field). After a section
    // the edit left by itself, once full, the separator only confirms it.
    const int i = currentSectionIndex();
    if (!avanzado_ && i >= 0 && i + 1 < sectionCount()) QDateEdit::focusNextPrevChild(true);  // selects it
    avanzado_ = false;
    e->accept();
    return;
  }
  const int antes = currentSectionIndex();
  QDateEdit::keyPressEvent(e);
  avanzado_ = text.size() == 1 && text[0].isDigit() && currentSectionIndex() != antes;
}

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
