#include "timeview/RBTimeViewHint.h"

#include <QApplication>
#include <QPainter>
#include <QToolTip>

#include "core/Colors.h"

namespace {
constexpr int TextFlags = Qt::TextWordWrap;  // ampersands stay as they are
}

TRBTimeViewHintWindow::TRBTimeViewHintWindow(QWidget* owner)
    : QWidget(owner, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus) {
  setObjectName("HintWindow");
  setAttribute(Qt::WA_ShowWithoutActivating);
  setFocusPolicy(Qt::NoFocus);
  setFont(QToolTip::font());
}

QSize TRBTimeViewHintWindow::MeasureText(const QString& text, int maxWidth) const {
  if (text.isEmpty()) return QSize(0, 0);
  const QRect r = fontMetrics().boundingRect(QRect(0, 0, std::max(1, maxWidth), 100000),
                                             TextFlags | Qt::AlignLeft | Qt::AlignTop, text);
  return r.size();
}

void TRBTimeViewHintWindow::ActivateHint(const QRect& rect, const QString& text) {
  if (text != text_) {
    text_ = text;
    update();
  }
  setGeometry(rect);
  if (!isVisible()) show();
  raise();
}

void TRBTimeViewHintWindow::HideHint() { hide(); }

void TRBTimeViewHintWindow::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), ToQColor(clInfoBk));
  p.setPen(ToQColor(clBtnShadow));
  p.drawRect(0, 0, width() - 1, height() - 1);
  p.setPen(ToQColor(clInfoText));
  const QRect textRect = rect().adjusted(2, 2, 0, 0);
  p.setLayoutDirection(rightToLeft_ ? Qt::RightToLeft : Qt::LeftToRight);
  p.drawText(textRect, TextFlags | (rightToLeft_ ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignTop, text_);
}
