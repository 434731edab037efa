#pragma once
// The time spin field: a one-line edit with a pair of auto-repeating arrow
// buttons at its right end, and an optional caption label on its left.
//
// Only the time kind (sptTime) spins. The field shows "hh:nn" (or "hh:nn:ss"
// with ShowSeconds) with the locale's time separator; the arrows and the Up
// and Down keys step the hour part when the caret stands before the first
// separator and the minutes otherwise, wrapping around midnight.

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QString>
#include <functional>

#include "core/DateTime.h"

class QTimer;

enum TAdvSpinType { sptNormal, sptFloat, sptDate, sptTime, sptHex };
enum TSpinDirection { spVertical, spHorizontal };

// One arrow button. Pressing it steps at once; held down it steps again after
// InitRepeatPause ms and then every RepeatPause ms until it is released. While
// the pointer is dragged off the button the repeats pause.
class TAdvTimerSpeedButton : public QAbstractButton {
 public:
  enum TArrow { arUp, arDown };
  static constexpr int InitRepeatPause = 400;
  static constexpr int RepeatPause = 100;

  TAdvTimerSpeedButton(TArrow arrow, QWidget* parent);

  TArrow Arrow() const { return FArrow; }
  QTimer* RepeatTimer() const { return FRepeatTimer; }
  std::function<void()> OnStep;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void RepeatTimerExpired();

  TArrow FArrow;
  QTimer* FRepeatTimer;
};

// The pair of arrow buttons: up above down (vertical) or down left of up
// (horizontal). Pressing either moves the focus to FocusControl.
class TAdvSpinButton : public QWidget {
 public:
  explicit TAdvSpinButton(QWidget* parent = nullptr);

  TSpinDirection Direction() const { return FDirection; }
  void SetDirection(TSpinDirection value);
  QWidget* FocusControl() const { return FFocusControl; }
  void SetFocusControl(QWidget* value) { FFocusControl = value; }

  TAdvTimerSpeedButton* UpButton() const { return FUpButton; }
  TAdvTimerSpeedButton* DownButton() const { return FDownButton; }

  std::function<void(TAdvSpinButton* Sender)> OnUpClick;
  std::function<void(TAdvSpinButton* Sender)> OnDownClick;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void LayoutButtons();
  void ButtonStep(bool up);

  TSpinDirection FDirection = spVertical;
  QPointer<QWidget> FFocusControl;
  TAdvTimerSpeedButton* FUpButton;
  TAdvTimerSpeedButton* FDownButton;
};

class TAdvSpinEdit : public QLineEdit {
 public:
  explicit TAdvSpinEdit(QWidget* parent = nullptr);
  ~TAdvSpinEdit() override;

  // Only sptTime spins; the other kinds keep the text as typed and beep on a step.
  TAdvSpinType SpinType() const { return FSpinType; }
  void SetSpinType(TAdvSpinType value);
  int IncrementHours() const { return FIncrementHours; }
  void SetIncrementHours(int value) { FIncrementHours = value; }
  int IncrementMinutes() const { return FIncrementMinutes; }
  void SetIncrementMinutes(int value) { FIncrementMinutes = value; }
  bool ShowSeconds() const { return FShowSeconds; }
  void SetShowSeconds(bool value);
  bool ReturnIsTab() const { return FReturnIsTab; }
  void SetReturnIsTab(bool value) { FReturnIsTab = value; }
  // False: the text can only be changed by spinning.
  bool EditorEnabled() const { return FEditorEnabled; }
  void SetEditorEnabled(bool value) { FEditorEnabled = value; }
  TSpinDirection Direction() const { return FButton->Direction(); }
  void SetDirection(TSpinDirection value);

  // The time of day shown (0 when the text cannot be read) plus the whole-day
  // part of the last value written.
  TDateTime TimeValue() const;
  // Stores the value and shows its time of day; the caret stays where it was.
  void SetTimeValue(TDateTime value);

  // A caption shown on the left of the field, vertically centred, LabelMargin
  // pixels away. It is a sibling of the field (same parent), created when the
  // caption is first set, and it focuses the field through its mnemonic.
  QString LabelCaption() const { return FLabelCaption; }
  void SetLabelCaption(const QString& value);
  int LabelMargin() const { return FLabelMargin; }
  void SetLabelMargin(int value);
  QLabel* Label() const;

  TAdvSpinButton* Button() const { return FButton; }

  // The steps of the arrow buttons and the Up and Down keys.
  virtual void UpClick();
  virtual void DownClick();

  // The locale's time separator (":" for Spanish).
  static QString TimeSeparator();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void Step(int direction);
  bool IsValidChar(QChar c) const;
  QString FormatTime(TDateTime value) const;
  void ShowTime(TDateTime value);
  int ButtonWidth() const;
  void LayoutButton();
  void UpdateLabel();

  TAdvSpinType FSpinType = sptTime;
  int FIncrementHours = 1;
  int FIncrementMinutes = 15;
  bool FShowSeconds = false;
  bool FReturnIsTab = false;
  bool FEditorEnabled = true;
  TDateTime FValue = 0;  // the last value written
  QString FLabelCaption;
  int FLabelMargin = 4;
  QPointer<QLabel> FLabel;
  TAdvSpinButton* FButton;
};
