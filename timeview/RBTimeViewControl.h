#pragma once
// TRBTimeView: 1 to 31 consecutive days side by side under a time ruler, with
// items drawn as blocks placed by their start and end times. The control knows
// nothing of what the items stand for: its host fills Items, listens to the
// events and stores what changes.
//
// Coordinates given to and returned by the control are client coordinates:
// the widget less its border (2 pixels with bsSingle) and its vertical scroll
// bar, which shows only while the 24 hours do not fit.

#include <QCursor>
#include <QFont>
#include <QImage>
#include <QMenu>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "core/Colors.h"
#include "core/DateTime.h"
#include "timeview/RBImageList.h"
#include "timeview/RBTimeViewGeometry.h"
#include "timeview/RBTimeViewModel.h"
#include "timeview/RBTimeViewTypes.h"

class QDrag;
class QDragEnterEvent;
class QDragLeaveEvent;
class QDragMoveEvent;
class QDropEvent;
class QMouseEvent;
class QPainter;
class QScrollBar;
class QTimer;
class QTextEdit;
class TRBTimeViewHintWindow;
class TRBTVEditor;

class TRBTimeView;
using TNotifyEvent = std::function<void(TRBTimeView* Sender)>;
using TRBTVDayChangedEvent = std::function<void(TRBTimeView* Sender, TRBTimeviewDay* Day)>;
using TRBTVDayDragEvent = std::function<void(TRBTimeView* Sender, TRBTimeviewDay* Day, TRBTVDragMode Mode)>;
using TRBTVSelectionChangedEvent = std::function<void(TRBTimeView* Sender, TDateTime StartTime, TDateTime EndTime)>;
using TRBTVItemDragEvent = std::function<void(TRBTimeView* Sender, TRBTimeViewItem* Item, TRBTVDragMode Mode)>;
using TRBTVItemChangedEvent = std::function<void(TRBTimeView* Sender, TRBTimeViewItem* Item)>;
using TRBTVItemNotifyEvent = std::function<void(TRBTimeView* Sender, TRBTimeViewItem* Item)>;
using TRBTVSelectionHintEvent =
    std::function<void(TRBTimeView* Sender, TDateTime StartTime, TDateTime EndTime, QString& Hint, int& HintWidth)>;
using TRBTVItemDragHintEvent = std::function<void(TRBTimeView* Sender, TRBTimeViewItem* Item, TDateTime StartTime,
                                                  TDateTime EndTime, QString& Hint, int& HintWidth)>;
using TRBTVWorkingHoursDragHintEvent = std::function<void(TRBTimeView* Sender, TTime StartWork, TTime EndWork,
                                                          TRBTimeviewDay* Day, QString& Hint, int& HintWidth)>;
using TRBTVDrawCaptionEvent = std::function<void(TRBTimeView* Sender, QPainter* Canvas, TRect Rect, TRBTimeviewDay* Day)>;
using TRBTVDrawItemEvent = std::function<void(TRBTimeView* Sender, QPainter* Canvas, TRBTimeViewItem* Item, TRect Rect)>;
using TRBTVDrawRulerEvent = std::function<void(TRBTimeView* Sender, QPainter* Canvas, TRect Rect, int YOffset)>;
using TRBTVDrawDayEvent =
    std::function<void(TRBTimeView* Sender, QPainter* Canvas, TRBTimeviewDay* Day, TRect Rect, int YOffset)>;
using TRBTVDrawTopSpaceEvent = std::function<void(TRBTimeView* Sender, QPainter* Canvas, TRBTimeviewDay* Day, TRect Rect)>;
using TRBTVEditingItemEvent = std::function<void(TRBTimeView* Sender, TRBTimeViewItem* Item, bool& CanEdit)>;
using TRBTVEditedItemEvent = std::function<void(TRBTimeView* Sender, TRBTimeViewItem* Item, QString& NewText)>;
using TRBTVCreateOnTypeEvent = std::function<void(TRBTimeView* Sender, TDateTime StartTime, TDateTime EndTime,
                                                  bool AllDayItem, bool& AllowCreation)>;
using TRBTVGetEditRectEvent =
    std::function<void(TRBTimeView* Sender, TRBTimeviewDay* Day, TRBTimeViewItem* Item, TRect& EditRect)>;
using TRBTVItemToAllDayEvent = std::function<void(TRBTimeView* Sender, TRBTimeViewItem* Item, bool& CanDrag)>;
// The window's own keyboard and wheel events.
using TKeyEvent = std::function<void(TRBTimeView* Sender, int& Key, Qt::KeyboardModifiers Shift)>;
using TKeyPressEvent = std::function<void(TRBTimeView* Sender, QChar& Key)>;
using TMouseWheelEvent =
    std::function<void(TRBTimeView* Sender, Qt::KeyboardModifiers Shift, int WheelDelta, QPoint MousePos, bool& Handled)>;
using TMouseEvent =
    std::function<void(TRBTimeView* Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TRBTimeView* Sender, Qt::KeyboardModifiers Shift, int X, int Y)>;
using TMouseWheelUpDownEvent =
    std::function<void(TRBTimeView* Sender, Qt::KeyboardModifiers Shift, QPoint MousePos, bool& Handled)>;
// Drag and drop within the application. Source is the widget the drag began in
// (for a moved item, the time view it left); X, Y are client coordinates.
using TDragOverEvent =
    std::function<void(TRBTimeView* Sender, QObject* Source, int X, int Y, TDragState State, bool& Accept)>;
using TDragDropEvent = std::function<void(TRBTimeView* Sender, QObject* Source, int X, int Y)>;
// Target is the widget the item was dropped on, nullptr when the drag was
// cancelled or refused; X, Y are the drop point in Target's client coordinates.
using TEndDragEvent = std::function<void(TRBTimeView* Sender, QObject* Target, int X, int Y)>;

// The drag object of a move: the item travelling and the view it left. Only
// one move drag runs at a time in the application.
struct TRBTimeViewItemDragObject {
  TRBTimeViewItem* Item = nullptr;
  TRBTimeView* Source = nullptr;
  QObject* Target = nullptr;  // the time view it was dropped on
  QPoint DropPoint;           // in the target's client coordinates
};

class TRBTimeView : public QWidget, public TRBTimeViewLink {
 public:
  explicit TRBTimeView(QWidget* parent = nullptr);
  // Items first (OnDeletion for each), then the days and the rest.
  ~TRBTimeView() override;

  // ---- model
  TRBTimeViewItems* Items() const { return items_.get(); }
  // Throws ERBTimeViewError("Index out of range") outside 0..DaysCount-1.
  TRBTimeviewDay* Days(int index) const;
  void SetDays(int count, TDate date);
  // Throws ERBTimeViewError("Invalid date") for a negative date.
  TRBTimeviewDay* DayOfDate(TDate date) const;
  // Any timed item, shown or not, overlapping that day.
  bool HasItemsOn(TDate date) const;
  TRBTimeViewItem* SelectedItem() const { return selectedItem_; }
  void SetSelectedItem(TRBTimeViewItem* item);
  TDateTime TimeSelectionStart() const { return timeSelectionStart_; }
  void SetTimeSelectionStart(TDateTime v);
  TDateTime TimeSelectionEnd() const { return timeSelectionEnd_; }
  void SetTimeSelectionEnd(TDateTime v);
  void SetTimeSelection(TDateTime startTime, TDateTime endTime);
  TDateTime AllDaySelectionStart() const { return allDaySelectionStart_; }
  TDateTime AllDaySelectionEnd() const { return allDaySelectionEnd_; }
  void SetAllDaySelection(TDateTime startTime, TDateTime endTime);
  void Invalidate();  // repaint, except while the items are in a batch

  // ---- geometry (client coordinates)
  int ClientWidth() const;
  int ClientHeight() const;
  QPoint ClientOrigin() const;  // where client (0, 0) lies in the widget
  int DayHeight() const { return dayHeight_; }
  int TopSpaceHeight() const { return topSpaceHeight_; }
  int MarkMinutes() const { return MarkMinutesOf(rulerMarkMinutes_); }
  int ScrollOffset() const { return scrollOffset_; }  // the drawn offset S
  TVMetrics Metrics() const;
  int TimeToY(int resolution, TTime time) const;
  TTime YToTime(int y, int resolution, bool roundToNearest) const;
  TRBTimeviewDay* DayAtX(int x) const;
  TRect ItemRect(const TRBTimeviewDay* day, const TRBTimeViewItem* item) const;
  TRBTimeViewItem* ItemAt(const TRBTimeviewDay* day, int x, int y) const;
  void UpdateLayout();
  void UpdateScrollBar();
  void ScrollToTime(TTime time);
  void MakeItemVisible(TRBTimeViewItem* item, TRBTimeviewDay* day);

  // ---- painting: draws the whole client area, reading the model only
  void Paint(QPainter& canvas);

  // ---- in-place editing and its overridable hooks
  virtual bool EditItem(TRBTimeViewItem* item, TRBTimeviewDay* day);
  virtual void EndEdit(bool accept);
  virtual void DoDeletion(TRBTimeViewItem* item);
  virtual bool DoEditingItem(TRBTimeViewItem* item);
  TRBTimeViewItem* EditingItem() const { return editingItem_; }
  QTextEdit* Editor() const;
  TRBTimeViewHintWindow* HintWindow() const { return hintWindow_; }

  // ---- interaction (client coordinates)
  enum TZone { zNone, zBeginWork, zEndWork, zItemStart, zItemEnd, zItemBody, zTopSpace, zTimeArea };
  enum TOperation { opNone, opBeginWork, opEndWork, opItemStart, opItemEnd, opItemPress, opTimeSelection, opAllDaySelection };
  TZone Zone() const { return zone_; }
  TOperation Operation() const { return operation_; }
  // Ends the running operation as if it had never started: a dragged edge,
  // item or working-hours line goes back to where it was and the host gets
  // no dmEnd. A second button, the popup menu, Esc and the loss of the focus
  // do it. A move drag is the toolkit's, and cancelled by it.
  void CancelOperation();
  TRBTimeViewItem* HotItem() const { return hotItem_; }
  bool AutoScrolling() const;
  // The hint next to a client point: Hint word-wrapped within HintWidth.
  void ShowHintAt(int x, int y, const QString& hint, int hintWidth);
  void HideHint();
  // Runs a move drag: by default QDrag::exec. Tests put the drag-over events
  // they want delivered here and return the drop action.
  static std::function<Qt::DropAction(QDrag*)> DragExecHook;
  // The MIME type of a moved item: only time views of this process read it.
  static const char* const ItemMimeType;
  // The move drag running in the application, nullptr when none.
  static const TRBTimeViewItemDragObject* ItemDragObject();

  // ---- published properties
  const QFont& RulerFont() const { return rulerFont_; }
  void SetRulerFont(const QFont& v);
  TRBImageList* Images() const { return images_; }
  void SetImages(TRBImageList* v);
  int VScrollPosition() const;
  void SetVScrollPosition(int v);
  TRBTVOptions Options() const { return options_; }
  void SetOptions(TRBTVOptions v);
  TRBTVHintsOptions HintsOptions() const { return hintsOptions_; }
  void SetHintsOptions(TRBTVHintsOptions v) { hintsOptions_ = v; }
  TRBTVCustomDrawOptions CustomDrawOptions() const { return customDrawOptions_; }
  void SetCustomDrawOptions(TRBTVCustomDrawOptions v);
  bool CustomEditing() const { return customEditing_; }
  void SetCustomEditing(bool v) { customEditing_ = v; }
  TRBTVDragOptions DragOptions() const { return dragOptions_; }
  void SetDragOptions(TRBTVDragOptions v) { dragOptions_ = v; }
  int RulerMarkHeight() const { return rulerMarkHeight_; }
  void SetRulerMarkHeight(int v);
  TColor DaysGapColor() const { return daysGapColor_; }
  void SetDaysGapColor(TColor v);
  TColor DaysGapCoverColor() const { return daysGapCoverColor_; }
  void SetDaysGapCoverColor(TColor v);
  int DaysGapWidth() const { return daysGapWidth_; }
  void SetDaysGapWidth(int v);
  TColor TimeLinesColor() const { return timeLinesColor_; }
  void SetTimeLinesColor(TColor v);
  int CaptionHeight() const { return captionHeight_; }
  void SetCaptionHeight(int v);
  int DaysCount() const { return static_cast<int>(days_.size()); }
  void SetDaysCount(int v) { SetDays(v, date_); }
  bool ShowRuler() const { return showRuler_; }
  void SetShowRuler(bool v);
  bool ShowTopSpace() const { return showTopSpace_; }
  void SetShowTopSpace(bool v);
  bool ShowTimeLines() const { return showTimeLines_; }
  void SetShowTimeLines(bool v);
  int RulerWidth() const { return rulerWidth_; }
  void SetRulerWidth(int v);
  TColor RulerColor() const { return rulerColor_; }
  void SetRulerColor(TColor v);
  TColor RulerMarksColor() const { return rulerMarksColor_; }
  void SetRulerMarksColor(TColor v);
  TRBTVRulerMarkMinutes RulerMarkMinutes() const { return rulerMarkMinutes_; }
  void SetRulerMarkMinutes(TRBTVRulerMarkMinutes v);
  TDate Date() const { return date_; }
  void SetDate(TDate v) { SetDays(DaysCount(), v); }
  int SelectResolution() const { return selectResolution_; }
  void SetSelectResolution(int v) { selectResolution_ = v <= 0 ? 1 : v; }
  int ItemDragResolution() const { return itemDragResolution_; }
  void SetItemDragResolution(int v) { itemDragResolution_ = v <= 0 ? 1 : std::min(v, 60); }
  TColor ItemSelectionColor() const { return itemSelectionColor_; }
  void SetItemSelectionColor(TColor v);
  TColor TimeSelectionColor() const { return timeSelectionColor_; }
  void SetTimeSelectionColor(TColor v);
  TColor AllDaySelectionColor() const { return allDaySelectionColor_; }
  void SetAllDaySelectionColor(TColor v);
  TColor WorkingHoursColor() const { return workingHoursColor_; }
  void SetWorkingHoursColor(TColor v);
  int ItemsSnap() const { return itemsSnap_; }
  void SetItemsSnap(int v) { itemsSnap_ = v <= 0 ? 1 : v; }
  int MinItemLength() const { return minItemLength_; }
  void SetMinItemLength(int v) { minItemLength_ = v < 5 ? 5 : v; }
  int MinWorkingHours() const { return minWorkingHours_; }
  void SetMinWorkingHours(int v) { minWorkingHours_ = v < 5 ? 5 : v; }
  const QImage& ItemsAboveMark() const { return itemsAboveMark_; }
  void SetItemsAboveMark(const QImage& v);
  const QImage& ItemsBelowMark() const { return itemsBelowMark_; }
  void SetItemsBelowMark(const QImage& v);
  TColor TopSpaceColor() const { return topSpaceColor_; }
  void SetTopSpaceColor(TColor v);
  int PrivateImageIndex() const { return privateImageIndex_; }
  void SetPrivateImageIndex(int v);
  int ReminderImageIndex() const { return reminderImageIndex_; }
  void SetReminderImageIndex(int v);
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle v);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool v) { readOnly_ = v; }
  bool ClickToEdit() const { return clickToEdit_; }
  void SetClickToEdit(bool v) { clickToEdit_ = v; }
  bool ItemClickOnDrag() const { return itemClickOnDrag_; }
  void SetItemClickOnDrag(bool v) { itemClickOnDrag_ = v; }
  bool SmoothScroll() const { return smoothScroll_; }
  void SetSmoothScroll(bool v) { smoothScroll_ = v; }
  bool CreateOnType() const { return createOnType_; }
  void SetCreateOnType(bool v) { createOnType_ = v; }
  TColor AllDayItemSelectionColor() const { return allDayItemSelectionColor_; }
  void SetAllDayItemSelectionColor(TColor v);
  const QString& LongCaptionFormat() const { return longCaptionFormat_; }
  void SetLongCaptionFormat(const QString& v);
  const QString& MediumCaptionFormat() const { return mediumCaptionFormat_; }
  void SetMediumCaptionFormat(const QString& v);
  const QString& ShortCaptionFormat() const { return shortCaptionFormat_; }
  void SetShortCaptionFormat(const QString& v);
  TRBTVTimeFormat RulerTimeFormat() const { return rulerTimeFormat_; }
  void SetRulerTimeFormat(TRBTVTimeFormat v);
  TColor Color() const { return color_; }  // background where nothing else is drawn
  void SetColor(TColor v);
  // The cursor while an item is being moved. The platform's drag takes its
  // cursors as pictures: a cursor made from a pixmap is shown as it is; a
  // standard shape leaves the platform's own move cursor, which is what the
  // initial Qt::DragMoveCursor asks for.
  const QCursor& DragCursor() const { return dragCursor_; }
  void SetDragCursor(const QCursor& v) { dragCursor_ = v; }
  // Whether the Tab key stops at the view; a click gives it the focus either way.
  bool TabStop() const { return (focusPolicy() & Qt::TabFocus) != 0; }
  void SetTabStop(bool v) { setFocusPolicy(v ? Qt::StrongFocus : Qt::ClickFocus); }
  // Shown where the user asks for a context menu over the view (right
  // button, menu key); without one the request goes to the parent.
  QMenu* PopupMenu() const { return popupMenu_; }
  void SetPopupMenu(QMenu* v) { popupMenu_ = v; }
  bool RightToLeft() const { return layoutDirection() == Qt::RightToLeft; }

  // The caption text of a day in a width: the long format, else the medium,
  // else the short one (not measured).
  QString CaptionText(TDate date, int width) const;
  // Whether the ruler reads 24 hours (tf24Hours, or the locale's choice).
  bool Ruler24Hours() const;

  // ---- events
  TRBTVDayChangedEvent OnChangeBeginWork;
  TRBTVDayChangedEvent OnChangeEndWork;
  TRBTVDayDragEvent OnDragBeginWork;
  TRBTVDayDragEvent OnDragEndWork;
  TRBTVSelectionChangedEvent OnSelectionChanged;
  TRBTVSelectionChangedEvent OnAllDaySelectionChanged;
  TRBTVDayChangedEvent OnNewDay;
  TRBTVItemDragEvent OnDragItemStart;
  TRBTVItemDragEvent OnDragItemEnd;
  TRBTVItemDragEvent OnDragItem;
  TRBTVItemChangedEvent OnItemClick;
  TRBTVItemChangedEvent OnItemDblClick;
  TRBTVItemNotifyEvent OnDeletion;
  TRBTVSelectionHintEvent OnSelectionHint;
  TRBTVSelectionHintEvent OnAllDaySelectionHint;
  TRBTVItemDragHintEvent OnItemStartDragHint;
  TRBTVItemDragHintEvent OnItemEndDragHint;
  TRBTVItemDragHintEvent OnItemDragHint;
  TRBTVWorkingHoursDragHintEvent OnBeginWorkDragHint;
  TRBTVWorkingHoursDragHintEvent OnEndWorkDragHint;
  TRBTVDrawCaptionEvent OnDrawCaption;
  TRBTVDrawItemEvent OnDrawItem;
  TRBTVDrawRulerEvent OnDrawRuler;
  TRBTVDrawDayEvent OnDrawDay;
  TRBTVDrawTopSpaceEvent OnDrawTopSpace;
  TNotifyEvent OnTimeScaleChanged;
  TRBTVEditingItemEvent OnEditingItem;
  TRBTVEditedItemEvent OnEditedItem;
  TRBTVCreateOnTypeEvent OnCreateOnType;
  TRBTVItemNotifyEvent OnCreatedOnType;
  TRBTVGetEditRectEvent OnGetEditRect;
  TRBTVItemToAllDayEvent OnDragItemToAllDay;
  TRBTVItemToAllDayEvent OnDragItemFromAllDay;
  // The window's own events.
  TNotifyEvent OnClick;       // left button pressed and released inside the client area
  TNotifyEvent OnEnter;       // the view (or its in-place editor) became the focused control
  TNotifyEvent OnExit;        // the focus went to a control outside the view and its editor
  TDragOverEvent OnDragOver;  // fired first by each drag-over of an in-application drag
  TDragDropEvent OnDragDrop;  // fired first by a drop
  TNotifyEvent OnStartDrag;   // a move drag of an item begins here
  TEndDragEvent OnEndDrag;    // the move drag begun here is over
  TNotifyEvent OnDblClick;  // a double click anywhere but on an item's body
  TKeyEvent OnKeyDown;
  TKeyEvent OnKeyUp;
  TKeyPressEvent OnKeyPress;  // also the keys typed in the in-place editor
  TMouseWheelEvent OnMouseWheel;
  TMouseWheelUpDownEvent OnMouseWheelDown;
  TMouseWheelUpDownEvent OnMouseWheelUp;
  TNotifyEvent OnResize;
  // Fired first by the control's own handling of each pointer event (client coordinates).
  TMouseEvent OnMouseDown;
  TMouseMoveEvent OnMouseMove;
  TMouseEvent OnMouseUp;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dragLeaveEvent(QDragLeaveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

  // TRBTimeViewLink
  TRBTimeView* LinkView() override { return this; }
  int LinkDayCount() const override { return DaysCount(); }
  TRBTimeviewDay* LinkDay(int index) const override { return days_[static_cast<size_t>(index)].get(); }
  void LinkLayout() override { UpdateLayout(); }
  void LinkInvalidate() override { Invalidate(); }
  void LinkInvalidateDay(TRBTimeviewDay* day) override;
  void LinkWorkChanged(TRBTimeviewDay* day, bool beginWork) override;
  void LinkItemTextChanged(TRBTimeViewItem* item) override;
  void LinkItemColorChanged(TRBTimeViewItem* item) override;
  void LinkItemDestroying(TRBTimeViewItem* item) override;
  void LinkItemRemoved(TRBTimeViewItem* item) override;
  bool LinkIsSelected(const TRBTimeViewItem* item) const override { return item == selectedItem_; }
  bool LinkShowsImage(bool reminderImage) const override;

 private:
  void CreateDays(int count);
  void PlaceScrollBar();
  void ScrollBarAction(int action);
  void TimeScaleChanged();
  void ImmediateRepaint();
  int DayIndex(const TRBTimeviewDay* day) const;

  // interaction steps
  void FindZone(int x, int y);
  void StartOperation(int x, int y);
  void StepOperation(int x, int y);
  void StepWork(int x, int y, bool begin);
  void StepItemEdge(int x, int y, bool start);
  void StepMove(int x, int y);
  void StepTimeSelection(int x, int y);
  void StepAllDaySelection(int x, int y);
  void EndOperation();
  bool AutoScrollCheck(int y);
  void AutoScrollTick();
  void ClickTimerTick();
  void StartMoveDrag();
  void MoveDragEnter(TRBTimeViewItem* item, TRBTimeView* source, int x, int y);
  void MoveDragLeave(bool inside);
  void MoveDragDrop();
  void ClearInteraction();
  void ForgetItem(TRBTimeViewItem* item);
  static bool MoveDragRunning();
  static void ForgetDraggedItem(TRBTimeViewItem* item);
  TRBTimeviewDay* CurrentHotDay(int x);
  bool TypeToCreate(QChar ch);
  void FocusArrived();
  void FocusLeft(Qt::FocusReason reason);
  bool DragFromThisApplication(const QDropEvent* event) const;
  QObject* DragSourceOf(const QDropEvent* event) const;
  bool OfferDrag(QDropEvent* event, TDragState state, QPoint& p);
  void DragLeaves();

  // painting parts
  void PaintRuler(QPainter& p, const TVMetrics& m);
  void PaintItemMarks(QPainter& p, const TVMetrics& m);
  void PaintDay(QPainter& p, const TVMetrics& m, int dayIndex);
  void PaintItem(QPainter& p, const TVMetrics& m, int dayIndex, TRBTimeViewItem* item);
  void PaintCaption(QPainter& p, const TVMetrics& m, TRBTimeviewDay* day);

  std::unique_ptr<TRBTimeViewItems> items_;
  std::vector<std::unique_ptr<TRBTimeviewDay>> days_;
  TRBTimeViewItem* selectedItem_ = nullptr;
  TDateTime timeSelectionStart_ = -1;
  TDateTime timeSelectionEnd_ = -1;
  TDateTime allDaySelectionStart_ = -1;
  TDateTime allDaySelectionEnd_ = -1;
  int dayHeight_ = 960;
  int topSpaceHeight_ = 0;
  int scrollOffset_ = 0;
  QScrollBar* scrollBar_ = nullptr;
  TRBTimeViewHintWindow* hintWindow_ = nullptr;

  // interaction state
  TZone zone_ = zNone;
  TOperation operation_ = opNone;
  bool moveDrag_ = false;
  TRBTimeViewItem* hotItem_ = nullptr;
  TRBTimeviewDay* hotDay_ = nullptr;
  TRBTimeviewDay* workDay_ = nullptr;
  TRBTimeviewDay* pressDay_ = nullptr;
  QPoint pressPoint_;
  QPoint lastPoint_;
  bool editPending_ = false;
  TDateTime anchor_ = 0;
  double grabOffset_ = 0;
  TDateTime startBeforeDrag_ = 0;
  // What an edge or working-hours drag started from, put back by a cancel.
  TDateTime startBeforeEdge_ = 0, endBeforeEdge_ = 0;
  bool allDayBeforeEdge_ = false;
  bool firstEnter_ = true;
  bool clicked_ = false;              // a left press here waits for its release (OnClick)
  bool dragOverHere_ = false;         // an in-application drag is over the view
  QPointer<QObject> dragOverSource_;  // and began in this widget
  bool entered_ = false;              // the view or its editor is the focused control (OnEnter/OnExit)
  bool draggingCopy_ = false;
  int autoScrollDirection_ = 0;  // +1 down, -1 up
  QTimer* autoScrollTimer_ = nullptr;
  QTimer* clickTimer_ = nullptr;

  // in-place editing
  TRBTimeViewItem* editingItem_ = nullptr;
  TRBTVEditor* editor_ = nullptr;
  bool editing_ = false;

  QFont rulerFont_;
  QPointer<TRBImageList> images_;
  TRBTVOptions options_{tvoTimeSelection, tvoMutipleDaySelection, tvoItemsSelection, tvoShowDaysGapCover,
                        tvoAutoTimeScaleAdjust, tvoItemsBelowMark, tvoItemsAboveMark};
  TRBTVHintsOptions hintsOptions_;
  TRBTVCustomDrawOptions customDrawOptions_;
  bool customEditing_ = false;
  TRBTVDragOptions dragOptions_{doBeginWork, doEndWork, doItemStart, doItemStartToOtherDay,
                                doItemEnd, doItemEndToOtherDay, doItem, doItemToOtherDay};
  int rulerMarkHeight_ = 20;
  TColor daysGapColor_ = clWhite;
  TColor daysGapCoverColor_ = clBlue;
  int daysGapWidth_ = 6;
  TColor timeLinesColor_ = clBtnShadow;
  int captionHeight_ = 22;
  bool showRuler_ = true;
  bool showTopSpace_ = true;
  bool showTimeLines_ = true;
  int rulerWidth_ = 50;
  TColor rulerColor_ = clBtnFace;
  TColor rulerMarksColor_ = clBtnShadow;
  TRBTVRulerMarkMinutes rulerMarkMinutes_ = rmm60Minutes;  // set to rmm30Minutes through its setter
  TDate date_ = 0;
  int selectResolution_ = 30;
  int itemDragResolution_ = 30;
  TColor itemSelectionColor_ = clBlue;
  TColor timeSelectionColor_ = clHighlight;
  TColor allDaySelectionColor_ = clWindow;
  TColor workingHoursColor_ = clWindow;
  int itemsSnap_ = 15;
  int minItemLength_ = 30;
  int minWorkingHours_ = 30;
  QImage itemsAboveMark_;
  QImage itemsBelowMark_;
  TColor topSpaceColor_ = clBtnShadow;
  int privateImageIndex_ = -1;
  int reminderImageIndex_ = -1;
  TBorderStyle borderStyle_ = bsSingle;
  bool readOnly_ = false;
  bool clickToEdit_ = true;
  bool itemClickOnDrag_ = false;
  bool smoothScroll_ = true;
  bool createOnType_ = true;
  TColor allDayItemSelectionColor_ = clWindow;
  QString longCaptionFormat_ = QStringLiteral("dddd d mmmm yyyy");
  QString mediumCaptionFormat_ = QStringLiteral("ddd d mmm yy");
  QString shortCaptionFormat_ = QStringLiteral("dd/mm/yy");
  TRBTVTimeFormat rulerTimeFormat_ = tfLocaleDefault;
  TColor color_ = clWindow;
  QCursor dragCursor_{Qt::DragMoveCursor};
  QPointer<QMenu> popupMenu_;
};

// The two 20 x 8 default marks: a black frame round a yellow field with a
// black triangle at the left (pointing up or down) and three 2 x 2 squares.
QImage DefaultItemsAboveMark();
QImage DefaultItemsBelowMark();
