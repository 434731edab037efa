// Mouse interaction of TRBCalendar: the arrow buttons with their repeat, the
// caption popup, and the day and week selection gestures. State: the
// selecting, week-gesture and adding flags, the anchor day and current end of
// a gesture, the held flags of the arrows and their repeat timer.

#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <algorithm>
#include <cmath>

#include "calendar/RBCalendar.h"
#include "calendar/RBCalendarPopup.h"

namespace {
// The cursor of the week margin: an arrow pointing right, at the week it selects.
const QCursor& RightArrowCursor() {
  static const QCursor cursor = [] {
    QPixmap pix(32, 32);
    pix.fill(Qt::transparent);
    QPainter p(&pix);
    p.setRenderHint(QPainter::Antialiasing, false);
    const QPolygon arrow({QPoint(30, 10), QPoint(18, 0), QPoint(18, 6), QPoint(2, 6), QPoint(2, 14),
                          QPoint(18, 14), QPoint(18, 20)});
    p.setPen(Qt::white);
    p.setBrush(Qt::black);
    p.drawPolygon(arrow);
    p.end();
    return QCursor(pix, 30, 10);
  }();
  return cursor;
}

bool Ctrl(Qt::KeyboardModifiers mods) { return mods & Qt::ControlModifier; }

bool SameMonth(TDate a, TDate b) {
  int ya, ma, da, yb, mb, db;
  dt::DecodeDate(a, ya, ma, da);
  dt::DecodeDate(b, yb, mb, db);
  return ya == yb && ma == mb;
}
}  // namespace

void TRBCalendar::mousePressEvent(QMouseEvent* event) {
  const QPoint P = event->position().toPoint() - ClientRect().topLeft();
  if (event->button() == Qt::LeftButton) {
    if (FPrevMonthButton && FGeo.InPrevButton(P)) {
      FPrevHeld = true;
      PrevMonth();
      FRepeatTimer.start(500);
    } else if (FNextMonthButton && FGeo.InNextButton(P, ClientRect().width())) {
      FNextHeld = true;
      NextMonth();
      FRepeatTimer.start(500);
    } else {
      const TRBCGeometry::Hit hit = FGeo.Locate(P);
      if (hit.InGrid && FMonths[hit.c][hit.r].Month != 0) {
        if (FEnableCaptionPopup && hit.InCaption)
          OpenPopup(hit.c, hit.r, event->globalPosition().toPoint());
        else if (FSelectionKind != skNone)
          StartGesture(hit, event->modifiers());
      }
    }
  }
  if (OnMouseDown) OnMouseDown(this, event->button(), event->modifiers(), P.x(), P.y());
}

void TRBCalendar::StartGesture(const TRBCGeometry::Hit& hit, Qt::KeyboardModifiers mods) {
  FAdding = false;
  FWeekGesture = false;
  if (!hit.InDayRows) return;  // caption, titles or dead space
  const TRBMonthData& m = FMonths[hit.c][hit.r];
  const int BW = FGeo.BorderWidth;

  if ((hit.x >= 0 && hit.x <= BW) || FSelectionKind == skWeek) {
    if (!FSideWeekSelect && FSelectionKind != skWeek) return;
    FWeekGesture = true;
    FAnchor = m.WeekStart[hit.w];
    FCurrentEnd = FAnchor + 6;
    if (!FMultiSelect)
      SetSelectionRange(FAnchor, FCurrentEnd);
    else if (Ctrl(mods))
      AddSelection(FAnchor, FCurrentEnd);
    else
      SetSelections(FAnchor, FCurrentEnd);
    FSelecting = true;
    return;
  }

  if (hit.x >= FGeo.MonthWidth() - BW) return;  // right side margin
  const TRBDayData& cell = m.Days[hit.i][hit.w];
  if (!(cell.Flags & dfShown) || !CanSelectDay(cell.Date)) return;
  const TDate D = cell.Date;
  FSelecting = true;
  FAnchor = FCurrentEnd = D;
  if (!FMultiSelect) {
    SetSelectionRange(D, D);
  } else if (!Ctrl(mods)) {
    SetSelections(D, D);
  } else {
    // A Ctrl gesture adds when it starts on a free day and removes when it
    // starts on a selected one, for its whole length.
    FAdding = !FSel.InList(D);
    if (FAdding)
      AddSelection(D, D);
    else
      RemoveSelection(D, D);
  }
}

void TRBCalendar::mouseMoveEvent(QMouseEvent* event) {
  const QPoint P = event->position().toPoint() - ClientRect().topLeft();
  if (OnMouseMove) OnMouseMove(this, event->modifiers(), P.x(), P.y());
  if (!QRect(QPoint(0, 0), ClientRect().size()).contains(P)) return;
  const TRBCGeometry::Hit hit = FGeo.Locate(P);
  UpdateCursor(P);
  if (!FSelecting || !hit.InDayRows || !hit.InGrid) return;
  if (FSelectionKind == skSingleDay || FSelectionKind == skWeek) return;
  StepGesture(hit, event->modifiers());
}

void TRBCalendar::UpdateCursor(QPoint client) {
  const TRBCGeometry::Hit hit = FGeo.Locate(client);
  const bool weekMargin = hit.x >= 0 && hit.x <= FGeo.BorderWidth &&
                          hit.y > FGeo.CaptionHeight + FGeo.TitlesHeight && FSideWeekSelect;
  QWidget::setCursor(weekMargin ? RightArrowCursor() : FCursor);
}

void TRBCalendar::StepGesture(const TRBCGeometry::Hit& hit, Qt::KeyboardModifiers mods) {
  const TRBMonthData& m = FMonths[hit.c][hit.r];
  if (m.Month == 0) return;
  const int BW = FGeo.BorderWidth;

  if ((hit.x >= 0 && hit.x < BW) || FWeekGesture) {
    const TDate W = m.WeekStart[hit.w];
    FCurrentEnd = W;
    const TDate from = W >= FAnchor ? FAnchor : W;
    const TDate to = W >= FAnchor ? W + 6 : FAnchor + 6;
    if (FMultiSelect)
      SetSelections(from, to);
    else
      SetSelectionRange(from, to);
    return;
  }

  if (hit.x < BW || hit.x >= FGeo.MonthWidth() - BW) return;
  const TRBDayData& cell = m.Days[hit.i][hit.w];
  if (!(cell.Flags & dfShown)) return;
  const TDate D = cell.Date;
  FCurrentEnd = D;
  if (!FCanSelectAnother && !SameMonth(D, FAnchor)) return;
  // Progressive selection grows day by day and takes the whole month once
  // the pointer is a week or more away from where the gesture began.
  TDate from = FAnchor, to = D;
  if (std::fabs(D - FAnchor) >= 7 && FSelectionKind == skProgressive) {
    from = m.FirstDay;
    to = m.LastDay;
  }
  if (!FMultiSelect)
    SetSelectionRange(from, to);
  else if (Ctrl(mods) && FAdding)
    AddSelection(from, to);
  else if (Ctrl(mods))
    RemoveSelection(from, to);
  else
    SetSelections(from, to);
}

void TRBCalendar::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint P = event->position().toPoint() - ClientRect().topLeft();
  if (OnMouseUp) OnMouseUp(this, event->button(), event->modifiers(), P.x(), P.y());
  StopArrows();
  if (FSelecting) EndGesture();
}

void TRBCalendar::mouseDoubleClickEvent(QMouseEvent* event) {
  // A left double click is announced first, then handled as the press it also is.
  if (event->button() == Qt::LeftButton && OnDblClick) OnDblClick(this);
  mousePressEvent(event);
}

void TRBCalendar::StopArrows() {
  FRepeatTimer.stop();
  FPrevHeld = false;
  FNextHeld = false;
}

void TRBCalendar::EndGesture() {
  FSelecting = false;
  if (OnSelectionChange) OnSelectionChange(this);
  // A selection that ended outside the shown months brings the months along
  // by one. An empty range (a refused first selection) is not "before" anything.
  if (!FMultiSelect) {
    if (SelectionStart() == 0 && SelectionEnd() == 0) return;
    if (SelectionEnd() < FStartDay)
      PrevMonth();
    else if (SelectionStart() > FEndDay)
      NextMonth();
  } else {
    if (std::max(FAnchor, FCurrentEnd) < FStartDay)
      PrevMonth();
    else if (std::min(FAnchor, FCurrentEnd) > FEndDay)
      NextMonth();
  }
}

void TRBCalendar::CaptureLost() {
  StopArrows();
  if (FSelecting) EndGesture();
}

void TRBCalendar::RepeatTimerTick() {
  FRepeatTimer.start(200);
  if (FPrevHeld)
    PrevMonth();
  else if (FNextHeld)
    NextMonth();
}

void TRBCalendar::OpenPopup(int c, int r, QPoint globalPos) {
  FPopupBlock = r * FGeo.MonthsInWidth + c;
  int y = FYear, m = FMonth;
  AddMonths(y, m, FPopupBlock);
  FPopup->Open(dt::EncodeDate(y, m, 1), globalPos);
}

void TRBCalendar::PopupChosen(int itemIndex) {
  int y = 0, m = 0, d = 0;
  dt::DecodeDate(FPopup->CenterMonth(), y, m, d);
  AddMonths(y, m, itemIndex - FPopupBlock - FPopupListDays);
  if (y < 1 || y > 9999) return;  // a month the date range does not hold
  ShowMonthOf(dt::EncodeDate(y, m, 1));
}
