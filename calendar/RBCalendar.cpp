#include "calendar/RBCalendar.h"

#include <QApplication>
#include <QEvent>
#include <algorithm>
#include <cmath>

#include "calendar/RBCalendarPopup.h"
#include "core/Clock.h"

namespace {
template <class T>
bool Assign(T& field, const T& value) {
  if (field == value) return false;
  field = value;
  return true;
}
}  // namespace

TRBCalendar::TRBCalendar(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::NoFocus);
  setMouseTracking(true);  // the week margin shows its own cursor while hovering
  setAttribute(Qt::WA_OpaquePaintEvent);
  FWeekNumbersFont = QApplication::font();
  FCursor = QCursor(Qt::ArrowCursor);
  QWidget::setCursor(FCursor);
  int d = 0;
  dt::DecodeDate(Clock::Today(), FYear, FMonth, d);
  FRepeatTimer.setSingleShot(false);
  connect(&FRepeatTimer, &QTimer::timeout, this, [this] { RepeatTimerTick(); });
  FPopup = new TRBCPopupListBox(this);
  UpdateSize();
  UpdateMonths(false);
}

TRBCalendar::~TRBCalendar() { FSel.ClearSelections(); }

// --- Rebuild and geometry ---

void TRBCalendar::UpdateMonths(bool withEvent) {
  FFirstDay = FFirstWeekDay;
  FStartDay = dt::EncodeDate(FYear, FMonth, 1);
  int lastYear = FYear, lastMonth = FMonth;
  AddMonths(lastYear, lastMonth, FGeo.MonthsInWidth * FGeo.MonthsInHeight - 1);
  // Months past December 9999 do not exist: their blocks stay empty.
  FEndDay = lastYear > 9999 ? dt::EncodeDate(9999, 12, 31)
                            : dt::EncodeDate(lastYear, lastMonth, dt::DaysInMonth(lastYear, lastMonth));
  if (withEvent && OnDatesChanged) OnDatesChanged(this, FStartDay, FEndDay);

  TRBMonthOptions options;
  options.FirstWeekDay = FFirstDay;
  options.Today = Clock::Today();
  if (FOnMark) {
    options.Mark = [this](TDate day) {
      bool mark = false;
      FOnMark(this, day, mark);
      return mark;
    };
  }
  int y = FYear, m = FMonth;
  for (int r = 0; r < FGeo.MonthsInHeight; ++r) {
    for (int c = 0; c < FGeo.MonthsInWidth; ++c) {
      options.ShowPrevDays = FShowPrevMonth && c == 0 && r == 0;
      options.ShowNextDays = FShowNextMonth && c == FGeo.MonthsInWidth - 1 && r == FGeo.MonthsInHeight - 1;
      BuildMonthData(FMonths[c][r], y, m, options);
      AddMonths(y, m, 1);
    }
  }
}

int TRBCalendar::FrameWidth() const {
  if (FFlatBorder) return 1;  // thin sunken edge
  if (FBorderStyle == bsNone) return 0;
  return FCtl3D ? 2 : 1;  // sunken client edge, or a plain line
}

QRect TRBCalendar::ClientRect() const {
  const int f = FrameWidth();
  return rect().adjusted(f, f, -f, -f);
}

void TRBCalendar::UpdateSize() {
  if (FInUpdateSize) return;
  FInUpdateSize = true;
  const int f = FrameWidth();
  if (FFixedSize) {
    setFixedSize(FGeo.GridWidth() + 2 * f, FGeo.GridHeight() + 2 * f);
  } else {
    // The day size follows the control; the cells that do not fill a whole
    // day are left as background instead of fighting the parent's layout.
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    FGeo.FitDaysTo(width() - 2 * f, height() - 2 * f);
  }
  FInUpdateSize = false;
}

void TRBCalendar::ApplyFrame() {
  UpdateSize();
  update();
}

void TRBCalendar::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  UpdateSize();
}

void TRBCalendar::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::FontChange) update();
  if (event->type() == QEvent::ActivationChange && !isActiveWindow()) CaptureLost();
}

void TRBCalendar::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  FPopup->Cancel();  // a month list without its calendar would choose for nothing
  CaptureLost();
}

// --- Properties ---

void TRBCalendar::SetFirstWeekDay(TRBCFirstWeekDay value) {
  if (!Assign(FFirstWeekDay, value)) return;
  UpdateMonths(true);
  update();
}

void TRBCalendar::SetMonthsInWidth(int value) {
  if (!Assign(FGeo.MonthsInWidth, std::clamp(value, 1, 10))) return;
  UpdateSize();
  UpdateMonths(true);
  update();
}

void TRBCalendar::SetMonthsInHeight(int value) {
  if (!Assign(FGeo.MonthsInHeight, std::clamp(value, 1, 10))) return;
  UpdateSize();
  UpdateMonths(true);
  update();
}

void TRBCalendar::SetFixedSize(bool value) {
  if (Assign(FFixedSize, value)) UpdateSize();
}

void TRBCalendar::SetFlatLook(bool value) {
  if (Assign(FFlatLook, value)) update();
}

void TRBCalendar::SetDayWidth(int value) {
  if (Assign(FGeo.DayWidth, std::max(1, value))) UpdateSize();
}

void TRBCalendar::SetDayHeight(int value) {
  if (Assign(FGeo.DayHeight, std::max(1, value))) UpdateSize();
}

void TRBCalendar::SetShowLines(bool value) {
  if (Assign(FShowLines, value)) update();
}

void TRBCalendar::SetShowNextMonth(bool value) {
  if (!Assign(FShowNextMonth, value)) return;
  UpdateMonths(false);
  update();
}

void TRBCalendar::SetShowPrevMonth(bool value) {
  if (!Assign(FShowPrevMonth, value)) return;
  UpdateMonths(false);
  update();
}

void TRBCalendar::SetPrevMonthColor(TColor value) {
  if (Assign(FPrevMonthColor, value)) update();
}

void TRBCalendar::SetNextMonthColor(TColor value) {
  if (Assign(FNextMonthColor, value)) update();
}

void TRBCalendar::SetBorderWidth(int value) {
  if (!Assign(FGeo.BorderWidth, std::max(0, value))) return;
  UpdateSize();
  update();
}

void TRBCalendar::SetCaptionHeight(int value) {
  if (Assign(FGeo.CaptionHeight, std::max(0, value))) UpdateSize();
}

void TRBCalendar::SetTitlesHeight(int value) {
  if (Assign(FGeo.TitlesHeight, std::max(0, value))) UpdateSize();
}

void TRBCalendar::SetPrevMonthButton(bool value) {
  if (Assign(FPrevMonthButton, value)) update();
}

void TRBCalendar::SetNextMonthButton(bool value) {
  if (Assign(FNextMonthButton, value)) update();
}

void TRBCalendar::SetShowToday(bool value) {
  if (Assign(FShowToday, value)) update();
}

void TRBCalendar::SetTodayColor(TColor value) {
  if (Assign(FTodayColor, value)) update();
}

void TRBCalendar::SetTitlesColor(TColor value) {
  if (Assign(FTitlesColor, value)) update();
}

void TRBCalendar::SetDayAlignment(TRBCDayAlignment value) {
  if (Assign(FDayAlignment, value)) update();
}

void TRBCalendar::SetCaptionsColor(TColor value) {
  if (Assign(FCaptionsColor, value)) update();
}

void TRBCalendar::SetYear(int value) {
  if (!Assign(FYear, std::clamp(value, 1, 9999))) return;
  UpdateMonths(true);
  update();
}

void TRBCalendar::SetMonth(int value) {
  if (!Assign(FMonth, std::clamp(value, 1, 12))) return;
  UpdateMonths(true);
  update();
}

void TRBCalendar::SetPopupListDays(int value) {
  if (Assign(FPopupListDays, std::max(0, value))) FPopup->UpdateHeight();
}

void TRBCalendar::SetSelectionColor(TColor value) {
  if (Assign(FSelectionColor, value)) update();
}

void TRBCalendar::SetSelectionTextColor(TColor value) {
  if (Assign(FSelectionTextColor, value)) update();
}

void TRBCalendar::SetDividersColor(TColor value) {
  if (Assign(FDividersColor, value)) update();
}

void TRBCalendar::SetShowDividers(bool value) {
  if (Assign(FShowDividers, value)) update();
}

void TRBCalendar::SetBorderStyle(TRBCBorderStyle value) {
  if (Assign(FBorderStyle, value)) ApplyFrame();
}

void TRBCalendar::SetCustomCellsDraw(bool value) {
  if (Assign(FCustomCellsDraw, value)) update();
}

void TRBCalendar::SetCustomCaptionsDraw(bool value) {
  if (Assign(FCustomCaptionsDraw, value)) update();
}

void TRBCalendar::SetCustomTitlesDraw(bool value) {
  if (Assign(FCustomTitlesDraw, value)) update();
}

void TRBCalendar::SetFlatBorder(bool value) {
  if (!Assign(FFlatBorder, value)) return;
  if (value) {
    FCtl3D = false;
    FBorderStyle = bsSingle;
  }
  ApplyFrame();
}

void TRBCalendar::SetShowWeekNumbers(bool value) {
  if (Assign(FShowWeekNumbers, value)) update();
}

void TRBCalendar::SetWeekNumbersFont(const QFont& value) {
  if (Assign(FWeekNumbersFont, value)) update();
}

void TRBCalendar::SetLinesColor(TColor value) {
  if (Assign(FLinesColor, value)) update();
}

void TRBCalendar::SetCursor(const QCursor& value) {
  FCursor = value;
  QWidget::setCursor(value);
}

void TRBCalendar::SetColor(TColor value) {
  if (Assign(FColor, value)) update();
}

void TRBCalendar::SetCtl3D(bool value) {
  if (Assign(FCtl3D, value)) ApplyFrame();
}

void TRBCalendar::SetOnMark(TRBCMarkEvent handler) {
  FOnMark = std::move(handler);
  UpdateMonths(false);
  update();
}

// --- Read-only values and operations ---

int TRBCalendar::SelectionCount() const {
  if (FMultiSelect) return static_cast<int>(FSel.Selections().size());
  return static_cast<int>(std::lround(FSel.SelectionEnd() - FSel.SelectionStart() + 1));
}

bool TRBCalendar::IsSelected(TDate Day) const { return FMultiSelect ? FSel.InList(Day) : FSel.InRange(Day); }

bool TRBCalendar::CanSelectDay(TDate Day) {
  bool canSelect = true;
  if (OnCanSelect) OnCanSelect(this, Day, canSelect);
  return canSelect;
}

void TRBCalendar::GoToday() {
  const TDate today = Clock::Today();
  if (today < FStartDay || today > FEndDay) {
    int d = 0;
    dt::DecodeDate(today, FYear, FMonth, d);
    UpdateMonths(true);
    update();
  }
  SelectRange(today, today);
}

void TRBCalendar::SelectRange(TDate Day1, TDate Day2) {
  if (SetSelectionRange(Day1, Day2) && OnSelectionChange) OnSelectionChange(this);
}

void TRBCalendar::ShowMonthOf(TDate Day) {
  int y = 0, m = 0, d = 0;
  dt::DecodeDate(Day, y, m, d);
  if (y == FYear && m == FMonth) return;
  FYear = y;
  FMonth = m;
  UpdateMonths(true);
  update();
}

void TRBCalendar::ClearSelections() {
  FSel.ClearSelections();
  update();
}

void TRBCalendar::RefreshMarks() {
  UpdateMonths(false);
  update();
}

// Paging moves the first shown month by one; Year and Month change together,
// so the owner hears of the new range once. Paging stops at the ends of the
// date range instead of wrapping round.
void TRBCalendar::PrevMonth() {
  const TRBMonthData& first = FMonths[0][0];
  if (first.PrevYear < 1) return;
  FYear = first.PrevYear;
  FMonth = first.PrevMonth;
  UpdateMonths(true);
  update();
}

void TRBCalendar::NextMonth() {
  const TRBMonthData& first = FMonths[0][0];
  if (first.NextYear > 9999) return;
  FYear = first.NextYear;
  FMonth = first.NextMonth;
  UpdateMonths(true);
  update();
}

// --- Selection primitives: each repaints when it changed something ---

bool TRBCalendar::SetSelectionRange(TDate d1, TDate d2) {
  if (!FSel.SetSelectionRange(d1, d2)) return false;
  update();
  return true;
}

bool TRBCalendar::AddSelection(TDate d1, TDate d2) {
  if (!FSel.AddSelection(d1, d2, [this](TDate d) { return CanSelectDay(d); })) return false;
  update();
  return true;
}

bool TRBCalendar::RemoveSelection(TDate d1, TDate d2) {
  if (!FSel.RemoveSelection(d1, d2)) return false;
  update();
  return true;
}

bool TRBCalendar::SetSelections(TDate d1, TDate d2) {
  const bool added = FSel.SetSelections(d1, d2, [this](TDate d) { return CanSelectDay(d); });
  update();  // the list may have been emptied even when nothing was added
  return added;
}
