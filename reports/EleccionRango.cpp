#include "reports/EleccionRango.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QDateEdit>
#include <QTextCharFormat>

#include "app/UCategoriaClass.h"
#include "core/Messages.h"

QDateEdit* CrearCampoFechaRango(QWidget* parent, const char* Nombre) {
  auto* e = new QDateEdit(parent);
  e->setObjectName(QLatin1String(Nombre));
  e->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
  e->setCalendarPopup(true);
  QTextCharFormat finde;
  finde.setForeground(Qt::red);
  e->calendarWidget()->setWeekdayTextFormat(Qt::Saturday, finde);
  e->calendarWidget()->setWeekdayTextFormat(Qt::Sunday, finde);
  e->calendarWidget()->setFirstDayOfWeek(Qt::Monday);
  return e;
}

QComboBox* CrearEleccionCategoria(QWidget* parent) {
  auto* c = new QComboBox(parent);
  c->setObjectName(QStringLiteral("cbbCategoria"));
  c->setEditable(false);
  c->addItem(QStringLiteral("(Todas)"));
  return c;
}

void CargarEleccionCategoria(QComboBox* Combo) {
  QStringList nombres;
  NombresCategorias(nombres);
  Combo->addItems(nombres);
  Combo->setCurrentIndex(0);
}

int CategoriaElegida(const QComboBox* Combo) {
  if (Combo->currentIndex() > 0 && Categorias)
    if (const TCategoria* c = Categorias->CategoriaEn(Combo->currentIndex() - 1)) return c->ID;
  return -1;
}

bool RangoValido(TDate Desde, TDate Hasta, QWidget* parent) {
  if (Hasta >= Desde) return true;
  ShowWarning(QStringLiteral("La fecha hasta debe ser mayor\r\no igual que la fecha desde."), parent);
  return false;
}
