// In-place editing, creation by typing and the hint window.
#include <QTest>
#include <QLineEdit>
#include <QScrollBar>
#include <QTextEdit>
#include <QVBoxLayout>

#include "TimeViewFixture.h"

namespace {
class EditTest : public TimeViewTest {
 protected:
  void SetUp() override {
    TimeViewTest::SetUp();
    view->resize(640, 1100);
    Settle();
    view->activateWindow();
    view->setFocus();
  }
  QPoint W(int x, int y) const { return view->ClientOrigin() + QPoint(x, y); }
  void TypeIntoView(char c) { QTest::keyClick(view.get(), c); }
};
}  // namespace

TEST_F(EditTest, TypingOverASelectionCreatesAnItemThatEscRemovesAndEnterKeeps) {
  const TDate d = Day0();
  int deletions = 0, created = 0;
  for (bool accept : {false, true}) {
    view->Items()->Clear();
    deletions = created = 0;
    view->OnDeletion = [&](TRBTimeView*, TRBTimeViewItem*) { ++deletions; };
    view->OnCreatedOnType = [&](TRBTimeView*, TRBTimeViewItem* item) {
      EXPECT_TRUE(item->CreatedOnType());
      ++created;
    };
    view->SetTimeSelection(d + HM(10, 0), d + HM(10, 30));
    TypeIntoView('R');
    ASSERT_EQ(view->Items()->Count(), 1);
    TRBTimeViewItem* item = view->Items()->Items(0);
    EXPECT_EQ(created, 1);
    EXPECT_NEAR(item->StartTime(), d + HM(10, 0), 1e-9);
    EXPECT_NEAR(item->EndTime(), d + HM(10, 30), 1e-9);
    EXPECT_EQ(view->TimeSelectionStart(), -1);
    ASSERT_NE(view->Editor(), nullptr);
    EXPECT_EQ(view->Editor()->toPlainText(), "R");
    EXPECT_EQ(view->Editor()->textCursor().position(), 1);
    QTest::keyClick(view->Editor(), accept ? Qt::Key_Return : Qt::Key_Escape);
    QApplication::processEvents();  // the queued end of the edit
    EXPECT_EQ(view->Editor(), nullptr);
    if (accept) {
      ASSERT_EQ(view->Items()->Count(), 1);
      EXPECT_EQ(item->Text(), "R");
      EXPECT_FALSE(item->CreatedOnType());
      EXPECT_EQ(deletions, 0);
    } else {
      EXPECT_EQ(view->Items()->Count(), 0);
      EXPECT_EQ(deletions, 1);
    }
  }
}

TEST_F(EditTest, TypingWithoutSelectionOrWhenRefusedCreatesNothing) {
  TypeIntoView('a');
  EXPECT_EQ(view->Items()->Count(), 0);
  view->SetTimeSelection(Day0() + HM(9, 0), Day0() + HM(9, 30));
  view->OnCreateOnType = [](TRBTimeView*, TDateTime, TDateTime, bool allDay, bool& allow) {
    EXPECT_FALSE(allDay);
    allow = false;
  };
  TypeIntoView('a');
  EXPECT_EQ(view->Items()->Count(), 0);
  view->OnCreateOnType = nullptr;
  view->SetCreateOnType(false);
  TypeIntoView('a');
  EXPECT_EQ(view->Items()->Count(), 0);
  view->SetCreateOnType(true);
  view->SetTimeSelection(-1, -1);
  view->SetAllDaySelection(Day0(), Day0());
  TypeIntoView('F');
  ASSERT_EQ(view->Items()->Count(), 1);
  TRBTimeViewItem* item = view->Items()->Items(0);
  EXPECT_TRUE(item->AllDay());
  EXPECT_EQ(item->EndTime(), Day0() + 1);
  EXPECT_EQ(view->AllDaySelectionStart(), -1);
  ASSERT_NE(view->Editor(), nullptr);
  EXPECT_EQ(view->Editor()->alignment(), Qt::AlignHCenter);
  // Typing with an edit open goes to the editor, not to a new item.
  QTest::keyClick(view->Editor(), 'x');
  EXPECT_EQ(view->Editor()->toPlainText(), "Fx");
  EXPECT_EQ(view->Items()->Count(), 1);
}

TEST_F(EditTest, EditorKeysReachOnKeyPressAndEnterIsDropped) {
  TRBTimeViewItem* item = Add(Day0() + HM(9, 0), Day0() + HM(10, 0), "uno");
  std::vector<QChar> keys;
  view->OnKeyPress = [&](TRBTimeView* sender, QChar& key) {
    EXPECT_EQ(sender, view.get());
    keys.push_back(key);
  };
  ASSERT_TRUE(view->EditItem(item, view->Days(0)));
  QTest::keyClick(view->Editor(), 's');
  QTest::keyClick(view->Editor(), Qt::Key_Return);
  QApplication::processEvents();
  EXPECT_EQ(item->Text(), "unos");
  ASSERT_EQ(keys.size(), 2u);
  EXPECT_EQ(keys[0], QChar('s'));
  EXPECT_TRUE(keys[1].isNull());
}

TEST_F(EditTest, EditedTextPassesThroughOnEditedItemAndRefusalsOpenNothing) {
  TRBTimeViewItem* item = Add(Day0() + HM(9, 0), Day0() + HM(10, 0), "antes");
  view->OnEditedItem = [](TRBTimeView*, TRBTimeViewItem*, QString& text) { text = text.toUpper(); };
  ASSERT_TRUE(view->EditItem(item, view->Days(0)));
  view->Editor()->setPlainText("después");
  item->SetText("fuera");  // a change of the item shows in the editor
  EXPECT_EQ(view->Editor()->toPlainText(), "fuera");
  view->EndEdit(true);
  EXPECT_EQ(item->Text(), "FUERA");

  view->OnEditingItem = [](TRBTimeView*, TRBTimeViewItem*, bool& canEdit) { canEdit = false; };
  EXPECT_FALSE(view->EditItem(item, view->Days(0)));
  EXPECT_EQ(view->Editor(), nullptr);
  view->OnEditingItem = nullptr;
  EXPECT_FALSE(view->EditItem(item, nullptr));
  EXPECT_FALSE(view->EditItem(nullptr, view->Days(0)));
}

TEST_F(EditTest, EditRectIsClippedToTheTimeAreaAndOnlyCustomEditingAsksTheHost) {
  view->resize(640, 480);
  Settle();
  TRBTimeViewItem* tall = Add(Day0() + HM(2, 0), Day0() + HM(22, 0), "largo");
  int asked = 0;
  view->OnGetEditRect = [&](TRBTimeView*, TRBTimeviewDay*, TRBTimeViewItem*, TRect& r) {
    ++asked;
    r.Bottom = r.Top + 30;
  };
  ASSERT_TRUE(view->EditItem(tall, view->Days(0)));
  const QRect g = view->Editor()->geometry();
  const int top = view->CaptionHeight() + view->TopSpaceHeight();
  EXPECT_EQ(g.top(), view->ClientOrigin().y() + top);
  EXPECT_EQ(g.bottom() + 1, view->ClientOrigin().y() + view->ClientHeight());
  EXPECT_EQ(asked, 0);
  view->EndEdit(true);
  view->SetCustomEditing(true);
  ASSERT_TRUE(view->EditItem(tall, view->Days(0)));
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(view->Editor()->height(), 30);
}

TEST_F(EditTest, PressingInTheViewAcceptsTheEditFirst) {
  TRBTimeViewItem* item = Add(Day0() + HM(9, 0), Day0() + HM(10, 0), "a");
  ASSERT_TRUE(view->EditItem(item, view->Days(0)));
  view->Editor()->setPlainText("b");
  std::vector<QString> order;
  view->OnSelectionChanged = [&](TRBTimeView*, TDateTime, TDateTime) { order.push_back(item->Text()); };
  const int x = view->Days(0)->Left() + 40;
  QTest::mousePress(view.get(), Qt::LeftButton, {}, W(x, view->TimeToY(1, HM(15, 0)) + 2));
  EXPECT_EQ(view->Editor(), nullptr);
  EXPECT_EQ(item->Text(), "b");
  ASSERT_FALSE(order.empty());
  EXPECT_EQ(order.front(), "b");  // the edit ended before the selection began
  QTest::mouseRelease(view.get(), Qt::LeftButton, {}, W(x, view->TimeToY(1, HM(15, 0)) + 2));
}

TEST_F(EditTest, DeletingTheEditedItemAcceptsTheEditUnlessCreatedByTyping) {
  TRBTimeViewItem* item = Add(Day0() + HM(9, 0), Day0() + HM(10, 0), "a");
  QString seen;
  view->OnEditedItem = [&](TRBTimeView*, TRBTimeViewItem*, QString& text) { seen = text; };
  ASSERT_TRUE(view->EditItem(item, view->Days(0)));
  view->Editor()->setPlainText("b");
  view->Items()->Delete(item);
  EXPECT_EQ(seen, "b");
  EXPECT_EQ(view->Editor(), nullptr);
  EXPECT_EQ(view->EditingItem(), nullptr);

  // An item created by typing is not accepted by its deletion; the editor goes with it.
  seen.clear();
  view->SetTimeSelection(Day0() + HM(11, 0), Day0() + HM(12, 0));
  TypeIntoView('Z');
  ASSERT_EQ(view->Items()->Count(), 1);
  ASSERT_NE(view->Editor(), nullptr);
  view->Items()->Delete(view->Items()->Items(0));
  EXPECT_TRUE(seen.isEmpty());
  EXPECT_EQ(view->Editor(), nullptr);
  EXPECT_EQ(view->Items()->Count(), 0);
}

TEST_F(EditTest, HintSitsBelowThePointerSizedToItsText) {
  TRBTimeViewHintWindow* hint = view->HintWindow();
  view->SetHintsOptions({hoSelection});
  QString text = "a\nbb\nccc";
  view->OnSelectionHint = [&](TRBTimeView*, TDateTime, TDateTime, QString& h, int& width) {
    EXPECT_EQ(width, 100);
    EXPECT_TRUE(h.isEmpty());
    h = text;
    width = 80;
  };
  const int x = view->Days(0)->Left() + 40;
  const int y = view->TimeToY(1, HM(9, 0)) + 2;
  QTest::mousePress(view.get(), Qt::LeftButton, {}, W(x, y));
  QTest::mouseMove(view.get(), W(x, y + 45));
  ASSERT_TRUE(hint->isVisible());
  EXPECT_EQ(hint->Text(), text);
  const QSize size = hint->MeasureText(text, 80);
  const QFontMetrics fm(hint->font());
  EXPECT_EQ(size.width(), fm.horizontalAdvance("ccc"));
  const QPoint pointer = view->mapToGlobal(W(x, y + 45));
  const QRect g = hint->geometry();
  EXPECT_EQ(g.width(), size.width() + 6);
  EXPECT_EQ(g.height(), size.height() + 2 + 4);
  EXPECT_EQ(g.top(), pointer.y() + 16);
  EXPECT_EQ(g.left(), pointer.x() + (16 - (size.width() + 6)) / 2);
  QTest::mouseRelease(view.get(), Qt::LeftButton, {}, W(x, y + 45));
  EXPECT_FALSE(hint->isVisible());

  text.clear();  // an empty hint still shows, sized for nothing
  QTest::mousePress(view.get(), Qt::LeftButton, {}, W(x, y));
  QTest::mouseMove(view.get(), W(x, y + 45));
  EXPECT_TRUE(hint->isVisible());
  EXPECT_EQ(hint->geometry().size(), QSize(6, 6));
  QTest::mouseRelease(view.get(), Qt::LeftButton, {}, W(x, y + 45));
}

TEST_F(EditTest, DragHintsGetTheValuesAfterTheStep) {
  TRBTimeViewItem* item = Add(Day0() + HM(9, 0), Day0() + HM(10, 0));
  TRBTimeviewDay* day = view->Days(0);
  day->SetWorkingDay(true);
  std::vector<std::pair<double, double>> seen;
  view->OnItemEndDragHint = [&](TRBTimeView*, TRBTimeViewItem* i, TDateTime s, TDateTime e, QString& h, int&) {
    EXPECT_EQ(i, item);
    seen.push_back({s, e});
    h = "fin";
  };
  view->OnBeginWorkDragHint = [&](TRBTimeView*, TTime s, TTime e, TRBTimeviewDay* d, QString& h, int&) {
    EXPECT_EQ(d, day);
    seen.push_back({s, e});
    h = "inicio";
  };
  const int x = day->Left() + 20;
  auto drag = [&](int y0, int y1) {
    QTest::mousePress(view.get(), Qt::LeftButton, {}, W(x, y0));
    QTest::mouseMove(view.get(), W(x, y1));
    const bool shown = view->HintWindow()->isVisible();
    QTest::mouseRelease(view.get(), Qt::LeftButton, {}, W(x, y1));
    return shown;
  };
  EXPECT_FALSE(drag(day->ItemRect(item).Bottom - 1, view->TimeToY(1, HM(11, 0))));  // option not set
  EXPECT_TRUE(seen.empty());
  view->SetHintsOptions({hoItemEndDrag, hoBeginWorkDrag});
  EXPECT_TRUE(drag(day->ItemRect(item).Bottom - 1, view->TimeToY(1, HM(12, 0))));
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_NEAR(seen[0].second, Day0() + HM(12, 0), 1e-9);
  EXPECT_FALSE(view->HintWindow()->isVisible());  // hidden at the release
  const int workX = day->Left() + day->Width() - 12;  // clear of the block
  QTest::mousePress(view.get(), Qt::LeftButton, {}, W(workX, view->TimeToY(1, HM(8, 0))));
  QTest::mouseMove(view.get(), W(workX, view->TimeToY(1, HM(6, 0))));
  EXPECT_EQ(view->HintWindow()->Text(), "inicio");
  QTest::mouseRelease(view.get(), Qt::LeftButton, {}, W(workX, view->TimeToY(1, HM(6, 0))));
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_NEAR(seen[1].first, HM(6, 0), 1e-9);
  EXPECT_NEAR(seen[1].second, HM(17, 30), 1e-9);
}

TEST_F(EditTest, EachWayOfEndingAnEditAcceptsOrCancels) {
  view->resize(640, 480);  // a scroll bar shows
  Settle();
  QScrollBar* bar = view->findChild<QScrollBar*>("VScrollBar");
  ASSERT_NE(bar, nullptr);
  QLineEdit elsewhere;
  elsewhere.show();
  struct Case {
    const char* name;
    std::function<void(TRBTimeViewItem* other)> act;
    bool ended, accepted;
  } cases[] = {
      {"Enter in the editor", [&](TRBTimeViewItem*) { QTest::keyClick(view->Editor(), Qt::Key_Return); }, true, true},
      {"Esc in the editor", [&](TRBTimeViewItem*) { QTest::keyClick(view->Editor(), Qt::Key_Escape); }, true, false},
      {"a press in the view",
       [&](TRBTimeViewItem*) {
         const QPoint p = W(view->Days(0)->Left() + 40, view->TimeToY(1, HM(13, 0)));
         QTest::mousePress(view.get(), Qt::LeftButton, {}, p);
         QTest::mouseRelease(view.get(), Qt::LeftButton, {}, p);
       },
       true, true},
      {"a scroll bar action", [&](TRBTimeViewItem*) { bar->triggerAction(QAbstractSlider::SliderSingleStepAdd); }, true, true},
      {"the host scrolling", [&](TRBTimeViewItem*) { view->SetVScrollPosition(view->VScrollPosition() + 10); }, true, true},
      {"new days", [&](TRBTimeViewItem*) { view->SetDays(2, Day0()); }, true, true},
      {"editing another item", [&](TRBTimeViewItem* other) { view->EditItem(other, view->Days(0)); }, true, true},
      {"the focus going elsewhere", [&](TRBTimeViewItem*) { elsewhere.setFocus(); }, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    view->EndEdit(false);
    view->Items()->Clear();
    view->SetDays(1, Day0());
    view->ScrollToTime(HM(8, 0));
    TRBTimeViewItem* item = Add(Day0() + HM(9, 0), Day0() + HM(10, 0), "a");
    TRBTimeViewItem* other = Add(Day0() + HM(11, 0), Day0() + HM(12, 0), "otro");
    ASSERT_TRUE(view->EditItem(item, view->Days(0)));
    view->Editor()->setPlainText("b");
    c.act(other);
    QApplication::processEvents();  // queued end-edit requests
    EXPECT_EQ(view->EditingItem() != item, c.ended);
    EXPECT_EQ(item->Text(), c.accepted ? "b" : "a");
  }
}

TEST_F(EditTest, TheEditorOverAnAllDayItemTakesItsBlock) {
  TRBTimeViewItem* item = Add(Day0(), Day0() + 1, "fiesta", true);
  ASSERT_TRUE(view->EditItem(item, view->Days(0)));
  const TRect r = view->Days(0)->ItemRect(item);
  ASSERT_FALSE(r.IsEmpty());
  EXPECT_EQ(view->Editor()->geometry(), QRect(view->ClientOrigin() + QPoint(r.Left, r.Top), QSize(r.Width(), r.Height())));
  EXPECT_EQ(view->Editor()->alignment(), Qt::AlignHCenter);
}

TEST_F(EditTest, ControlCharactersCreateNothingAndAllDayCreationIsToldItsDays) {
  std::vector<QChar> keys;
  view->OnKeyPress = [&](TRBTimeView*, QChar& key) { keys.push_back(key); };
  view->SetTimeSelection(Day0() + HM(9, 0), Day0() + HM(9, 30));
  QTest::keyClick(view.get(), Qt::Key_Backspace);
  EXPECT_EQ(view->Items()->Count(), 0);
  EXPECT_EQ(keys, (std::vector<QChar>{QChar(8)}));
  EXPECT_NE(view->TimeSelectionStart(), -1);

  view->SetDays(3, Day0());
  view->SetTimeSelection(-1, -1);
  view->SetAllDaySelection(Day0() + 1, Day0() + 2);
  std::vector<double> told;
  view->OnCreateOnType = [&](TRBTimeView*, TDateTime start, TDateTime end, bool allDay, bool&) {
    told = {start, end, allDay ? 1.0 : 0.0};
  };
  TypeIntoView('V');
  ASSERT_EQ(view->Items()->Count(), 1);
  EXPECT_EQ(told, (std::vector<double>{Day0() + 1, Day0() + 3, 1.0}));  // the days the item takes
  EXPECT_EQ(view->Items()->Items(0)->StartTime(), Day0() + 1);
  EXPECT_EQ(view->Items()->Items(0)->EndTime(), Day0() + 3);
}

namespace {
struct FocusInCounter : QObject {
  int count = 0;
  bool eventFilter(QObject*, QEvent* e) override {
    count += e->type() == QEvent::FocusIn;
    return false;
  }
};
}  // namespace

// The view and its in-place editor are one control to the window.
TEST(TimeViewFocus, EnterAndExitCountTheEditorAsTheView) {
  Clock::SetSource([] { return Day0() + HM(9, 0); });
  QWidget window;
  auto* layout = new QVBoxLayout(&window);
  auto* before = new QLineEdit(&window);
  auto* view = new TRBTimeView(&window);
  layout->addWidget(before);
  layout->addWidget(view);
  view->setMinimumSize(400, 600);
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  before->setFocus();
  QApplication::processEvents();
  std::vector<std::string> log;
  view->OnEnter = [&](TRBTimeView* sender) {
    EXPECT_EQ(sender, view);
    log.push_back("enter");
  };
  view->OnExit = [&](TRBTimeView*) { log.push_back("exit"); };
  TRBTimeViewItem* item = view->Items()->Add("a", false, Day0() + HM(9, 0), Day0() + HM(10, 0));

  view->setFocus();
  EXPECT_EQ(log, (std::vector<std::string>{"enter"}));
  ASSERT_TRUE(view->EditItem(item, view->Days(0)));
  EXPECT_TRUE(view->Editor()->hasFocus());
  FocusInCounter beforeFocused;
  before->installEventFilter(&beforeFocused);
  QTest::keyClick(view->Editor(), Qt::Key_Return);
  QApplication::processEvents();
  before->removeEventFilter(&beforeFocused);
  EXPECT_EQ(view->Editor(), nullptr);
  EXPECT_TRUE(view->hasFocus());
  EXPECT_EQ(beforeFocused.count, 0);  // not even passed on to the next control for a moment
  EXPECT_EQ(log, (std::vector<std::string>{"enter"}));

  ASSERT_TRUE(view->EditItem(item, view->Days(0)));
  before->setFocus();  // the editor stays, the view is left
  EXPECT_NE(view->Editor(), nullptr);
  EXPECT_EQ(log, (std::vector<std::string>{"enter", "exit"}));
  view->Editor()->setFocus();
  EXPECT_EQ(log, (std::vector<std::string>{"enter", "exit", "enter"}));

  // Another window taking the activation leaves the view the focused control.
  QWidget other;
  other.show();
  other.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  EXPECT_EQ(log, (std::vector<std::string>{"enter", "exit", "enter"}));
  view->EndEdit(true);
  Clock::SetSource({});
}

TEST_F(EditTest, EscGoesNoFurtherThanTheEditor) {
  TRBTimeViewItem* item = Add(Day0() + HM(9, 0), Day0() + HM(10, 0), "uno");
  int presses = 0;
  view->OnKeyPress = [&](TRBTimeView*, QChar&) { ++presses; };
  ASSERT_TRUE(view->EditItem(item, view->Days(0)));
  QTest::keyClick(view->Editor(), Qt::Key_Escape);
  QApplication::processEvents();
  EXPECT_EQ(view->Editor(), nullptr);
  EXPECT_EQ(presses, 0);
  EXPECT_EQ(view->Items()->Count(), 1);  // an item not made by typing stays
}

// The editor's own keys never reach the view's key events. A command key
// (F5, Insert) first ends the edit as Enter would, and only then reaches the
// view, with no editor open any more.
TEST_F(EditTest, EditorKeysNeverReachTheViewsKeyEventsAndCommandKeysEndTheEditFirst) {
  TRBTimeViewItem* item = Add(Day0() + HM(9, 0), Day0() + HM(10, 0), "uno");
  std::vector<int> downs, ups;
  std::vector<bool> editing;
  QStringList edited;
  view->OnKeyDown = [&](TRBTimeView*, int& key, Qt::KeyboardModifiers) {
    downs.push_back(key);
    editing.push_back(view->Editor() != nullptr);
  };
  view->OnKeyUp = [&](TRBTimeView*, int& key, Qt::KeyboardModifiers) { ups.push_back(key); };
  view->OnEditedItem = [&](TRBTimeView*, TRBTimeViewItem*, QString& text) { edited << text; };
  ASSERT_TRUE(view->EditItem(item, view->Days(0)));
  QTest::keyClick(view->Editor(), Qt::Key_A);
  QTest::keyClick(view->Editor(), Qt::Key_Left);
  QTest::keyClick(view->Editor(), Qt::Key_Insert, Qt::ControlModifier);  // copies
  QTest::keyClick(view->Editor(), Qt::Key_Return);
  QApplication::processEvents();
  EXPECT_TRUE(downs.empty());
  EXPECT_TRUE(ups.empty());
  EXPECT_EQ(item->Text(), "unoa");

  for (const Qt::Key key : {Qt::Key_F5, Qt::Key_Insert}) {
    SCOPED_TRACE(key);
    downs.clear();
    editing.clear();
    edited.clear();
    ASSERT_TRUE(view->EditItem(item, view->Days(0)));
    QTest::keyClick(view->Editor(), Qt::Key_B);
    QTest::keyClick(view->Editor(), key);
    EXPECT_EQ(edited, QStringList{"unoab"});
    EXPECT_EQ(view->Editor(), nullptr);
    EXPECT_EQ(downs, std::vector<int>{key});
    EXPECT_EQ(editing, std::vector<bool>{false});
    item->SetText("unoa");
  }
}

TEST_F(EditTest, ARefusedEditLeavesTheTypedItemEmptyAndUnconfirmed) {
  view->OnEditingItem = [](TRBTimeView*, TRBTimeViewItem*, bool& canEdit) { canEdit = false; };
  view->SetTimeSelection(Day0() + HM(10, 0), Day0() + HM(10, 30));
  TypeIntoView('R');
  ASSERT_EQ(view->Items()->Count(), 1);
  TRBTimeViewItem* item = view->Items()->Items(0);
  EXPECT_EQ(view->Editor(), nullptr);
  EXPECT_TRUE(item->Text().isEmpty());  // the typed character is dropped
  EXPECT_TRUE(item->CreatedOnType());
}

TEST(TimeViewFocus, TheTabKeyStopsAtTheViewOnlyWithTabStop) {
  Clock::SetSource([] { return Day0() + HM(9, 0); });
  for (bool tabStop : {true, false}) {
    SCOPED_TRACE(tabStop);
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* first = new QLineEdit(&window);
    auto* view = new TRBTimeView(&window);
    auto* last = new QLineEdit(&window);
    for (QWidget* w : {static_cast<QWidget*>(first), static_cast<QWidget*>(view), static_cast<QWidget*>(last)})
      layout->addWidget(w);
    EXPECT_TRUE(view->TabStop());
    view->SetTabStop(tabStop);
    EXPECT_EQ(view->TabStop(), tabStop);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    first->setFocus();
    QTest::keyClick(first, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), tabStop ? static_cast<QWidget*>(view) : static_cast<QWidget*>(last));
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(10, 5));
    EXPECT_EQ(QApplication::focusWidget(), view);
  }
  Clock::SetSource({});
}
