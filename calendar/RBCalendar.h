#pragma once
// TRBCalendar: a self-drawn grid of consecutive months (up to 10 x 10) with
// arrow buttons, a month popup list on the captions, and day selection with
// the mouse — one contiguous range, or a free set of days in MultiSelect
// mode. It knows nothing of what the days hold: the owner marks days through
// OnMark, may draw the cells itself through OnCellDraw, and hears of the
// user's actions through OnSelectionChange and OnDatesChanged.
//
// The control is split by job: RBCalendarMonths (the month blocks),
// RBCalendarSelection (selection state), RBCalendarGeometry (sizes and hit
// tests), RBCalendarPaint.cpp (painting), RBCalendarMouse.cpp (the mouse) and
// RBCalendarPopup (the month popup list). This file holds the properties and
// the operations owners call.

#include <QCursor>
#include <QFont>
#include <QTimer>
#include <QWidget>
#include <functional>

#include "calendar/RBCalendarGeometry.h"
#include "calendar/RBCalendarMonths.h"
#include "calendar/RBCalendarSelection.h"
#include "core/BorderStyle.h"
#include "core/Colors.h"
#include "core/DateTime.h"

class QPainter;
class TRBCPopupListBox;
class TRBCalendar;

enum TRBCSelectionKind { skNone, skSingleDay, skWeek, skProgressive, skFree };
enum TRBCDayAlignment { taLeftJustify, taRightJustify, taCenter };
using TRBCBorderStyle = TBorderStyle;

// Events, sender first; a reference argument carries the answer back. The
// canvas handed to the drawing events is prepared by the calendar: its brush
// is the cell's background colour, its pen the text colour, its font the
// cell's font (bold for a marked day).
using TRBCNotifyEvent = std::function<void(TRBCalendar* Sender)>;
using TRBCMarkEvent = std::function<void(TRBCalendar* Sender, TDate Day, bool& Mark)>;
using TRBCCanSelectEvent = std::function<void(TRBCalendar* Sender, TDate Day, bool& CanSelect)>;
using TRBCCellDrawEvent = std::function<void(TRBCalendar* Sender, TDate Day, bool Selected, bool Marked,
                                             bool InMonth, QPainter* Canvas, const QRect& Rect)>;
using TRBCCaptionDrawEvent =
    std::function<void(TRBCalendar* Sender, int Month, int Year, QPainter* Canvas, const QRect& Rect)>;
using TRBCTitleDrawEvent =
    std::function<void(TRBCalendar* Sender, int Month, int Year, int Day, QPainter* Canvas, const QRect& Rect)>;
using TRBCDatesChangedEvent = std::function<void(TRBCalendar* Sender, TDate NewStartDay, TDate NewEndDay)>;
// The standard mouse events, in client coordinates.
using TRBCMouseEvent = std::function<void(TRBCalendar* Sender, Qt::MouseButton Button,
                                          Qt::KeyboardModifiers Shift, int X, int Y)>;
using TRBCMouseMoveEvent = std::function<void(TRBCalendar* Sender, Qt::KeyboardModifiers Shift, int X, int Y)>;

class TRBCalendar : public QWidget {
  Q_OBJECT

 public:
  explicit TRBCalendar(QWidget* parent = nullptr);
  ~TRBCalendar() override;

  // --- Properties (a setter given the current value does nothing) ---
  TRBCFirstWeekDay FirstWeekDay() const { return FFirstWeekDay; }
  void SetFirstWeekDay(TRBCFirstWeekDay value);
  TRBCSelectionKind SelectionKind() const { return FSelectionKind; }
  void SetSelectionKind(TRBCSelectionKind value) { FSelectionKind = value; }
  int MonthsInWidth() const { return FGeo.MonthsInWidth; }
  void SetMonthsInWidth(int value);  // clamped to 1..10
  int MonthsInHeight() const { return FGeo.MonthsInHeight; }
  void SetMonthsInHeight(int value);  // clamped to 1..10
  bool FixedSize() const { return FFixedSize; }
  void SetFixedSize(bool value);
  bool FlatLook() const { return FFlatLook; }
  void SetFlatLook(bool value);
  int DayWidth() const { return FGeo.DayWidth; }
  void SetDayWidth(int value);  // at least 1: the hit tests divide by it
  int DayHeight() const { return FGeo.DayHeight; }
  void SetDayHeight(int value);  // at least 1
  bool ShowLines() const { return FShowLines; }
  void SetShowLines(bool value);
  bool ShowNextMonth() const { return FShowNextMonth; }
  void SetShowNextMonth(bool value);
  bool ShowPrevMonth() const { return FShowPrevMonth; }
  void SetShowPrevMonth(bool value);
  TColor PrevMonthColor() const { return FPrevMonthColor; }
  void SetPrevMonthColor(TColor value);
  TColor NextMonthColor() const { return FNextMonthColor; }
  void SetNextMonthColor(TColor value);
  int BorderWidth() const { return FGeo.BorderWidth; }
  void SetBorderWidth(int value);  // negative sizes give 0: a block is never narrower than its days
  int CaptionHeight() const { return FGeo.CaptionHeight; }
  void SetCaptionHeight(int value);  // negative gives 0
  int TitlesHeight() const { return FGeo.TitlesHeight; }
  void SetTitlesHeight(int value);  // negative gives 0
  bool PrevMonthButton() const { return FPrevMonthButton; }
  void SetPrevMonthButton(bool value);
  bool NextMonthButton() const { return FNextMonthButton; }
  void SetNextMonthButton(bool value);
  bool ShowToday() const { return FShowToday; }
  void SetShowToday(bool value);
  TColor TodayColor() const { return FTodayColor; }
  void SetTodayColor(TColor value);
  TColor TitlesColor() const { return FTitlesColor; }
  void SetTitlesColor(TColor value);
  TRBCDayAlignment DayAlignment() const { return FDayAlignment; }
  void SetDayAlignment(TRBCDayAlignment value);
  TColor CaptionsColor() const { return FCaptionsColor; }
  void SetCaptionsColor(TColor value);
  int Year() const { return FYear; }
  void SetYear(int value);  // clamped to 1..9999
  int Month() const { return FMonth; }
  void SetMonth(int value);  // clamped to 1..12
  int PopupListDays() const { return FPopupListDays; }
  void SetPopupListDays(int value);  // months above and below the clicked one; negative gives 0
  bool SideWeekSelect() const { return FSideWeekSelect; }
  void SetSideWeekSelect(bool value) { FSideWeekSelect = value; }
  bool EnableCaptionPopup() const { return FEnableCaptionPopup; }
  void SetEnableCaptionPopup(bool value) { FEnableCaptionPopup = value; }
  TColor SelectionColor() const { return FSelectionColor; }
  void SetSelectionColor(TColor value);
  TColor SelectionTextColor() const { return FSelectionTextColor; }
  void SetSelectionTextColor(TColor value);
  TColor DividersColor() const { return FDividersColor; }
  void SetDividersColor(TColor value);
  bool ShowDividers() const { return FShowDividers; }
  void SetShowDividers(bool value);
  bool MultiSelect() const { return FMultiSelect; }
  void SetMultiSelect(bool value) { FMultiSelect = value; }
  TRBCBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TRBCBorderStyle value);
  bool CanSelectAnother() const { return FCanSelectAnother; }
  void SetCanSelectAnother(bool value) { FCanSelectAnother = value; }
  int MaxSelections() const { return FSel.MaxSelections(); }
  void SetMaxSelections(int value) { FSel.SetMaxSelections(value); }  // 0 = unlimited; negative gives 0
  bool CustomCellsDraw() const { return FCustomCellsDraw; }
  void SetCustomCellsDraw(bool value);
  bool CustomCaptionsDraw() const { return FCustomCaptionsDraw; }
  void SetCustomCaptionsDraw(bool value);
  bool CustomTitlesDraw() const { return FCustomTitlesDraw; }
  void SetCustomTitlesDraw(bool value);
  // True switches the 3-D look off and the border style to single first.
  bool FlatBorder() const { return FFlatBorder; }
  void SetFlatBorder(bool value);
  bool ShowWeekNumbers() const { return FShowWeekNumbers; }
  void SetShowWeekNumbers(bool value);
  const QFont& WeekNumbersFont() const { return FWeekNumbersFont; }
  void SetWeekNumbersFont(const QFont& value);  // copied
  TColor LinesColor() const { return FLinesColor; }
  void SetLinesColor(TColor value);
  // The cursor outside the week margin.
  const QCursor& Cursor() const { return FCursor; }
  void SetCursor(const QCursor& value);
  // Background colour (white at construction).
  TColor Color() const { return FColor; }
  void SetColor(TColor value);
  // 3-D look: decides between a sunken and a plain single border.
  bool Ctl3D() const { return FCtl3D; }
  void SetCtl3D(bool value);

  // --- Events ---
  TRBCNotifyEvent OnSelectionChange;
  TRBCCanSelectEvent OnCanSelect;
  TRBCCellDrawEvent OnCellDraw;
  TRBCCaptionDrawEvent OnCaptionDraw;
  TRBCTitleDrawEvent OnTitleDraw;
  TRBCDatesChangedEvent OnDatesChanged;
  TRBCMouseEvent OnMouseDown;
  TRBCMouseMoveEvent OnMouseMove;
  TRBCMouseEvent OnMouseUp;
  TRBCNotifyEvent OnDblClick;
  // Assigning OnMark asks it at once for every shown day.
  const TRBCMarkEvent& OnMark() const { return FOnMark; }
  void SetOnMark(TRBCMarkEvent handler);

  // --- Read-only values ---
  TDate SelectionStart() const { return FSel.SelectionStart(); }
  TDate SelectionEnd() const { return FSel.SelectionEnd(); }
  // MultiSelect: days in the list; otherwise the length of the range (1 for an empty range).
  int SelectionCount() const;
  const std::vector<TRBCSelection>& Selections() const { return FSel.Selections(); }
  TDate StartDay() const { return FStartDay; }
  TDate EndDay() const { return FEndDay; }
  int MonthWidth() const { return FGeo.MonthWidth(); }
  int MonthHeight() const { return FGeo.MonthHeight(); }
  // Block (c, r): c < MonthsInWidth, r < MonthsInHeight.
  const TRBMonthData& MonthData(int c, int r) const { return FMonths[c][r]; }
  const TRBCGeometry& Geometry() const { return FGeo; }
  // Client area inside the border; the geometry's coordinates are relative to it.
  QRect ClientRect() const;
  TRBCPopupListBox* PopupList() const { return FPopup; }

  // --- Operations ---
  void GoToday();
  void SelectRange(TDate Day1, TDate Day2);
  void ShowMonthOf(TDate Day);
  void ClearSelections();
  void RefreshMarks();
  bool IsSelected(TDate Day) const;
  void PrevMonth();
  void NextMonth();

 protected:
  // Asks OnCanSelect; derived controls may refuse days of their own.
  virtual bool CanSelectDay(TDate Day);

  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  friend class TRBCPopupListBox;

  // Rebuild and geometry.
  void UpdateMonths(bool withEvent);
  void UpdateSize();
  int FrameWidth() const;
  void ApplyFrame();

  // Selection primitives with repaint.
  bool SetSelectionRange(TDate d1, TDate d2);
  bool AddSelection(TDate d1, TDate d2);
  bool RemoveSelection(TDate d1, TDate d2);
  bool SetSelections(TDate d1, TDate d2);

  // Painting (RBCalendarPaint.cpp).
  void PaintCaption(QPainter& p, int c, int r);
  void PaintTitles(QPainter& p, int c, int r);
  void PaintDays(QPainter& p, int c, int r);
  void PaintWeekNumbers(QPainter& p, int c, int r);
  void PaintDivider(QPainter& p, int c, int r);
  void PaintArrows(QPainter& p);
  void PaintFrame(QPainter& p);
  int TextFlags() const;

  // Interaction (RBCalendarMouse.cpp).
  void StartGesture(const TRBCGeometry::Hit& hit, Qt::KeyboardModifiers mods);
  void StepGesture(const TRBCGeometry::Hit& hit, Qt::KeyboardModifiers mods);
  void EndGesture();
  void StopArrows();
  void RepeatTimerTick();
  void CaptureLost();
  void OpenPopup(int c, int r, QPoint globalPos);
  void PopupChosen(int itemIndex);
  void UpdateCursor(QPoint client);

  // Properties.
  TRBCFirstWeekDay FFirstWeekDay = fwdSunday;
  TRBCSelectionKind FSelectionKind = skProgressive;
  TRBCGeometry FGeo;
  bool FFixedSize = true, FFlatLook = true, FShowLines = true;
  bool FShowNextMonth = false, FShowPrevMonth = false;
  TColor FPrevMonthColor = clSilver, FNextMonthColor = clSilver;
  bool FPrevMonthButton = true, FNextMonthButton = true, FShowToday = true;
  TColor FTodayColor = clRed, FTitlesColor = clBlack, FCaptionsColor = clBlack;
  TRBCDayAlignment FDayAlignment = taCenter;
  int FYear = 1, FMonth = 1, FPopupListDays = 3;
  bool FSideWeekSelect = true, FEnableCaptionPopup = true;
  TColor FSelectionColor = clHighlight, FSelectionTextColor = clHighlightText;
  TColor FDividersColor = clSilver;
  bool FShowDividers = false, FMultiSelect = false;
  TRBCBorderStyle FBorderStyle = bsSingle;
  bool FCanSelectAnother = true;
  bool FCustomCellsDraw = false, FCustomCaptionsDraw = false, FCustomTitlesDraw = false;
  bool FFlatBorder = false, FShowWeekNumbers = false;
  QFont FWeekNumbersFont;
  TColor FLinesColor = clBlack;
  QCursor FCursor;
  TColor FColor = clWhite;
  bool FCtl3D = true;
  TRBCMarkEvent FOnMark;

  // Month blocks, [column][row]; only the top-left MonthsInWidth x MonthsInHeight are in use.
  TRBMonthData FMonths[10][10];
  TDate FStartDay = 0, FEndDay = 0;
  int FFirstDay = 0;  // effective first weekday, copied at each rebuild

  TRBCSelectionModel FSel;

  // Mouse gesture.
  bool FSelecting = false, FWeekGesture = false, FAdding = false;
  TDate FAnchor = 0, FCurrentEnd = 0;
  // Arrow buttons held and their repeat timer (500 ms first, then 200 ms).
  bool FPrevHeld = false, FNextHeld = false;
  QTimer FRepeatTimer;

  TRBCPopupListBox* FPopup = nullptr;
  int FPopupBlock = 0;  // index of the block whose caption opened the popup
  bool FInUpdateSize = false;
};
