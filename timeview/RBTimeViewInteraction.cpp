// Mouse interaction of the time view: the zone under the pointer, the eight
// operations (working-hours drags, item edge drags, item press and move,
// time and all-day selection), auto-scrolling, the click timer, double
// clicks. The move drag is in RBTimeViewDrag.cpp.
//
// Every drag event comes with dmBegin when its operation starts, dmDrag after
// each step and dmEnd when it ends. ReadOnly blocks what would change items
// or days (working-hours and item drags, moves, editing, creation by typing);
// selections and double clicks still work.
#include <QApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QTimer>
#include <cmath>

#include "timeview/RBTimeViewControl.h"
#include "timeview/RBTimeViewHint.h"

bool TRBTimeView::AutoScrolling() const { return autoScrollTimer_ && autoScrollTimer_->isActive(); }

TRBTimeviewDay* TRBTimeView::CurrentHotDay(int x) {
  if (!hotDay_) hotDay_ = DayAtX(x);
  return hotDay_;
}

// Day objects die in SetDays: nothing of the interaction may keep them. A
// working-hours drag loses its day and ends without dmEnd; a pending click
// edit finds the selected item's day anew.
void TRBTimeView::ClearInteraction() {
  if (operation_ == opBeginWork || operation_ == opEndWork) {
    operation_ = opNone;
    autoScrollTimer_->stop();
    HideHint();
  }
  hotDay_ = nullptr;
  workDay_ = nullptr;
  pressDay_ = selectedItem_ ? selectedItem_->FirstDay() : nullptr;
}

void TRBTimeView::ForgetItem(TRBTimeViewItem* item) {
  if (item == hotItem_) {
    hotItem_ = nullptr;
    if (operation_ == opItemStart || operation_ == opItemEnd || operation_ == opItemPress) {
      operation_ = opNone;
      autoScrollTimer_->stop();
      clickTimer_->stop();
      HideHint();
    }
  }
  ForgetDraggedItem(item);
}

// ------------------------------------------------------------ zone

void TRBTimeView::FindZone(int x, int y) {
  zone_ = zNone;
  hotItem_ = nullptr;
  moveDrag_ = false;
  editPending_ = false;
  Qt::CursorShape cursor = Qt::ArrowCursor;
  TRBTimeviewDay* day = CurrentHotDay(x);
  if (!day) return;
  const TVMetrics m = Metrics();
  hotItem_ = day->ItemAt(x, y);
  if (hotItem_) {
    const TRect r = day->ItemRect(hotItem_);
    const bool timed = !hotItem_->AllDay();
    const bool canStart = !readOnly_ && dragOptions_.Contains(doItemStart);
    const bool canEnd = !readOnly_ && dragOptions_.Contains(doItemEnd);
    if (timed && canStart && std::abs(r.Top - y) < 4) {
      zone_ = zItemStart;
      cursor = Qt::SizeVerCursor;
    } else if (!timed && canStart && std::abs(r.Left - x) < 4) {
      zone_ = zItemStart;
      cursor = Qt::SizeHorCursor;
    } else if (timed && canEnd && std::abs(r.Bottom - y) < 4) {
      zone_ = zItemEnd;
      cursor = Qt::SizeVerCursor;
    } else if (!timed && canEnd && std::abs(r.Right - x) < 4) {
      zone_ = zItemEnd;
      cursor = Qt::SizeHorCursor;
    } else {
      zone_ = zItemBody;
    }
  } else {
    const int ys = tvgeo::TimeToY(m, 1, day->StartWork());
    const int ye = tvgeo::TimeToY(m, 1, day->EndWork());
    if (std::abs(ys - y) < 4 && day->WorkingDay() && dragOptions_.Contains(doBeginWork) && !readOnly_) {
      zone_ = zBeginWork;
      cursor = Qt::SizeVerCursor;
    } else if (std::abs(ye - y) < 4 && day->WorkingDay() && dragOptions_.Contains(doEndWork) && !readOnly_) {
      zone_ = zEndWork;
      cursor = Qt::SizeVerCursor;
    } else if (m.CaptionHeight < y && y <= m.TimeTop()) {
      zone_ = zTopSpace;
    } else if (y > m.CaptionHeight) {
      zone_ = zTimeArea;
    }
  }
  setCursor(cursor);
}

// ------------------------------------------------------------ press

void TRBTimeView::mousePressEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint() - ClientOrigin();
  lastPoint_ = p;
  if (event->button() == Qt::LeftButton) clicked_ = true;
  if (OnMouseDown) OnMouseDown(this, event->button(), event->modifiers(), p.x(), p.y());
  setFocus();
  clickTimer_->stop();
  EndEdit(true);
  if (event->button() != Qt::LeftButton) {
    CancelOperation();  // a second button never completes a drag
    return;
  }
  // A press always follows a movement to its place; find the zone there.
  if (operation_ == opNone) {
    hotDay_ = DayAtX(p.x());
    FindZone(p.x(), p.y());
  }
  StartOperation(p.x(), p.y());
}

void TRBTimeView::StartOperation(int x, int y) {
  switch (zone_) {
    case zBeginWork:
    case zEndWork:
      workDay_ = hotDay_;
      startBeforeEdge_ = workDay_->StartWork();
      endBeforeEdge_ = workDay_->EndWork();
      operation_ = zone_ == zBeginWork ? opBeginWork : opEndWork;
      if (zone_ == zBeginWork && OnDragBeginWork) OnDragBeginWork(this, workDay_, dmBegin);
      if (zone_ == zEndWork && OnDragEndWork) OnDragEndWork(this, workDay_, dmBegin);
      break;
    case zItemStart:
    case zItemEnd:
      SetTimeSelection(-1, -1);
      SetAllDaySelection(-1, -1);
      SetSelectedItem(hotItem_);
      startBeforeEdge_ = hotItem_->StartTime();
      endBeforeEdge_ = hotItem_->EndTime();
      allDayBeforeEdge_ = hotItem_->AllDay();
      operation_ = zone_ == zItemStart ? opItemStart : opItemEnd;
      if (zone_ == zItemStart && OnDragItemStart) OnDragItemStart(this, hotItem_, dmBegin);
      if (zone_ == zItemEnd && OnDragItemEnd) OnDragItemEnd(this, hotItem_, dmBegin);
      break;
    case zItemBody:
      if (!options_.Contains(tvoItemsSelection)) break;
      SetTimeSelection(-1, -1);
      SetAllDaySelection(-1, -1);
      SetSelectedItem(hotItem_);
      pressDay_ = hotDay_;
      operation_ = opItemPress;
      editPending_ = false;
      pressPoint_ = QPoint(x, y);
      if (OnDragItem) OnDragItem(this, hotItem_, dmBegin);
      clickTimer_->start();
      break;
    case zTopSpace:
      SetSelectedItem(nullptr);
      SetTimeSelection(-1, -1);
      operation_ = opAllDaySelection;
      anchor_ = hotDay_->Date();
      SetAllDaySelection(anchor_, anchor_);
      break;
    case zTimeArea: {
      if (!options_.Contains(tvoTimeSelection)) break;
      SetSelectedItem(nullptr);
      SetAllDaySelection(-1, -1);
      const TDateTime d = YToTime(y, selectResolution_, false) + hotDay_->Date();
      SetTimeSelection(d, d + selectResolution_ / 1440.0);
      anchor_ = d;
      operation_ = opTimeSelection;
      break;
    }
    case zNone:
      break;
  }
}

// ------------------------------------------------------------ movement

void TRBTimeView::mouseMoveEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint() - ClientOrigin();
  lastPoint_ = p;
  if (OnMouseMove) OnMouseMove(this, event->modifiers(), p.x(), p.y());
  hotDay_ = DayAtX(p.x());
  switch (operation_) {
    case opNone:
      FindZone(p.x(), p.y());
      break;
    case opItemPress:
      if ((p - pressPoint_).manhattanLength() >= QApplication::startDragDistance() && !MoveDragRunning() &&
          dragOptions_.Contains(doItem) && !readOnly_ && hotItem_) {
        moveDrag_ = true;
        editPending_ = false;
        clickTimer_->stop();
        StartMoveDrag();
      }
      break;
    default:
      StepOperation(p.x(), p.y());
  }
}

void TRBTimeView::StepOperation(int x, int y) {
  switch (operation_) {
    case opBeginWork: StepWork(x, y, true); break;
    case opEndWork: StepWork(x, y, false); break;
    case opItemStart: StepItemEdge(x, y, true); break;
    case opItemEnd: StepItemEdge(x, y, false); break;
    case opTimeSelection: StepTimeSelection(x, y); break;
    case opAllDaySelection: StepAllDaySelection(x, y); break;
    default: break;
  }
}

void TRBTimeView::StepWork(int x, int y, bool begin) {
  TRBTimeviewDay* day = workDay_;
  if (!day) return;
  AutoScrollCheck(y);
  y = std::clamp(y, captionHeight_, std::max(captionHeight_, ClientHeight() - 1));
  TTime t = YToTime(y, itemDragResolution_, true);
  const double minimum = minWorkingHours_ / 1440.0;
  if (begin) {
    if (day->EndWork() - t < minimum) t = day->EndWork() - minimum;
    day->SetStartWork(t);
  } else {
    if (t - day->StartWork() < minimum) t = day->StartWork() + minimum;
    day->SetEndWork(t);
  }
  const auto& hintEvent = begin ? OnBeginWorkDragHint : OnEndWorkDragHint;
  if (hintsOptions_.Contains(begin ? hoBeginWorkDrag : hoEndWorkDrag) && hintEvent) {
    QString hint;
    int width = 100;
    hintEvent(this, day->StartWork(), day->EndWork(), day, hint, width);
    ShowHintAt(x, y, hint, width);
  }
  const auto& dragEvent = begin ? OnDragBeginWork : OnDragEndWork;
  if (dragEvent) dragEvent(this, day, dmDrag);
}

// Without the *ToOtherDay options an edge stays on the day the item starts
// in; note that in the top space each edge follows the other edge's option.
void TRBTimeView::StepItemEdge(int x, int y, bool start) {
  TRBTimeViewItem* item = hotItem_;
  TRBTimeviewDay* day = CurrentHotDay(x);
  if (!item || !day) return;
  AutoScrollCheck(y);
  y = std::clamp(y, captionHeight_, std::max(captionHeight_, ClientHeight() - 1));
  const double snap = itemsSnap_ / 1440.0;
  const double minimum = minItemLength_ / 1440.0;
  const TDate itemDay = std::trunc(item->StartTime());
  TDateTime t;
  if (y < Metrics().TimeTop()) {
    autoScrollTimer_->stop();
    item->SetAllDay(true);
    t = dragOptions_.Contains(start ? doItemEndToOtherDay : doItemStartToOtherDay) ? day->Date() : itemDay;
  } else {
    item->SetAllDay(false);
    t = YToTime(y, itemDragResolution_, true) +
        (dragOptions_.Contains(start ? doItemStartToOtherDay : doItemEndToOtherDay) ? day->Date() : itemDay);
    if (options_.Contains(tvoSnapItemToItem))
      for (const TRBTimeViewItem* other : day->Items()) {
        if (other == item) continue;
        const TDateTime edge = start ? other->EndTime() : other->StartTime();
        if (std::abs(edge - t) <= snap) t = edge;
      }
    if (options_.Contains(tvoSnapItemToWorkingHours) && day->WorkingDay()) {
      const TDateTime work = day->Date() + (start ? day->StartWork() : day->EndWork());
      if (std::abs(work - t) <= snap) t = work;
    }
  }
  if (start) {
    if (item->EndTime() - t < minimum) t = item->EndTime() - minimum;
    item->SetStartTime(t);
  } else {
    if (t - item->StartTime() < minimum) t = item->StartTime() + minimum;
    item->SetEndTime(t);
  }
  const auto& hintEvent = start ? OnItemStartDragHint : OnItemEndDragHint;
  if (hintsOptions_.Contains(start ? hoItemStartDrag : hoItemEndDrag) && hintEvent) {
    QString hint;
    int width = 100;
    hintEvent(this, item, item->StartTime(), item->EndTime(), hint, width);
    ShowHintAt(x, y, hint, width);
  }
  const auto& dragEvent = start ? OnDragItemStart : OnDragItemEnd;
  if (dragEvent) dragEvent(this, item, dmDrag);
}

void TRBTimeView::StepMove(int x, int y) {
  TRBTimeViewItem* item = hotItem_;
  if (!item) return;
  if (!item->AllDay()) AutoScrollCheck(y);
  TDateTime t = YToTime(y, itemDragResolution_, true) + grabOffset_;
  if (dragOptions_.Contains(doItemToOtherDay)) {
    if (TRBTimeviewDay* day = DayAtX(x)) t += day->Date();
  } else {
    t = std::max(t, 0.0);
    if (t + item->Duration() > 1) t = 1 - item->Duration();
    t += std::trunc(item->StartTime());
  }
  if (y > Metrics().TimeTop()) {
    bool canDrag = true;
    if (OnDragItemFromAllDay) OnDragItemFromAllDay(this, item, canDrag);
    if (canDrag) item->SetAllDay(false);
  } else if (!item->AllDay()) {
    bool canDrag = true;
    if (OnDragItemToAllDay) OnDragItemToAllDay(this, item, canDrag);
    if (canDrag) {
      item->SetAllDay(true);
      autoScrollTimer_->stop();
    }
  }
  item->MoveTo(t);
  if (hintsOptions_.Contains(hoItemDrag) && OnItemDragHint) {
    QString hint;
    int width = 100;
    OnItemDragHint(this, item, item->StartTime(), item->EndTime(), hint, width);
    ShowHintAt(x, y + 16, hint, width);
  }
  if (OnDragItem) OnDragItem(this, item, dmDrag);
}

// The selection always covers the slot under the anchor and the one under the pointer.
void TRBTimeView::StepTimeSelection(int x, int y) {
  AutoScrollCheck(y);
  const double res = selectResolution_ / 1440.0;
  TRBTimeviewDay* day = CurrentHotDay(x);
  const TDate d0 = options_.Contains(tvoMutipleDaySelection) && day ? day->Date() : std::trunc(anchor_);
  const TTime t = YToTime(y, selectResolution_, false);
  const TDateTime d = d0 + t;
  if (d <= anchor_) SetTimeSelection(d, anchor_ + res);
  else if (t >= 1) SetTimeSelection(anchor_, d);
  else SetTimeSelection(anchor_, d + res);
  if (hintsOptions_.Contains(hoSelection) && OnSelectionHint) {
    QString hint;
    int width = 100;
    OnSelectionHint(this, timeSelectionStart_, timeSelectionEnd_, hint, width);
    ShowHintAt(x, y, hint, width);
  }
}

void TRBTimeView::StepAllDaySelection(int x, int y) {
  TRBTimeviewDay* day = CurrentHotDay(x);
  const TDate d0 = options_.Contains(tvoMutipleDaySelection) && day ? day->Date() : anchor_;
  SetAllDaySelection(std::min(anchor_, d0), std::max(anchor_, d0));
  if (hintsOptions_.Contains(hoAllDaySelection) && OnAllDaySelectionHint) {
    QString hint;
    int width = 100;
    OnAllDaySelectionHint(this, allDaySelectionStart_, allDaySelectionEnd_, hint, width);
    ShowHintAt(x, y, hint, width);
  }
}

// ------------------------------------------------------------ auto-scroll

bool TRBTimeView::AutoScrollCheck(int y) {
  const int half = rulerMarkHeight_ / 2;
  if (y > ClientHeight() - half) autoScrollDirection_ = 1;
  else if (y < Metrics().TimeTop() + half) autoScrollDirection_ = -1;
  else {
    autoScrollTimer_->stop();
    return false;
  }
  if (!autoScrollTimer_->isActive()) {
    SetVScrollPosition(VScrollPosition() + autoScrollDirection_ * rulerMarkHeight_);
    autoScrollTimer_->start();
  }
  return true;
}

void TRBTimeView::AutoScrollTick() {
  SetVScrollPosition(VScrollPosition() + autoScrollDirection_ * rulerMarkHeight_);
  if (moveDrag_ && MoveDragRunning()) StepMove(lastPoint_.x(), lastPoint_.y());
  else if (operation_ != opNone && operation_ != opItemPress && operation_ != opAllDaySelection)
    StepOperation(lastPoint_.x(), lastPoint_.y());
  else autoScrollTimer_->stop();
}

// ------------------------------------------------------------ release, click, double click

// A click is a left press and release here, the release inside the client
// area; it is told before the release itself.
void TRBTimeView::mouseReleaseEvent(QMouseEvent* event) {
  lastPoint_ = event->position().toPoint() - ClientOrigin();
  if (event->button() == Qt::LeftButton && clicked_) {
    clicked_ = false;
    if (TRect{0, 0, ClientWidth(), ClientHeight()}.Contains(lastPoint_.x(), lastPoint_.y()) && OnClick) OnClick(this);
  }
  if (OnMouseUp) OnMouseUp(this, event->button(), event->modifiers(), lastPoint_.x(), lastPoint_.y());
  EndOperation();
}

void TRBTimeView::EndOperation() {
  const TOperation operation = operation_;
  switch (operation) {
    case opBeginWork:
    case opEndWork:
      HideHint();
      autoScrollTimer_->stop();
      operation_ = opNone;
      if (workDay_) {
        const auto& event = operation == opBeginWork ? OnDragBeginWork : OnDragEndWork;
        if (event) event(this, workDay_, dmEnd);
      }
      break;
    case opItemStart:
    case opItemEnd: {
      HideHint();
      autoScrollTimer_->stop();
      operation_ = opNone;
      const auto& event = operation == opItemStart ? OnDragItemStart : OnDragItemEnd;
      if (event && hotItem_) event(this, hotItem_, dmEnd);
      break;
    }
    case opItemPress: {
      operation_ = opNone;
      const bool dragged = moveDrag_ || MoveDragRunning();
      if (OnItemClick && (itemClickOnDrag_ || !dragged)) OnItemClick(this, selectedItem_);
      if (editPending_) {
        editPending_ = false;
        if (!dragged && !readOnly_) EditItem(selectedItem_, pressDay_);
      }
      break;
    }
    case opTimeSelection:
      HideHint();
      autoScrollTimer_->stop();
      operation_ = opNone;
      break;
    case opAllDaySelection:
      HideHint();
      operation_ = opNone;
      break;
    case opNone:
      break;
  }
}

void TRBTimeView::CancelOperation() {
  if (operation_ == opNone || MoveDragRunning()) return;
  const TOperation operation = operation_;
  operation_ = opNone;
  HideHint();
  autoScrollTimer_->stop();
  clickTimer_->stop();
  editPending_ = false;
  moveDrag_ = false;
  if ((operation == opBeginWork || operation == opEndWork) && workDay_) {
    // A day refuses a start of work that is not before its end: start,
    // end, then the start again reaches any earlier pair.
    workDay_->SetStartWork(startBeforeEdge_);
    workDay_->SetEndWork(endBeforeEdge_);
    workDay_->SetStartWork(startBeforeEdge_);
  } else if ((operation == opItemStart || operation == opItemEnd) && hotItem_) {
    hotItem_->SetAllDay(allDayBeforeEdge_);
    hotItem_->SetTimes(startBeforeEdge_, endBeforeEdge_);
  }
  UpdateLayout();
  Invalidate();
}

void TRBTimeView::ClickTimerTick() {
  clickTimer_->stop();
  if (!clickToEdit_ || readOnly_) return;
  if (operation_ == opItemPress) editPending_ = true;
  else if (!moveDrag_) EditItem(selectedItem_, pressDay_);
}

// The second press of a double click: its release is no click. The click
// timer stops before the host hears of the double click, so that an editor
// window the host opens there never has the in-place editor open under it.
void TRBTimeView::mouseDoubleClickEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint() - ClientOrigin();
  clicked_ = false;
  if (OnMouseDown) OnMouseDown(this, event->button(), event->modifiers(), p.x(), p.y());
  setFocus();
  clickTimer_->stop();
  EndEdit(true);
  if (event->button() != Qt::LeftButton) return;
  if (operation_ == opNone) {
    hotDay_ = DayAtX(p.x());
    FindZone(p.x(), p.y());
  }
  if (zone_ == zItemBody) {
    if (OnItemDblClick) OnItemDblClick(this, hotItem_);
  } else if (OnDblClick) {
    OnDblClick(this);
  }
}

// ------------------------------------------------------------ hints

void TRBTimeView::ShowHintAt(int x, int y, const QString& hint, int hintWidth) {
  const QPoint p = mapToGlobal(ClientOrigin() + QPoint(x, y));
  hintWindow_->SetRightToLeft(RightToLeft());
  const QSize size = hintWindow_->MeasureText(hint, hintWidth);
  QRect r(0, 0, size.width() + 6, size.height() + 2);
  r.translate(p);
  r.translate((16 - (size.width() + 6)) / 2, 16);
  r.setBottom(r.bottom() + 4);
  hintWindow_->ActivateHint(r, hint);
}

void TRBTimeView::HideHint() { hintWindow_->HideHint(); }

