#include "dialogs/AdvSpin.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QTimer>
#include <cmath>

namespace {

// Width of one arrow button; side by side the pair takes two.
constexpr int SpinButtonWidth = 15;
constexpr int SecondsPerDay = 86400;

// Reads "h<sep>n" or "h<sep>n<sep>s" (blanks around the whole allowed) as a
// time of day below 24:00. Any other text fails.
bool ReadTimeText(const QString& text, const QString& sep, TTime& out) {
  const QStringList parts = text.trimmed().split(sep);
  if (parts.size() < 2 || parts.size() > 3) return false;
  int values[3] = {0, 0, 0};
  for (int i = 0; i < parts.size(); ++i) {
    const QString part = parts[i].trimmed();
    if (part.isEmpty() || part.size() > 4) return false;
    for (QChar c : part)
      if (!c.isDigit()) return false;
    values[i] = part.toInt();
  }
  if (values[0] > 23 || values[1] > 59 || values[2] > 59) return false;
  out = dt::EncodeTime(values[0], values[1], values[2]);
  return true;
}

int SecondOfDay(TTime time) {
  int h, n, s, ms;
  dt::DecodeTime(time, h, n, s, ms);
  return h * 3600 + n * 60 + s;
}

}  // namespace

// ---------------------------------------------------------------------------
// TAdvTimerSpeedButton

TAdvTimerSpeedButton::TAdvTimerSpeedButton(TArrow arrow, QWidget* parent)
    : QAbstractButton(parent), FArrow(arrow), FRepeatTimer(new QTimer(this)) {
  setFocusPolicy(Qt::NoFocus);
  FRepeatTimer->setObjectName("RepeatTimer");
  connect(FRepeatTimer, &QTimer::timeout, this, [this] { RepeatTimerExpired(); });
}

void TAdvTimerSpeedButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QStyleOptionButton panel;
  panel.initFrom(this);
  panel.rect = rect();
  panel.state |= isDown() ? QStyle::State_Sunken : QStyle::State_Raised;
  style()->drawPrimitive(QStyle::PE_PanelButtonBevel, &panel, &painter, this);

  QStyleOption arrow;
  arrow.initFrom(this);
  arrow.rect = rect().adjusted(2, 1, -2, -1);
  if (isDown()) arrow.rect.translate(1, 1);
  style()->drawPrimitive(FArrow == arUp ? QStyle::PE_IndicatorArrowUp : QStyle::PE_IndicatorArrowDown, &arrow,
                         &painter, this);
}

void TAdvTimerSpeedButton::mousePressEvent(QMouseEvent* event) {
  QAbstractButton::mousePressEvent(event);
  if (event->button() != Qt::LeftButton || !isDown()) return;
  FRepeatTimer->start(InitRepeatPause);
  if (OnStep) OnStep();
}

void TAdvTimerSpeedButton::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) FRepeatTimer->stop();
  QAbstractButton::mouseReleaseEvent(event);
}

void TAdvTimerSpeedButton::RepeatTimerExpired() {
  FRepeatTimer->setInterval(RepeatPause);
  if (isDown() && OnStep) OnStep();
}

// ---------------------------------------------------------------------------
// TAdvSpinButton

TAdvSpinButton::TAdvSpinButton(QWidget* parent)
    : QWidget(parent),
      FUpButton(new TAdvTimerSpeedButton(TAdvTimerSpeedButton::arUp, this)),
      FDownButton(new TAdvTimerSpeedButton(TAdvTimerSpeedButton::arDown, this)) {
  setFocusPolicy(Qt::NoFocus);
  FUpButton->setObjectName("UpButton");
  FDownButton->setObjectName("DownButton");
  FUpButton->OnStep = [this] { ButtonStep(true); };
  FDownButton->OnStep = [this] { ButtonStep(false); };
  LayoutButtons();
}

void TAdvSpinButton::SetDirection(TSpinDirection value) {
  if (value == FDirection) return;
  FDirection = value;
  LayoutButtons();
}

void TAdvSpinButton::resizeEvent(QResizeEvent*) { LayoutButtons(); }

void TAdvSpinButton::LayoutButtons() {
  const int w = width(), h = height();
  if (FDirection == spVertical) {
    FUpButton->setGeometry(0, 0, w, h / 2);
    FDownButton->setGeometry(0, h / 2, w, h - h / 2);
  } else {
    FDownButton->setGeometry(0, 0, w / 2, h);
    FUpButton->setGeometry(w / 2, 0, w - w / 2, h);
  }
}

void TAdvSpinButton::ButtonStep(bool up) {
  // The focus goes first, so that the field's exit handling of another
  // control runs before the step, as it would on any click.
  if (FFocusControl && FFocusControl->isEnabled() && !FFocusControl->hasFocus())
    FFocusControl->setFocus(Qt::MouseFocusReason);
  if (up) {
    if (OnUpClick) OnUpClick(this);
  } else if (OnDownClick) {
    OnDownClick(this);
  }
}

// ---------------------------------------------------------------------------
// TAdvSpinEdit

TAdvSpinEdit::TAdvSpinEdit(QWidget* parent) : QLineEdit(parent), FButton(new TAdvSpinButton(this)) {
  FButton->setObjectName("SpinButton");
  FButton->setCursor(Qt::ArrowCursor);
  FButton->SetFocusControl(this);
  FButton->OnUpClick = [this](TAdvSpinButton*) { UpClick(); };
  FButton->OnDownClick = [this](TAdvSpinButton*) { DownClick(); };
  ShowTime(0);
  LayoutButton();
}

int TAdvSpinEdit::ButtonWidth() const {
  return FButton->Direction() == spVertical ? SpinButtonWidth : 2 * SpinButtonWidth - 4;
}

void TAdvSpinEdit::SetDirection(TSpinDirection value) {
  if (value == FButton->Direction()) return;
  FButton->SetDirection(value);
  LayoutButton();
}

TAdvSpinEdit::~TAdvSpinEdit() { delete FLabel.data(); }

QLabel* TAdvSpinEdit::Label() const { return FLabel.data(); }

QString TAdvSpinEdit::TimeSeparator() {
  // The first character after the hour letters of the short time format.
  const QString format = QLocale().timeFormat(QLocale::ShortFormat);
  int i = 0;
  while (i < format.size() && format[i] != 'h' && format[i] != 'H') ++i;
  while (i < format.size() && (format[i] == 'h' || format[i] == 'H')) ++i;
  if (i < format.size() && !format[i].isLetter() && format[i] != '\'') return QString(format[i]);
  return ":";
}

void TAdvSpinEdit::SetSpinType(TAdvSpinType value) {
  if (value == FSpinType) return;
  FSpinType = value;
  if (FSpinType == sptTime) ShowTime(FValue);
}

void TAdvSpinEdit::SetShowSeconds(bool value) {
  if (value == FShowSeconds) return;
  const TDateTime current = TimeValue();
  FShowSeconds = value;
  if (FSpinType == sptTime) ShowTime(current);
}

QString TAdvSpinEdit::FormatTime(TDateTime value) const {
  int h, n, s, ms;
  dt::DecodeTime(value, h, n, s, ms);
  const QString sep = TimeSeparator();
  QString text = QString("%1%2%3").arg(h, 2, 10, QChar('0')).arg(sep).arg(n, 2, 10, QChar('0'));
  if (FShowSeconds) text += sep + QString("%1").arg(s, 2, 10, QChar('0'));
  return text;
}

void TAdvSpinEdit::ShowTime(TDateTime value) {
  const int pos = cursorPosition();
  setText(FormatTime(value));
  setCursorPosition(pos);
}

TDateTime TAdvSpinEdit::TimeValue() const {
  const QString sep = TimeSeparator();
  // Without seconds on show the text is read as if ":00" followed it, so a
  // bare hour such as "12" reads as 12:00.
  const QString text = FShowSeconds ? this->text() : this->text().trimmed() + sep + "00";
  TTime time = 0;
  if (!ReadTimeText(text, sep, time)) time = 0;
  return dt::DateOf(FValue) + time;
}

void TAdvSpinEdit::SetTimeValue(TDateTime value) {
  if (dt::SameDateTime(value, TimeValue()) && text() == FormatTime(value)) return;
  FValue = value;
  ShowTime(value);
}

void TAdvSpinEdit::UpClick() { Step(+1); }
void TAdvSpinEdit::DownClick() { Step(-1); }

void TAdvSpinEdit::Step(int direction) {
  if (isReadOnly() || FSpinType != sptTime) {
    QApplication::beep();
    return;
  }
  const int caret = hasSelectedText() ? selectionStart() : cursorPosition();
  const int sepAt = text().indexOf(TimeSeparator());
  const bool onHours = sepAt >= 0 && caret <= sepAt;
  const int minutes = onHours && FIncrementHours != 0 ? FIncrementHours * 60 : FIncrementMinutes;

  // Only the time of day moves: the field wraps around midnight and the
  // stored day stays as it was written.
  long long seconds = SecondOfDay(dt::TimeOf(TimeValue())) + static_cast<long long>(direction) * minutes * 60;
  seconds %= SecondsPerDay;
  if (seconds < 0) seconds += SecondsPerDay;

  const bool selected = hasSelectedText();
  const int selStart = selectionStart();
  const int selLength = selectedText().size();
  const bool caretAtStart = selected && cursorPosition() == selStart;
  const int pos = cursorPosition();
  setText(FormatTime(static_cast<double>(seconds) / SecondsPerDay));
  if (selected) {
    if (caretAtStart)
      setSelection(selStart + selLength, -selLength);
    else
      setSelection(selStart, selLength);
  } else {
    setCursorPosition(pos);
  }
}

bool TAdvSpinEdit::IsValidChar(QChar c) const {
  if (c.isDigit() || c == '+' || c == '-') return true;
  const QLocale locale;
  if (locale.decimalPoint().contains(c) || locale.groupSeparator().contains(c)) return true;
  // One separator (two with seconds shown); a selected separator is about
  // to be replaced and does not count.
  const QString sep = TimeSeparator();
  if (FSpinType != sptTime || !sep.contains(c)) return false;
  QString kept = text();
  if (hasSelectedText()) kept.remove(selectionStart(), selectedText().size());
  return kept.count(sep) < (FShowSeconds ? 2 : 1);
}

void TAdvSpinEdit::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Up:
      UpClick();
      event->accept();
      return;
    case Qt::Key_Down:
      DownClick();
      event->accept();
      return;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
      event->accept();
      return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (FReturnIsTab) {
        focusNextChild();
        event->accept();
        return;
      }
      // Otherwise the dialog's default button gets it.
      QLineEdit::keyPressEvent(event);
      return;
    default:
      break;
  }
  if (!FEditorEnabled &&
      (event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace || event->matches(QKeySequence::Paste) ||
       event->matches(QKeySequence::Cut) || (!event->text().isEmpty() && event->text()[0] >= ' '))) {
    event->accept();
    return;
  }
  const QString typed = event->text();
  const bool printable = !typed.isEmpty() && typed[0] >= ' ' && !(event->modifiers() & Qt::ControlModifier);
  if (printable) {
    for (QChar c : typed) {
      if (!IsValidChar(c)) {
        QApplication::beep();
        event->accept();
        return;
      }
    }
  }
  QLineEdit::keyPressEvent(event);
}

void TAdvSpinEdit::LayoutButton() {
  QStyleOptionFrame option;
  initStyleOption(&option);
  const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, this);
  setTextMargins(0, 0, ButtonWidth(), 0);
  FButton->setGeometry(width() - frame - ButtonWidth(), frame, ButtonWidth(), height() - 2 * frame);
}

void TAdvSpinEdit::resizeEvent(QResizeEvent* event) {
  QLineEdit::resizeEvent(event);
  LayoutButton();
  UpdateLabel();
}

void TAdvSpinEdit::moveEvent(QMoveEvent* event) {
  QLineEdit::moveEvent(event);
  UpdateLabel();
}

void TAdvSpinEdit::showEvent(QShowEvent* event) {
  QLineEdit::showEvent(event);
  UpdateLabel();
}

void TAdvSpinEdit::hideEvent(QHideEvent* event) {
  QLineEdit::hideEvent(event);
  UpdateLabel();
}

void TAdvSpinEdit::changeEvent(QEvent* event) {
  QLineEdit::changeEvent(event);
  switch (event->type()) {
    case QEvent::ParentChange:
      if (FLabel) FLabel->setParent(parentWidget());
      UpdateLabel();
      break;
    case QEvent::EnabledChange:
    case QEvent::FontChange:
      UpdateLabel();
      break;
    default:
      break;
  }
}

void TAdvSpinEdit::SetLabelCaption(const QString& value) {
  if (value == FLabelCaption) return;
  FLabelCaption = value;
  UpdateLabel();
}

void TAdvSpinEdit::SetLabelMargin(int value) {
  if (value == FLabelMargin) return;
  FLabelMargin = value;
  UpdateLabel();
}

void TAdvSpinEdit::UpdateLabel() {
  if (FLabelCaption.isEmpty()) {
    if (FLabel) FLabel->hide();
    return;
  }
  QWidget* owner = parentWidget();
  if (!owner) return;  // placed once the field has a parent
  if (!FLabel) {
    FLabel = new QLabel(owner);
    FLabel->setObjectName(objectName().isEmpty() ? QString("Label") : objectName() + "Label");
    FLabel->setBuddy(this);
  }
  if (FLabel->parentWidget() != owner) FLabel->setParent(owner);
  FLabel->setText(FLabelCaption);
  FLabel->setEnabled(isEnabled());
  FLabel->adjustSize();
  FLabel->move(x() - FLabelMargin - FLabel->width(), y() + (height() - FLabel->height()) / 2);
  FLabel->setVisible(isVisibleTo(owner));
}
