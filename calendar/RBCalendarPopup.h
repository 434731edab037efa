#pragma once
// TRBCPopupListBox: the month list that pops up over a block caption. The
// user keeps the button pressed, drags to a month (above or below the list
// the months scroll, faster the further away the pointer is) and releases:
// the chosen month is then shown in the block whose caption was clicked. A
// release outside the list changes nothing.

#include <QStringList>
#include <QTimer>
#include <QWidget>

#include "core/DateTime.h"

class TRBCalendar;

class TRBCPopupListBox : public QWidget {
  Q_OBJECT

 public:
  explicit TRBCPopupListBox(TRBCalendar* calendar);

  // Fills the list around centerMonth (the 1st of a month), shows it centred
  // on globalPos without taking the activation and starts tracking the held
  // left button.
  void Open(TDate centerMonth, QPoint globalPos);

  int ItemHeight() const { return FItemHeight; }
  int ItemCount() const { return static_cast<int>(FItems.size()); }
  const QStringList& Items() const { return FItems; }
  int ItemIndex() const { return FItemIndex; }
  TDate CenterMonth() const { return FCenterMonth; }
  bool Scrolling() const { return FScrollTimer.isActive(); }
  bool ScrollingUp() const { return FScrollUp; }
  bool ScrollingDown() const { return FScrollDown; }
  int ScrollInterval() const { return FScrollTimer.interval(); }

  // Closes the list without choosing a month.
  void Cancel() { Close(); }

  // Height for 2 x PopupListDays + 1 items plus the 1-pixel border.
  void UpdateHeight();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void FillItems();
  void Track(QPoint pos);
  void ScrollTick();
  void Close();

  TRBCalendar* FCalendar;
  QStringList FItems;
  int FItemIndex = -1;
  int FItemHeight = 0;
  TDate FCenterMonth = 0;
  QTimer FScrollTimer;
  bool FScrollUp = false, FScrollDown = false;
};
