// The control's life, its properties and what it does when the model changes.
#include "timeview/RBTimeViewControl.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QMenu>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>
#include <cmath>

#include "core/Clock.h"
#include "core/DateFormat.h"
#include "timeview/RBTimeViewEditor.h"
#include "timeview/RBTimeViewHint.h"

namespace {
template <class T>
bool Store(T& field, const T& value) {
  if (field == value) return false;
  field = value;
  return true;
}
}  // namespace

TRBTimeView::TRBTimeView(QWidget* parent) : QWidget(parent) {
  setObjectName("TimeView");
  resize(100, 100);
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  items_ = std::make_unique<TRBTimeViewItems>(this);
  rulerFont_ = QFont(QStringLiteral("Arial"), 8);  // the toolkit's default size
  itemsAboveMark_ = DefaultItemsAboveMark();
  itemsBelowMark_ = DefaultItemsBelowMark();
  hintWindow_ = new TRBTimeViewHintWindow(this);
  scrollBar_ = new QScrollBar(Qt::Vertical, this);
  scrollBar_->setObjectName("VScrollBar");
  scrollBar_->setFocusPolicy(Qt::NoFocus);
  scrollBar_->setRange(0, 0);
  scrollBar_->hide();
  connect(scrollBar_, &QScrollBar::actionTriggered, this, [this](int action) { ScrollBarAction(action); });
  setMouseTracking(true);
  setAcceptDrops(true);
  autoScrollTimer_ = new QTimer(this);
  autoScrollTimer_->setInterval(50);
  connect(autoScrollTimer_, &QTimer::timeout, this, [this] { AutoScrollTick(); });
  clickTimer_ = new QTimer(this);
  clickTimer_->setInterval(500);
  clickTimer_->setSingleShot(true);
  connect(clickTimer_, &QTimer::timeout, this, [this] { ClickTimerTick(); });
  // Through the setter, so the resolutions follow the scale.
  SetRulerMarkMinutes(rmm30Minutes);
  date_ = dt::DateOf(Clock::Today());
  CreateDays(1);
  PlaceScrollBar();
  UpdateLayout();
  UpdateScrollBar();
}

TRBTimeView::~TRBTimeView() {
  OnEnter = nullptr;  // the host may be half gone: no focus news while dying
  OnExit = nullptr;
  EndEdit(true);
  // OnDeletion for each item while the control, Items() included, is still whole.
  delete items_.get();
  (void)items_.release();
  days_.clear();
}

// ------------------------------------------------------------ days

void TRBTimeView::CreateDays(int count) {
  days_.clear();
  for (int i = 0; i < count; ++i) days_.push_back(std::make_unique<TRBTimeviewDay>(this, date_ + i));
}

TRBTimeviewDay* TRBTimeView::Days(int index) const {
  if (index < 0 || index >= DaysCount()) throw ERBTimeViewError("Index out of range");
  return days_[static_cast<size_t>(index)].get();
}

int TRBTimeView::DayIndex(const TRBTimeviewDay* day) const {
  for (size_t i = 0; i < days_.size(); ++i)
    if (days_[i].get() == day) return static_cast<int>(i);
  return -1;
}

void TRBTimeView::SetDays(int count, TDate date) {
  count = std::clamp(count, 1, MaxTimeViewDays);
  if (date == date_ && count == DaysCount()) return;
  EndEdit(true);
  date_ = dt::DateOf(date);
  items_->BeginUpdate();
  CreateDays(count);
  items_->UpdateAllDays();
  items_->EndUpdate();
  ClearInteraction();
  UpdateLayout();
  if (OnNewDay)
    for (int i = 0; i < DaysCount(); ++i) OnNewDay(this, days_[static_cast<size_t>(i)].get());
}

TRBTimeviewDay* TRBTimeView::DayOfDate(TDate date) const {
  if (date < 0) throw ERBTimeViewError("Invalid date");
  for (const auto& day : days_)
    if (day->Date() <= date && date < day->Date() + 1) return day.get();
  return nullptr;
}

bool TRBTimeView::HasItemsOn(TDate date) const {
  for (int i = 0; i < items_->Count(); ++i) {
    const TRBTimeViewItem* item = items_->Items(i);
    if (!item->AllDay() && item->OverlapsDay(date)) return true;
  }
  return false;
}

// ------------------------------------------------------------ selections

void TRBTimeView::SetSelectedItem(TRBTimeViewItem* item) {
  if (Store(selectedItem_, item)) Invalidate();
}

void TRBTimeView::SetTimeSelectionStart(TDateTime v) {
  if (!Store(timeSelectionStart_, v)) return;
  if (OnSelectionChanged) OnSelectionChanged(this, timeSelectionStart_, timeSelectionEnd_);
  Invalidate();
}

void TRBTimeView::SetTimeSelectionEnd(TDateTime v) {
  if (!Store(timeSelectionEnd_, v)) return;
  if (OnSelectionChanged) OnSelectionChanged(this, timeSelectionStart_, timeSelectionEnd_);
  Invalidate();
}

void TRBTimeView::SetTimeSelection(TDateTime startTime, TDateTime endTime) {
  if (startTime == timeSelectionStart_ && endTime == timeSelectionEnd_) return;
  if (startTime < 0 || endTime < 0) startTime = endTime = -1;
  timeSelectionStart_ = startTime;
  timeSelectionEnd_ = endTime;
  if (OnSelectionChanged) OnSelectionChanged(this, timeSelectionStart_, timeSelectionEnd_);
  Invalidate();
}

void TRBTimeView::SetAllDaySelection(TDateTime startTime, TDateTime endTime) {
  if (startTime == allDaySelectionStart_ && endTime == allDaySelectionEnd_) return;
  if (startTime < 0 || endTime < 0) startTime = endTime = -1;
  allDaySelectionStart_ = startTime;
  allDaySelectionEnd_ = endTime;
  if (OnAllDaySelectionChanged) OnAllDaySelectionChanged(this, allDaySelectionStart_, allDaySelectionEnd_);
  Invalidate();
}

// ------------------------------------------------------------ repainting

void TRBTimeView::Invalidate() {
  if (items_ && items_->UpdateCount() > 0) return;
  update();
}

void TRBTimeView::ImmediateRepaint() {
  if (items_->UpdateCount() > 0) return;
  repaint();
}

void TRBTimeView::LinkInvalidateDay(TRBTimeviewDay* day) {
  if (items_->UpdateCount() > 0) return;
  const QPoint o = ClientOrigin();
  update(QRect(o.x() + day->Left(), o.y(), day->Width(), ClientHeight()));
}

void TRBTimeView::LinkWorkChanged(TRBTimeviewDay* day, bool beginWork) {
  const TRBTVDayChangedEvent& event = beginWork ? OnChangeBeginWork : OnChangeEndWork;
  if (event) event(this, day);
}

bool TRBTimeView::LinkShowsImage(bool reminderImage) const {
  return images_ && (reminderImage ? reminderImageIndex_ : privateImageIndex_) != -1;
}

// ------------------------------------------------------------ item lifecycle

void TRBTimeView::LinkItemDestroying(TRBTimeViewItem* item) {
  if (item == editingItem_ && !item->CreatedOnType()) EndEdit(true);
  if (item == selectedItem_) SetSelectedItem(nullptr);
  DoDeletion(item);
}

void TRBTimeView::LinkItemRemoved(TRBTimeViewItem* item) {
  ForgetItem(item);
  if (item == editingItem_) {
    // An item created by typing went while its edit was open: the editor
    // has nothing left to edit.
    editingItem_ = nullptr;
    EndEdit(false);
  }
  if (item == selectedItem_) selectedItem_ = nullptr;
}

void TRBTimeView::DoDeletion(TRBTimeViewItem* item) {
  if (OnDeletion) OnDeletion(this, item);
}

bool TRBTimeView::DoEditingItem(TRBTimeViewItem* item) {
  bool canEdit = true;
  if (OnEditingItem) OnEditingItem(this, item, canEdit);
  return canEdit;
}

// ------------------------------------------------------------ properties

void TRBTimeView::SetRulerFont(const QFont& v) {
  if (Store(rulerFont_, v)) Invalidate();
}

void TRBTimeView::SetImages(TRBImageList* v) {
  if (images_ == v) return;
  if (images_) disconnect(images_, nullptr, this, nullptr);
  images_ = v;
  if (v) {
    connect(v, &TRBImageList::Changed, this, [this] { Invalidate(); });
    connect(v, &QObject::destroyed, this, [this] { Invalidate(); });  // the QPointer clears itself
  }
  Invalidate();
}

void TRBTimeView::SetOptions(TRBTVOptions v) {
  if (Store(options_, v)) Invalidate();
}
void TRBTimeView::SetCustomDrawOptions(TRBTVCustomDrawOptions v) {
  if (Store(customDrawOptions_, v)) Invalidate();
}

void TRBTimeView::SetRulerMarkHeight(int v) {
  if (!Store(rulerMarkHeight_, v)) return;
  dayHeight_ = tvgeo::DayHeightFor(MarkMinutes(), rulerMarkHeight_);
  UpdateScrollBar();
  Invalidate();
}

void TRBTimeView::SetRulerMarkMinutes(TRBTVRulerMarkMinutes v) {
  if (!Store(rulerMarkMinutes_, v)) return;
  TimeScaleChanged();
}

// Blocks are placed through TimeToY at every paint, so a new scale needs only
// the scroll bar and a repaint, not a layout.
void TRBTimeView::TimeScaleChanged() {
  dayHeight_ = tvgeo::DayHeightFor(MarkMinutes(), rulerMarkHeight_);
  if (options_.Contains(tvoAutoTimeScaleAdjust)) {
    selectResolution_ = itemDragResolution_ = minItemLength_ = minWorkingHours_ = MarkMinutes();
  }
  UpdateScrollBar();
  Invalidate();
  if (OnTimeScaleChanged) OnTimeScaleChanged(this);
}

void TRBTimeView::SetDaysGapColor(TColor v) { if (Store(daysGapColor_, v)) Invalidate(); }
void TRBTimeView::SetDaysGapCoverColor(TColor v) { if (Store(daysGapCoverColor_, v)) Invalidate(); }
void TRBTimeView::SetTimeLinesColor(TColor v) { if (Store(timeLinesColor_, v)) Invalidate(); }
void TRBTimeView::SetRulerColor(TColor v) { if (Store(rulerColor_, v)) Invalidate(); }
void TRBTimeView::SetRulerMarksColor(TColor v) { if (Store(rulerMarksColor_, v)) Invalidate(); }
void TRBTimeView::SetItemSelectionColor(TColor v) { if (Store(itemSelectionColor_, v)) Invalidate(); }
void TRBTimeView::SetTimeSelectionColor(TColor v) { if (Store(timeSelectionColor_, v)) Invalidate(); }
void TRBTimeView::SetAllDaySelectionColor(TColor v) { if (Store(allDaySelectionColor_, v)) Invalidate(); }
void TRBTimeView::SetWorkingHoursColor(TColor v) { if (Store(workingHoursColor_, v)) Invalidate(); }
void TRBTimeView::SetTopSpaceColor(TColor v) { if (Store(topSpaceColor_, v)) Invalidate(); }
void TRBTimeView::SetAllDayItemSelectionColor(TColor v) { if (Store(allDayItemSelectionColor_, v)) Invalidate(); }
void TRBTimeView::SetColor(TColor v) { if (Store(color_, v)) Invalidate(); }
void TRBTimeView::SetShowTimeLines(bool v) { if (Store(showTimeLines_, v)) Invalidate(); }
void TRBTimeView::SetPrivateImageIndex(int v) { if (Store(privateImageIndex_, v)) Invalidate(); }
void TRBTimeView::SetReminderImageIndex(int v) { if (Store(reminderImageIndex_, v)) Invalidate(); }
void TRBTimeView::SetLongCaptionFormat(const QString& v) { if (Store(longCaptionFormat_, v)) Invalidate(); }
void TRBTimeView::SetMediumCaptionFormat(const QString& v) { if (Store(mediumCaptionFormat_, v)) Invalidate(); }
void TRBTimeView::SetShortCaptionFormat(const QString& v) { if (Store(shortCaptionFormat_, v)) Invalidate(); }
void TRBTimeView::SetRulerTimeFormat(TRBTVTimeFormat v) { if (Store(rulerTimeFormat_, v)) Invalidate(); }

void TRBTimeView::SetItemsAboveMark(const QImage& v) {
  itemsAboveMark_ = v;
  Invalidate();
}

void TRBTimeView::SetItemsBelowMark(const QImage& v) {
  itemsBelowMark_ = v;
  Invalidate();
}

void TRBTimeView::SetDaysGapWidth(int v) {
  if (!Store(daysGapWidth_, v)) return;
  UpdateLayout();
  Invalidate();
}

void TRBTimeView::SetCaptionHeight(int v) {
  if (!Store(captionHeight_, v)) return;
  UpdateLayout();
  UpdateScrollBar();
  Invalidate();
}

void TRBTimeView::SetShowRuler(bool v) {
  if (!Store(showRuler_, v)) return;
  UpdateLayout();
  ImmediateRepaint();
}

void TRBTimeView::SetRulerWidth(int v) {
  if (!Store(rulerWidth_, v)) return;
  UpdateLayout();
  ImmediateRepaint();
}

void TRBTimeView::SetShowTopSpace(bool v) {
  if (!Store(showTopSpace_, v)) return;
  UpdateLayout();
  UpdateScrollBar();
  Invalidate();
}

void TRBTimeView::SetBorderStyle(TBorderStyle v) {
  if (!Store(borderStyle_, v)) return;
  PlaceScrollBar();
  UpdateScrollBar();
  UpdateLayout();
  Invalidate();
}

// ------------------------------------------------------------ texts

QString TRBTimeView::CaptionText(TDate date, int width) const {
  const QFontMetrics fm(font());
  QString text = FormatDateTime(longCaptionFormat_, date);
  if (fm.horizontalAdvance(text) > width) {
    text = FormatDateTime(mediumCaptionFormat_, date);
    if (fm.horizontalAdvance(text) > width) text = FormatDateTime(shortCaptionFormat_, date);
  }
  return text;
}

// The locale reads 24 hours unless its time format carries an AM/PM designator.
bool TRBTimeView::Ruler24Hours() const {
  if (rulerTimeFormat_ == tf24Hours) return true;
  const QString format = QLocale().timeFormat(QLocale::ShortFormat);
  return !format.contains(QLatin1Char('a'), Qt::CaseInsensitive);
}

// ------------------------------------------------------------ window events

void TRBTimeView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  PlaceScrollBar();
  UpdateScrollBar();
  UpdateLayout();
  if (OnResize) OnResize(this);
}

// The host scrolls with the wheel; the control only reports it.
void TRBTimeView::wheelEvent(QWheelEvent* event) {
  bool handled = false;
  const QPoint pos = event->position().toPoint() - ClientOrigin();
  const int delta = event->angleDelta().y();
  if (OnMouseWheel) OnMouseWheel(this, event->modifiers(), delta, pos, handled);
  if (!handled && delta < 0 && OnMouseWheelDown) OnMouseWheelDown(this, event->modifiers(), pos, handled);
  if (!handled && delta > 0 && OnMouseWheelUp) OnMouseWheelUp(this, event->modifiers(), pos, handled);
  event->accept();
}

void TRBTimeView::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && operation_ != opNone) {
    CancelOperation();
    event->accept();
    return;
  }
  int key = event->key();
  if (OnKeyDown) OnKeyDown(this, key, event->modifiers());
  if (key == 0) return;
  const QString text = event->text();
  if (!text.isEmpty() && (text[0].isPrint() || text[0] == QChar(8) || text[0] == QChar(27) || text[0] == QChar(13))) {
    QChar ch = text[0];
    if (OnKeyPress) OnKeyPress(this, ch);
    if (!ch.isNull()) TypeToCreate(ch);
  }
  event->accept();
}

void TRBTimeView::contextMenuEvent(QContextMenuEvent* event) {
  CancelOperation();  // the menu would take the release that ends it
  if (!popupMenu_ || MoveDragRunning()) {
    event->ignore();
    return;
  }
  popupMenu_->popup(event->globalPos());
  event->accept();
}

// ------------------------------------------------------------ focus

// The view and its in-place editor are one control to the window: the focus
// passing between them is no enter or exit. Switching to another window or
// opening a popup menu leaves the view the window's focused control.
void TRBTimeView::focusInEvent(QFocusEvent* event) {
  QWidget::focusInEvent(event);
  FocusArrived();
}

void TRBTimeView::focusOutEvent(QFocusEvent* event) {
  QWidget::focusOutEvent(event);
  // Without the focus the release may never come here.
  if (!(editor_ && QApplication::focusWidget() == editor_)) CancelOperation();
  FocusLeft(event->reason());
}

bool TRBTimeView::eventFilter(QObject* watched, QEvent* event) {
  if (editor_ && watched == editor_) {
    if (event->type() == QEvent::FocusIn) FocusArrived();
    else if (event->type() == QEvent::FocusOut) FocusLeft(static_cast<QFocusEvent*>(event)->reason());
  }
  return QWidget::eventFilter(watched, event);
}

void TRBTimeView::FocusArrived() {
  if (entered_) return;
  entered_ = true;
  if (OnEnter) OnEnter(this);
}

void TRBTimeView::FocusLeft(Qt::FocusReason reason) {
  if (!entered_ || reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) return;
  QWidget* next = QApplication::focusWidget();
  if (next == this || (editor_ && next == editor_)) return;
  entered_ = false;
  if (OnExit) OnExit(this);
}

void TRBTimeView::keyReleaseEvent(QKeyEvent* event) {
  int key = event->key();
  if (OnKeyUp) OnKeyUp(this, key, event->modifiers());
  event->accept();
}
