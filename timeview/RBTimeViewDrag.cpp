// The move drag of the time view through the toolkit's drag and drop, also
// from one time view into another: the target gets a copy (only text,
// all-day flag and times travel) and reports it with dmEnd on the drop; the
// source item goes back to where the drag began when the drag leaves the
// view and ends elsewhere, or is cancelled.
#include <QDrag>
#include <QDropEvent>
#include <QMimeData>
#include <QPointer>
#include <QTimer>
#include <cmath>

#include "timeview/RBTimeViewControl.h"

const char* const TRBTimeView::ItemMimeType = "application/x-quillar-timeview-item";
std::function<Qt::DropAction(QDrag*)> TRBTimeView::DragExecHook;

namespace {
// The drag object of a move: the travelling item and the view it left. Only
// one drag runs at a time in a process.
struct TRBTimeViewItemDragObject {
  TRBTimeViewItem* Item = nullptr;
  TRBTimeView* Source = nullptr;
  bool Dropped = false;
};
TRBTimeViewItemDragObject* CurrentDrag = nullptr;

double Frac(double v) { return v - std::trunc(v); }
bool IsItemDrag(const QMimeData* mime) { return CurrentDrag && mime && mime->hasFormat(TRBTimeView::ItemMimeType); }
}  // namespace

bool TRBTimeView::MoveDragRunning() { return CurrentDrag != nullptr; }

void TRBTimeView::ForgetDraggedItem(TRBTimeViewItem* item) {
  if (CurrentDrag && CurrentDrag->Item == item) CurrentDrag->Item = nullptr;
}

void TRBTimeView::StartMoveDrag() {
  TRBTimeViewItemDragObject object{hotItem_, this, false};
  TRBTimeViewItemDragObject* const previous = CurrentDrag;
  CurrentDrag = &object;
  startBeforeDrag_ = hotItem_->StartTime();
  auto* mime = new QMimeData;
  mime->setData(ItemMimeType, QByteArray::number(reinterpret_cast<quintptr>(hotItem_)));
  QPointer<QDrag> drag = new QDrag(this);
  drag->setMimeData(mime);
  drag->setDragCursor(QPixmap(), Qt::MoveAction);
  if (DragExecHook) DragExecHook(drag);
  else drag->exec(Qt::MoveAction);
  CurrentDrag = previous;
  firstEnter_ = true;
  autoScrollTimer_->stop();
  HideHint();
  // Cancelled without a leave reaching this view: the item goes back.
  if (object.Item && !object.Dropped && object.Item->Dragging() && object.Source == this) {
    object.Item->SetDragging(false);
    object.Item->MoveTo(startBeforeDrag_);
    UpdateLayout();
    Invalidate();
  }
  if (drag) drag->deleteLater();
  // The release that ended the drag ends the item press too, as a press
  // that moved (a drop may have cleared the flag already).
  moveDrag_ = true;
  if (operation_ == opItemPress) EndOperation();
  moveDrag_ = false;
}

void TRBTimeView::MoveDragEnter(TRBTimeViewItem* item, TRBTimeView* source, int x, int y) {
  TRBTimeviewDay* day = DayAtX(x);
  if (!day || !item) return;
  if (source == this && item == hotItem_) {
    if (firstEnter_) {
      const TDate base = dragOptions_.Contains(doItemToOtherDay) ? day->Date() : std::trunc(item->StartTime());
      grabOffset_ = item->StartTime() - YToTime(y, itemDragResolution_, true) - base;
      firstEnter_ = false;
    }
    draggingCopy_ = false;
    item->SetDragging(true);
  } else {
    moveDrag_ = true;
    editPending_ = false;
    clickTimer_->stop();
    const TDateTime start = day->Date() + Frac(item->StartTime());
    TRBTimeViewItem* copy = items_->Add(item->Text(), item->AllDay(), start, start + item->Duration());
    hotItem_ = copy;
    grabOffset_ = 0;
    SetSelectedItem(copy);
    copy->SetDragging(true);
    draggingCopy_ = true;
  }
  UpdateLayout();
  Invalidate();
}

void TRBTimeView::MoveDragLeave(bool inside) {
  autoScrollTimer_->stop();
  TRBTimeViewItem* item = hotItem_;
  if (!item) return;
  if (!draggingCopy_) {
    item->SetDragging(false);
    HideHint();
    if (!inside) item->MoveTo(startBeforeDrag_);
  } else if (inside) {
    item->SetDragging(false);
  } else {
    hotItem_ = nullptr;
    items_->Delete(item);
    moveDrag_ = false;
  }
  UpdateLayout();
  Invalidate();
}

void TRBTimeView::MoveDragDrop() {
  HideHint();
  if (CurrentDrag) CurrentDrag->Dropped = true;
  moveDrag_ = false;
  if (hotItem_) {
    hotItem_->SetDragging(false);
    if (OnDragItem) OnDragItem(this, hotItem_, dmEnd);
  }
  UpdateLayout();
  Invalidate();
}

void TRBTimeView::dragEnterEvent(QDragEnterEvent* event) {
  event->acceptProposedAction();
  if (!IsItemDrag(event->mimeData()) || !CurrentDrag->Item) return;
  const QPoint p = event->position().toPoint() - ClientOrigin();
  lastPoint_ = p;
  hotDay_ = DayAtX(p.x());
  MoveDragEnter(CurrentDrag->Item, CurrentDrag->Source, p.x(), p.y());
  StepMove(p.x(), p.y());
}

void TRBTimeView::dragMoveEvent(QDragMoveEvent* event) {
  event->acceptProposedAction();
  if (!IsItemDrag(event->mimeData()) || !hotItem_ || !hotItem_->Dragging()) return;
  const QPoint p = event->position().toPoint() - ClientOrigin();
  lastPoint_ = p;
  hotDay_ = DayAtX(p.x());
  StepMove(p.x(), p.y());
}

void TRBTimeView::dragLeaveEvent(QDragLeaveEvent*) {
  if (CurrentDrag && hotItem_ && hotItem_->Dragging()) MoveDragLeave(false);
}

void TRBTimeView::dropEvent(QDropEvent* event) {
  if (!IsItemDrag(event->mimeData()) || !hotItem_ || !hotItem_->Dragging()) {
    event->ignore();
    return;
  }
  event->setDropAction(Qt::MoveAction);
  event->accept();
  MoveDragLeave(true);
  MoveDragDrop();
}

