#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

#include "dialogs/AdvSpin.h"

namespace {

// A shown, active window holding one spin field and a plain edit after it.
struct Form {
  QWidget window;
  TAdvSpinEdit* spin;
  QLineEdit* other;
  Form() {
    window.resize(300, 120);
    spin = new TAdvSpinEdit(&window);
    spin->setObjectName("edtHora");
    spin->setGeometry(80, 20, 80, 22);
    other = new QLineEdit(&window);
    other->setGeometry(80, 60, 80, 22);
    window.show();
    window.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
  }
};

TTime HM(int h, int m) { return dt::EncodeTime(h, m, 0); }

QPoint CentreOf(QWidget* w) { return w->rect().center(); }

}  // namespace

TEST(AdvSpinEdit, ShowsTimeValueAsHoursAndMinutesWithTheLocaleSeparator) {
  TAdvSpinEdit edit;
  EXPECT_EQ(TAdvSpinEdit::TimeSeparator(), ":");
  EXPECT_EQ(edit.text(), "00:00");
  edit.SetTimeValue(HM(9, 5));
  EXPECT_EQ(edit.text(), "09:05");
  edit.SetTimeValue(HM(23, 59) + dt::OneSecond * 30);
  EXPECT_EQ(edit.text(), "23:59");
  edit.SetShowSeconds(true);
  EXPECT_EQ(edit.text(), "23:59:00");  // what was shown, now with its seconds
  edit.SetTimeValue(HM(23, 59) + dt::OneSecond * 30);
  EXPECT_EQ(edit.text(), "23:59:30");
}

TEST(AdvSpinEdit, TimeValueReadsTheTextAndKeepsTheDayLastWritten) {
  struct Case {
    const char* text;
    TTime expected;
  } cases[] = {
      {"09:30", HM(9, 30)}, {"9:5", HM(9, 5)},  {"12", HM(12, 0)}, {" 7:45 ", HM(7, 45)}, {"23:59", HM(23, 59)},
      {"25:00", 0},         {"12:60", 0},       {"", 0},           {"0930", 0},           {"ab:cd", 0},
      {"9.30", 0},          {"10:00:00", 0},
  };
  TAdvSpinEdit edit;
  const TDate day = dt::EncodeDate(2004, 3, 12);
  edit.SetTimeValue(day + HM(8, 0));
  EXPECT_DOUBLE_EQ(edit.TimeValue(), day + HM(8, 0));
  for (const Case& c : cases) {
    edit.setText(c.text);
    EXPECT_NEAR(edit.TimeValue(), day + c.expected, 1e-9) << c.text;
  }
  edit.SetShowSeconds(true);
  edit.setText("10:00:15");
  EXPECT_NEAR(edit.TimeValue(), day + dt::EncodeTime(10, 0, 15), 1e-9);
}

TEST(AdvSpinEdit, WritingTimeValueKeepsTheCaret) {
  TAdvSpinEdit edit;
  edit.setText("10:00");
  edit.setCursorPosition(4);
  edit.SetTimeValue(HM(18, 30));
  EXPECT_EQ(edit.text(), "18:30");
  EXPECT_EQ(edit.cursorPosition(), 4);
  QSignalSpy changed(&edit, &QLineEdit::textChanged);
  edit.SetTimeValue(HM(18, 30));  // the value it has: nothing happens
  EXPECT_EQ(changed.count(), 0);
}

TEST(AdvSpinEdit, StepsHoursBeforeTheSeparatorAndMinutesAfterWrappingAroundMidnight) {
  struct Case {
    const char* text;
    int caret;
    int incHours, incMinutes;
    bool up;
    const char* expected;
  } cases[] = {
      {"23:30", 0, 1, 15, true, "00:30"},   // hour step wraps forward
      {"00:15", 1, 1, 15, false, "23:15"},  // and backward
      {"10:00", 2, 1, 15, true, "11:00"},   // caret right before the separator: hours
      {"10:00", 3, 1, 15, true, "10:15"},   // right after it: minutes
      {"09:07", 5, 1, 15, true, "09:22"},   // minutes are not snapped to the step
      {"00:10", 4, 1, 15, false, "23:55"},  // minute step wraps backward
      {"23:50", 5, 1, 30, true, "00:20"},
      {"08:00", 0, 0, 30, true, "08:30"},  // no hour increment: the minute one
      {"08:00", 0, 2, 30, false, "06:00"},
      {"930", 0, 1, 15, true, "00:15"},  // unreadable text counts as 00:00; no separator: minutes
      {"", 0, 1, 15, false, "23:45"},
  };
  TAdvSpinEdit edit;
  for (const Case& c : cases) {
    edit.SetIncrementHours(c.incHours);
    edit.SetIncrementMinutes(c.incMinutes);
    edit.setText(c.text);
    edit.setCursorPosition(c.caret);
    if (c.up)
      edit.UpClick();
    else
      edit.DownClick();
    EXPECT_EQ(edit.text(), c.expected) << c.text << " caret " << c.caret;
    EXPECT_EQ(edit.cursorPosition(), std::min<int>(c.caret, edit.text().size())) << c.text;
  }
}

TEST(AdvSpinEdit, SteppingKeepsTheSelectionAndTheDayWritten) {
  TAdvSpinEdit edit;
  const TDate day = dt::EncodeDate(2004, 12, 31);
  edit.SetTimeValue(day + HM(23, 30));
  edit.setSelection(0, 2);  // "23" selected: hour step
  edit.UpClick();
  EXPECT_EQ(edit.text(), "00:30");
  EXPECT_EQ(edit.selectionStart(), 0);
  EXPECT_EQ(edit.selectedText(), "00");
  // Only the time of day wraps; the field never invents another day.
  EXPECT_NEAR(edit.TimeValue(), day + HM(0, 30), 1e-9);
}

TEST(AdvSpinEdit, ReadOnlyFieldDoesNotStep) {
  TAdvSpinEdit edit;
  edit.SetTimeValue(HM(10, 0));
  edit.setReadOnly(true);
  edit.UpClick();
  edit.DownClick();
  EXPECT_EQ(edit.text(), "10:00");
}

TEST(AdvSpinEdit, ArrowKeysStepAndPageKeysDoNothing) {
  Form f;
  f.spin->setFocus();
  f.spin->SetTimeValue(HM(10, 0));
  f.spin->setCursorPosition(0);
  QTest::keyClick(f.spin, Qt::Key_Up);
  EXPECT_EQ(f.spin->text(), "11:00");
  QTest::keyClick(f.spin, Qt::Key_Down);
  QTest::keyClick(f.spin, Qt::Key_Down);
  EXPECT_EQ(f.spin->text(), "09:00");
  QTest::keyClick(f.spin, Qt::Key_PageUp);
  QTest::keyClick(f.spin, Qt::Key_PageDown);
  EXPECT_EQ(f.spin->text(), "09:00");
  EXPECT_EQ(f.spin->cursorPosition(), 0);
}

TEST(AdvSpinEdit, TypedCharactersAreFiltered) {
  struct Case {
    const char* typed;
    const char* expected;
  } cases[] = {
      {"1430", "1430"}, {"14:30", "14:30"}, {"9:3:0", "9:30"}, {"a1b2", "12"},
      {"+-,.", "+-,."}, {"12 30", "1230"},  {"x", ""},
  };
  Form f;
  f.spin->setFocus();
  for (const Case& c : cases) {
    f.spin->clear();
    QTest::keyClicks(f.spin, c.typed);
    EXPECT_EQ(f.spin->text(), c.expected) << c.typed;
  }
  // Control keys still edit.
  f.spin->setText("12:30");
  f.spin->end(false);
  QTest::keyClick(f.spin, Qt::Key_Backspace);
  EXPECT_EQ(f.spin->text(), "12:3");
  // With the separator gone it may be typed again.
  f.spin->setText("1230");
  f.spin->setCursorPosition(2);
  QTest::keyClicks(f.spin, ":");
  EXPECT_EQ(f.spin->text(), "12:30");
  // Typing over a selected separator may put it back.
  f.spin->setSelection(1, 2);
  QTest::keyClicks(f.spin, ":");
  EXPECT_EQ(f.spin->text(), "1:30");
  // With seconds shown a second separator is allowed, not a third.
  f.spin->SetShowSeconds(true);
  f.spin->clear();
  QTest::keyClicks(f.spin, "10:20:30:");
  EXPECT_EQ(f.spin->text(), "10:20:30");
}

TEST(AdvSpinEdit, EditorDisabledOnlySpins) {
  Form f;
  f.spin->setFocus();
  f.spin->SetEditorEnabled(false);
  f.spin->SetTimeValue(HM(10, 0));
  f.spin->end(false);
  QTest::keyClicks(f.spin, "5");
  QTest::keyClick(f.spin, Qt::Key_Backspace);
  EXPECT_EQ(f.spin->text(), "10:00");
  QTest::keyClick(f.spin, Qt::Key_Up);
  EXPECT_EQ(f.spin->text(), "10:15");
}

TEST(AdvSpinEdit, ReturnMovesTheFocusOnlyWhenReturnIsTab) {
  Form f;
  f.spin->setFocus();
  QTest::keyClick(f.spin, Qt::Key_Return);
  EXPECT_TRUE(f.spin->hasFocus());
  f.spin->SetReturnIsTab(true);
  QTest::keyClick(f.spin, Qt::Key_Return);
  EXPECT_TRUE(f.other->hasFocus());
}

TEST(AdvSpinButton, ButtonsSitAtTheRightEndUpAboveDown) {
  Form f;
  TAdvSpinButton* pair = f.spin->Button();
  const QRect r = pair->geometry();
  EXPECT_GE(r.right(), f.spin->width() - 4);
  EXPECT_LE(r.top(), 2);
  EXPECT_GE(r.bottom(), f.spin->height() - 3);
  EXPECT_LT(pair->UpButton()->geometry().top(), pair->DownButton()->geometry().top());
  f.spin->SetDirection(spHorizontal);
  EXPECT_LT(pair->DownButton()->geometry().left(), pair->UpButton()->geometry().left());
}

TEST(AdvSpinButton, ClickingStepsAndFocusesTheField) {
  Form f;
  f.other->setFocus();
  f.spin->SetTimeValue(HM(10, 0));
  f.spin->setCursorPosition(4);
  TAdvTimerSpeedButton* up = f.spin->Button()->UpButton();
  TAdvTimerSpeedButton* down = f.spin->Button()->DownButton();
  QTest::mouseClick(up, Qt::LeftButton, {}, CentreOf(up));
  EXPECT_TRUE(f.spin->hasFocus());
  EXPECT_EQ(f.spin->text(), "10:15");
  QTest::mouseClick(down, Qt::LeftButton, {}, CentreOf(down));
  QTest::mouseClick(down, Qt::LeftButton, {}, CentreOf(down));
  EXPECT_EQ(f.spin->text(), "09:45");
  EXPECT_EQ(f.spin->cursorPosition(), 4);
}

TEST(AdvSpinButton, HoldingAButtonRepeatsAfterTheInitialPauseThenFaster) {
  Form f;
  f.spin->SetTimeValue(HM(10, 0));
  f.spin->setCursorPosition(4);
  TAdvTimerSpeedButton* up = f.spin->Button()->UpButton();
  QTimer* timer = up->RepeatTimer();

  QTest::mousePress(up, Qt::LeftButton, {}, CentreOf(up));
  EXPECT_EQ(f.spin->text(), "10:15");  // the press steps at once
  ASSERT_TRUE(timer->isActive());
  EXPECT_EQ(timer->interval(), 400);

  // Let the repeat timer run while the button is held.
  QSignalSpy ticks(timer, &QTimer::timeout);
  EXPECT_TRUE(ticks.wait(5000));
  EXPECT_EQ(timer->interval(), 100);
  EXPECT_TRUE(ticks.wait(5000));
  const int steps = 1 + ticks.count();
  const TTime expected = HM(10, 0) + steps * HM(0, 15);
  EXPECT_NEAR(f.spin->TimeValue(), expected, 1e-9);

  QTest::mouseRelease(up, Qt::LeftButton, {}, CentreOf(up));
  EXPECT_FALSE(timer->isActive());
  const QString afterRelease = f.spin->text();
  QTest::qWait(250);
  EXPECT_EQ(f.spin->text(), afterRelease);
}

TEST(AdvSpinEdit, LabelSitsLeftOfTheFieldVerticallyCentred) {
  Form f;
  f.spin->SetLabelCaption("&Desde");
  QLabel* label = f.spin->Label();
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->parentWidget(), &f.window);
  EXPECT_EQ(label->buddy(), f.spin);
  EXPECT_TRUE(label->isVisible());
  auto expectPlaced = [&](int margin) {
    EXPECT_EQ(label->geometry().right() + 1, f.spin->x() - margin);
    EXPECT_EQ(label->y(), f.spin->y() + (f.spin->height() - label->height()) / 2);
  };
  expectPlaced(4);
  f.spin->move(120, 50);
  expectPlaced(4);
  f.spin->SetLabelMargin(10);
  expectPlaced(10);
  f.spin->resize(80, 40);
  expectPlaced(10);
  f.spin->hide();
  EXPECT_FALSE(label->isVisible());
  f.spin->show();
  EXPECT_TRUE(label->isVisible());
  f.spin->setEnabled(false);
  EXPECT_FALSE(label->isEnabled());
}

TEST(AdvSpinEdit, LabelSetBeforeTheFieldHasAParentAppearsWithIt) {
  QWidget window;
  auto* spin = new TAdvSpinEdit;
  spin->SetLabelCaption("Hasta");
  EXPECT_EQ(spin->Label(), nullptr);
  spin->setParent(&window);
  spin->setGeometry(100, 10, 80, 22);
  window.show();
  ASSERT_NE(spin->Label(), nullptr);
  EXPECT_EQ(spin->Label()->text(), "Hasta");
  EXPECT_EQ(spin->Label()->geometry().right() + 1, 96);
  delete spin;  // the label goes with its field
  EXPECT_TRUE(window.findChildren<QLabel*>().isEmpty());
}

TEST(AdvSpinEdit, SwitchingToTheTimeKindShowsTheValueLastWritten) {
  TAdvSpinEdit edit;
  edit.SetTimeValue(HM(7, 45));
  edit.SetSpinType(sptNormal);
  edit.setText("123");
  edit.UpClick();  // only the time kind spins
  EXPECT_EQ(edit.text(), "123");
  edit.SetSpinType(sptTime);
  EXPECT_EQ(edit.text(), "07:45");
}
