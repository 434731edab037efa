// The move drag of the time view through the toolkit's drag and drop, also
// from one time view into another: the target gets a copy (only text,
// all-day flag and times travel) and reports it with dmEnd on the drop; the
// source item goes back to where the drag began when the drag leaves the
// view and ends elsewhere, or is cancelled.
#include <QDrag>
#include <QApplication>
#include <QDropEvent>
#include <QMouseEvent>
#include <QMimeData>
#include <QPointer>
#include <QTimer>
#include <cmath>

#include "timeview/RBTimeViewControl.h"

const char* const TRBTimeView::ItemMimeType = "application/x-quillar-timeview-item";
std::function<Qt::DropAction(QDrag*)> TRBTimeView::DragExecHook;

namespace {
TRBTimeViewItemDragObject* CurrentDrag = nullptr;

double Frac(double v) { return v - std::trunc(v); }
bool IsItemDrag(const QMimeData* mime) { return CurrentDrag && mime && mime->hasFormat(TRBTimeView::ItemMimeType); }

class SecondButtonCancelsDrag : public QObject {
 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    const bool secondButton = (event->type() == QEvent::MouseButtonPress ||
                               event->type() == QEvent::MouseButtonDblClick) &&
                              static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton;
    if (!secondButton && event->type() != QEvent::ApplicationDeactivate) return false;
    QDrag::cancel();
    return secondButton;  // the press is the drag's, not the view's
  }
};
}  // namespace

bool TRBTimeView::MoveDragRunning() { return CurrentDrag != nullptr; }

const TRBTimeViewItemDragObject* TRBTimeView::ItemDragObject() { return CurrentDrag; }

// Drags from other programs are none of the view's business: accepting one
// as a move would let the other program delete what it dragged.
bool TRBTimeView::DragFromThisApplication(const QDropEvent* event) const {
  return CurrentDrag || event->source() != nullptr;
}

QObject* TRBTimeView::DragSourceOf(const QDropEvent* event) const {
  return IsItemDrag(event->mimeData()) ? CurrentDrag->Source : event->source();
}

void TRBTimeView::ForgetDraggedItem(TRBTimeViewItem* item) {
  if (CurrentDrag && CurrentDrag->Item == item) CurrentDrag->Item = nullptr;
}

void TRBTimeView::StartMoveDrag() {
  if (OnStartDrag) OnStartDrag(this);
  if (!hotItem_) return;  // the handler removed it
  TRBTimeViewItemDragObject object;
  object.Item = hotItem_;
  object.Source = this;
  TRBTimeViewItemDragObject* const previous = CurrentDrag;
  CurrentDrag = &object;
  startBeforeDrag_ = hotItem_->StartTime();
  auto* mime = new QMimeData;
  mime->setData(ItemMimeType, QByteArray::number(reinterpret_cast<quintptr>(hotItem_)));
  QPointer<QDrag> drag = new QDrag(this);
  drag->setMimeData(mime);
  if (dragCursor_.shape() == Qt::BitmapCursor && !dragCursor_.pixmap().isNull())
    drag->setDragCursor(dragCursor_.pixmap(), Qt::MoveAction);
  // A second button, or the window losing the focus, cancels the move as
  // Esc does: with a popup menu taking the release, the drag would go on
  // with no button held and drop at the next click.
  SecondButtonCancelsDrag guard;
  qApp->installEventFilter(&guard);
  const Qt::DropAction action = DragExecHook ? DragExecHook(drag) : drag->exec(Qt::MoveAction);
  qApp->removeEventFilter(&guard);
  CurrentDrag = previous;
  clicked_ = false;  // the release belonged to the drag
  firstEnter_ = true;
  autoScrollTimer_->stop();
  HideHint();
  // Cancelled without a leave reaching this view: the item goes back.
  if (object.Item && !object.Target && object.Item->Dragging() && object.Source == this) {
    object.Item->SetDragging(false);
    object.Item->MoveTo(startBeforeDrag_);
    UpdateLayout();
    Invalidate();
  }
  QObject* target = object.Target;
  QPoint at = object.DropPoint;
  if (!target && action != Qt::IgnoreAction && drag) {
    target = drag->target();
    if (auto* widget = qobject_cast<QWidget*>(target)) at = widget->mapFromGlobal(QCursor::pos());
  }
  if (drag) drag->deleteLater();
  if (OnEndDrag) OnEndDrag(this, target, target ? at.x() : 0, target ? at.y() : 0);
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
  if (CurrentDrag) {
    CurrentDrag->Target = this;
    CurrentDrag->DropPoint = lastPoint_;
  }
  moveDrag_ = false;
  if (hotItem_) {
    hotItem_->SetDragging(false);
    if (OnDragItem) OnDragItem(this, hotItem_, dmEnd);
  }
  UpdateLayout();
  Invalidate();
}

// Each drag-over and drop tells the host first (OnDragOver, OnDragDrop). The
// view takes every drag of this application; a host may refuse others than
// a moved item by clearing Accept. Only a moved item is acted upon.
// Tells the host of a drag entering or moving over the view and answers the
// platform: true for a moved item, which the view then follows itself.
bool TRBTimeView::OfferDrag(QDropEvent* event, TDragState state, QPoint& p) {
  if (!DragFromThisApplication(event)) {
    event->ignore();
    return false;
  }
  p = event->position().toPoint() - ClientOrigin();
  lastPoint_ = p;
  QObject* const source = DragSourceOf(event);
  if (state == dsDragEnter) {
    dragOverSource_ = source;
    dragOverHere_ = true;
  }
  bool accept = true;
  if (OnDragOver) OnDragOver(this, source, p.x(), p.y(), state, accept);
  if (!IsItemDrag(event->mimeData())) {
    if (accept) event->acceptProposedAction();
    else event->ignore();
    return false;
  }
  event->acceptProposedAction();
  return true;
}

void TRBTimeView::dragEnterEvent(QDragEnterEvent* event) {
  QPoint p;
  if (!OfferDrag(event, dsDragEnter, p) || !CurrentDrag->Item) return;
  hotDay_ = DayAtX(p.x());
  MoveDragEnter(CurrentDrag->Item, CurrentDrag->Source, p.x(), p.y());
  StepMove(p.x(), p.y());
}

void TRBTimeView::dragMoveEvent(QDragMoveEvent* event) {
  QPoint p;
  if (!OfferDrag(event, dsDragMove, p) || !hotItem_ || !hotItem_->Dragging()) return;
  hotDay_ = DayAtX(p.x());
  StepMove(p.x(), p.y());
}

void TRBTimeView::dragLeaveEvent(QDragLeaveEvent*) {
  DragLeaves();
  if (CurrentDrag && hotItem_ && hotItem_->Dragging()) MoveDragLeave(false);
}

// The leave carries no position: the host gets the last one seen here.
void TRBTimeView::DragLeaves() {
  if (!dragOverHere_) return;
  dragOverHere_ = false;
  bool accept = true;
  if (OnDragOver) OnDragOver(this, dragOverSource_, lastPoint_.x(), lastPoint_.y(), dsDragLeave, accept);
}

void TRBTimeView::dropEvent(QDropEvent* event) {
  if (!DragFromThisApplication(event)) {
    event->ignore();
    return;
  }
  const QPoint p = event->position().toPoint() - ClientOrigin();
  lastPoint_ = p;
  // As a leave and then the drop.
  DragLeaves();
  if (OnDragDrop) OnDragDrop(this, DragSourceOf(event), p.x(), p.y());
  if (!IsItemDrag(event->mimeData()) || !hotItem_ || !hotItem_->Dragging()) {
    event->acceptProposedAction();
    return;
  }
  event->setDropAction(Qt::MoveAction);
  event->accept();
  MoveDragLeave(true);
  MoveDragDrop();
}
