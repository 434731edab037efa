#include "calendar/RBCalendarPopup.h"

#include <QFontInfo>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <algorithm>
#include <cstdlib>

#include "calendar/RBCalendar.h"
#include "core/DateFormat.h"

TRBCPopupListBox::TRBCPopupListBox(TRBCalendar* calendar)
    : QWidget(calendar, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                            Qt::WindowDoesNotAcceptFocus),
      FCalendar(calendar) {
  setObjectName("PopupList");
  setAttribute(Qt::WA_ShowWithoutActivating);
  setFocusPolicy(Qt::NoFocus);
  const int fontHeight = std::abs(QFontInfo(calendar->font()).pixelSize());
  FItemHeight = fontHeight + 4;
  setFixedWidth(10 * fontHeight);
  UpdateHeight();
  FScrollTimer.setInterval(500);
  connect(&FScrollTimer, &QTimer::timeout, this, [this] { ScrollTick(); });
  hide();
}

void TRBCPopupListBox::UpdateHeight() {
  setFixedHeight(FItemHeight * (2 * FCalendar->PopupListDays() + 1) + 2);
}

void TRBCPopupListBox::FillItems() {
  FItems.clear();
  int y0 = 0, m0 = 0, d0 = 0;
  dt::DecodeDate(FCenterMonth, y0, m0, d0);
  const int P = FCalendar->PopupListDays();
  for (int j = 0; j < 2 * P + 1; ++j) {
    int y = y0, m = m0;
    AddMonths(y, m, j - P);
    // Months outside the date range have no name; choosing one does nothing.
    FItems << (y >= 1 && y <= 9999 ? FormatDateTime("mmmm yyyy", dt::EncodeDate(y, m, 1)) : QString());
  }
  update();
}

void TRBCPopupListBox::Open(TDate centerMonth, QPoint globalPos) {
  FCenterMonth = centerMonth;
  setFont(FCalendar->font());
  FillItems();
  const QScreen* screen = QGuiApplication::screenAt(globalPos);
  if (!screen) screen = QGuiApplication::primaryScreen();
  const QRect area = screen->geometry();
  int top = globalPos.y();
  if (top + height() > area.bottom() + 1) top = area.bottom() + 1 - height();
  move(globalPos.x() - width() / 2, top - height() / 2);
  show();
  raise();
  FItemIndex = -1;
  Track(QPoint(5, 5));  // tracking starts as if the button went down inside the first item
  grabMouse();
}

void TRBCPopupListBox::Track(QPoint pos) {
  const int h = height();
  int distance = 0;
  FScrollUp = pos.y() < 0;
  FScrollDown = pos.y() > h;
  if (FScrollUp) distance = -pos.y();
  if (FScrollDown) distance = pos.y() - h;
  if (FScrollUp || FScrollDown) {
    int interval = 600 - (distance / FItemHeight) * 200;
    if (interval <= 0) interval = 50;
    if (FScrollTimer.interval() != interval) FScrollTimer.setInterval(interval);
    if (!FScrollTimer.isActive()) FScrollTimer.start();
  } else {
    FScrollTimer.stop();
  }
  const int index = std::clamp((pos.y() - 1) / FItemHeight, 0, ItemCount() - 1);
  if (index != FItemIndex) {
    FItemIndex = index;
    update();
  }
}

void TRBCPopupListBox::ScrollTick() {
  int y = 0, m = 0, d = 0;
  dt::DecodeDate(FCenterMonth, y, m, d);
  AddMonths(y, m, FScrollUp ? -1 : FScrollDown ? 1 : 0);
  if (y < 1 || y > 9999) return;
  FCenterMonth = dt::EncodeDate(y, m, 1);
  FillItems();
}

void TRBCPopupListBox::mouseMoveEvent(QMouseEvent* event) {
  if (isVisible()) Track(event->position().toPoint());
}

void TRBCPopupListBox::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;  // only the left button ends the choice
  const QPoint pos = event->position().toPoint();
  const bool inside = rect().contains(pos);
  if (inside) Track(pos);
  Close();
  if (inside && FItemIndex >= 0) FCalendar->PopupChosen(FItemIndex);
}

void TRBCPopupListBox::Close() {
  FScrollTimer.stop();
  FScrollUp = FScrollDown = false;
  if (QWidget::mouseGrabber() == this) releaseMouse();
  hide();
}

void TRBCPopupListBox::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setPen(Qt::black);
  p.drawRect(rect().adjusted(0, 0, -1, -1));
  // Each item is drawn whole into a bitmap and copied in one step, so a
  // scrolling list does not flicker.
  const QSize itemSize(width() - 2, FItemHeight);
  QPixmap item(itemSize);
  for (int j = 0; j < ItemCount(); ++j) {
    const bool selected = j == FItemIndex;
    item.fill(selected ? Qt::black : Qt::white);
    QPainter ip(&item);
    ip.setFont(font());
    ip.setPen(selected ? Qt::white : Qt::black);
    ip.drawText(QRect(QPoint(0, 0), itemSize), Qt::AlignCenter | Qt::TextSingleLine, FItems[j]);
    ip.end();
    p.drawPixmap(1, 1 + j * FItemHeight, item);
  }
}
