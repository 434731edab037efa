#include "dialogs/ColorSwatch.h"

#include <QMouseEvent>
#include <QPainter>

TColorSwatch::TColorSwatch(QWidget* parent) : QWidget(parent) {}

void TColorSwatch::SetColor(TColor value) {
  if (value == FColor) return;
  FColor = value;
  update();
}

void TColorSwatch::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), ToQColor(FColor));
  p.setPen(Qt::black);
  p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void TColorSwatch::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && OnDblClick) {
    OnDblClick(this);
    return;
  }
  QWidget::mouseDoubleClickEvent(event);
}
