#include "app/Iconos.h"

#include <QPainter>
#include <QPainterPath>

namespace {
const QColor kAzul(47, 111, 143);
const QColor kNaranja(224, 123, 57);
const QColor kGris(90, 90, 90);

// A calendar sheet with a dark header and `cells` highlighted day squares.
void Hoja(QPainter& p, int marcadas) {
  p.setPen(QPen(kGris, 1));
  p.setBrush(Qt::white);
  p.drawRoundedRect(QRectF(2.5, 4.5, 19, 17), 2, 2);
  p.fillRect(QRectF(3, 5, 18, 4), kAzul);
  for (int i = 0; i < 9; ++i) {
    const QRectF cell(5 + (i % 3) * 5, 11 + (i / 3) * 3.3, 4, 2.5);
    p.fillRect(cell, i < marcadas ? kNaranja : QColor(190, 210, 222));
  }
}

QPixmap Dibujar(Icono icono) {
  QPixmap pm(24, 24);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  switch (icono) {
    case Icono::Nuevo:
      Hoja(p, 0);
      p.setPen(QPen(kNaranja, 3));
      p.drawLine(QPointF(17, 12), QPointF(17, 22));
      p.drawLine(QPointF(12, 17), QPointF(22, 17));
      break;
    case Icono::Editar:
      Hoja(p, 0);
      p.setPen(QPen(kNaranja, 3, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(10, 21), QPointF(21, 10));
      break;
    case Icono::Borrar:
      Hoja(p, 0);
      p.setPen(QPen(QColor(200, 40, 40), 3, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(12, 12), QPointF(21, 21));
      p.drawLine(QPointF(21, 12), QPointF(12, 21));
      break;
    case Icono::Hoy: Hoja(p, 1); break;
    case Icono::Semana: Hoja(p, 3); break;
    case Icono::Mes: Hoja(p, 9); break;
    case Icono::Anual:
      for (int i = 0; i < 4; ++i) {
        const QRectF r(2 + (i % 2) * 11, 2 + (i / 2) * 11, 9, 9);
        p.setPen(QPen(kGris, 1));
        p.setBrush(Qt::white);
        p.drawRect(r);
        p.fillRect(QRectF(r.left(), r.top(), r.width(), 2.5), kAzul);
      }
      break;
    case Icono::Horas:
      p.setPen(QPen(kGris, 1.5));
      p.setBrush(Qt::white);
      p.drawEllipse(QRectF(2.5, 2.5, 19, 19));
      p.setPen(QPen(kAzul, 2, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(12, 12), QPointF(12, 6));
      p.drawLine(QPointF(12, 12), QPointF(16, 14));
      break;
    case Icono::Buscar:
      p.setPen(QPen(kAzul, 2.5));
      p.setBrush(QColor(220, 235, 243));
      p.drawEllipse(QRectF(3, 3, 12, 12));
      p.setPen(QPen(kGris, 3.5, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(14, 14), QPointF(21, 21));
      break;
    case Icono::Imprimir:
      p.setPen(QPen(kGris, 1));
      p.setBrush(Qt::white);
      p.drawRect(QRectF(6.5, 2.5, 11, 8));
      p.setBrush(QColor(170, 180, 188));
      p.drawRoundedRect(QRectF(2.5, 9.5, 19, 9), 2, 2);
      p.setBrush(Qt::white);
      p.drawRect(QRectF(6.5, 15.5, 11, 6));
      p.fillRect(QRectF(18, 12, 2, 2), kNaranja);
      break;
  }
  return pm;
}
}  // namespace

QIcon IconoToolbar(Icono icono) { return QIcon(Dibujar(icono)); }

QPixmap ImagenAviso() {
  QPixmap pm(16, 16);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  QPainterPath bell;
  bell.moveTo(3, 12);
  bell.cubicTo(5, 10, 4, 3, 8, 3);
  bell.cubicTo(12, 3, 11, 10, 13, 12);
  bell.closeSubpath();
  p.setPen(QPen(QColor(120, 90, 0), 1));
  p.setBrush(QColor(250, 200, 40));
  p.drawPath(bell);
  p.drawEllipse(QRectF(6.5, 12, 3, 3));
  return pm;
}
