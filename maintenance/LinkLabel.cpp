#include "maintenance/LinkLabel.h"

#include <QKeyEvent>
#include <QMouseEvent>

TLinkLabel::TLinkLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
  setCursor(Qt::PointingHandCursor);
  setFocusPolicy(Qt::TabFocus);
  setAlignment(Qt::AlignCenter);
  SetHot(false);
}

void TLinkLabel::SetHot(bool hot) {
  hot_ = hot;
  QFont f = font();
  f.setBold(true);
  f.setUnderline(hot);
  setFont(f);
  setAutoFillBackground(hot);
  QPalette p = palette();
  p.setColor(QPalette::WindowText, Qt::blue);
  p.setColor(QPalette::Window, hot ? QColor(Qt::yellow) : parentWidget() ? parentWidget()->palette().color(QPalette::Window)
                                                                         : p.color(QPalette::Window));
  setPalette(p);
}

void TLinkLabel::enterEvent(QEnterEvent* event) {
  QLabel::enterEvent(event);
  SetHot(true);
}

void TLinkLabel::leaveEvent(QEvent* event) {
  QLabel::leaveEvent(event);
  SetHot(false);
}

void TLinkLabel::mouseReleaseEvent(QMouseEvent* event) {
  QLabel::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && OnClick) OnClick();
}

void TLinkLabel::keyPressEvent(QKeyEvent* event) {
  if ((event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && OnClick) {
    OnClick();
    return;
  }
  QLabel::keyPressEvent(event);
}
