// What the user types or drags is never lost and never freezes the window:
// an edit in place is stored before anything replaces it, a refresh waits
// for a drag, change notices queue instead of blocking, and a change that
// changes nothing stores nothing.
#include <QApplication>
#include <QDialog>
#include <QSplitter>
#include <QSplitterHandle>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include "MainWindowFixture.h"
#include "app/NoticeQueue.h"

namespace {
class MainWindowInputTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    CrearTablaAgenda(folder);
  }
  TRBTimeView* tv() const { return frm->TimeView; }
  // Types a subject in place over 09:00-09:30 of the shown day, without Enter.
  void Teclear(const QString& asunto) {
    QApplication::setActiveWindow(frm.get());
    tv()->SetSelectedItem(nullptr);
    tv()->SetTimeSelection(D(12, 3, 2004) + dt::EncodeTime(9, 0), D(12, 3, 2004) + dt::EncodeTime(9, 30));
    tv()->setFocus();
    QTest::keyClick(tv(), asunto[0].toLatin1());
    ASSERT_NE(tv()->Editor(), nullptr);
    QTest::keyClicks(tv()->Editor(), asunto.mid(1));
  }
  // The ID of the record with that subject, 0 when none.
  int IdDe(const QString& asunto) const {
    data::Table t(folder.toStdString(), "AGENDA");
    t.Open();
    for (t.First(); !t.Eof(); t.Next())
      if (QString::fromStdString(t.FieldByName("ASUNTO").AsString()) == asunto)
        return static_cast<int>(t.FieldByName("ID").AsInteger());
    return 0;
  }
  void CambiarFuera(int id, const char* horaIni, const char* horaFin) {
    data::Table t(folder.toStdString(), "AGENDA");
    t.Open();
    t.SetIndexName("ID");
    ASSERT_TRUE(t.FindKey(id));
    t.Edit();
    t.FieldByName("HORA_INI").SetAsString(horaIni);
    t.FieldByName("HORA_FIN").SetAsString(horaFin);
    ASSERT_TRUE(t.Post());
  }
  QString Hora(TDateTime t) const { return FormatDateTime("hh:nn", t); }
};
}  // namespace

// F5, Insert, a refresh, a new appointment, a press in the view or other
// shown days first store the subject typed in place as Enter would, and then
// go on: F5 really refreshes, Insert and Ctrl+N really open the editor.
TEST_F(MainWindowInputTest, ASubjectTypedInPlaceIsStoredBeforeAnythingReplacesIt) {
  AddCita(1, D(12, 3, 2004), "15:00", D(12, 3, 2004), "16:00", "Otra");
  Start();
  int editorOpened = 0;
  editor = [&](data::Table& t) {
    ++editorOpened;
    t.Cancel();
    return false;
  };
  const std::pair<const char*, std::function<void()>> acciones[] = {
      {"F5", [&] {
         CambiarFuera(1, "17:00", "18:00");
         QTest::keyClick(tv()->Editor(), Qt::Key_F5);
         EXPECT_EQ(Hora(frm->ItemDeID(1)->StartTime()), "17:00");  // refreshed
       }},
      {"Insert key", [&] { QTest::keyClick(tv()->Editor(), Qt::Key_Insert); }},
      {"refresh", [&] { frm->tmrRefreshTimer(); }},
      {"Insert", [&] {
         int key = Qt::Key_Insert;
         frm->TimeViewKeyDown(key, Qt::NoModifier);
       }},
      {"Ctrl+N", [&] { QTest::keyClick(tv()->Editor(), Qt::Key_N, Qt::ControlModifier); }},
      {"press in the view",
       [&] { QTest::mousePress(tv(), Qt::LeftButton, {}, tv()->ClientOrigin() + QPoint(200, 900)); }},
      {"week", [&] { frm->acVerSemanaExecute(); }},
      {"today", [&] { frm->acTodayExecute(); }},
  };
  int n = 0;
  for (const auto& [name, accion] : acciones) {
    SCOPED_TRACE(name);
    const QString asunto = QString("Cita %1").arg(++n);
    Teclear(asunto);
    accion();
    QApplication::processEvents();
    EXPECT_EQ(tv()->Editor(), nullptr);
    const int id = IdDe(asunto);
    EXPECT_GT(id, 0);
    TRBTimeViewItem* it = frm->ItemDeID(id);
    ASSERT_NE(it, nullptr);
    EXPECT_EQ(it->Text(), asunto);
    EXPECT_FALSE(it->CreatedOnType());
    QTest::mouseRelease(tv(), Qt::LeftButton, {}, tv()->ClientOrigin() + QPoint(200, 900));
  }
  EXPECT_EQ(editorOpened, 3);  // both Inserts and Ctrl+N went on to the editor

  // Keys the editor uses itself stay there, and their copies with a
  // modifier (Shift+Insert pastes) too.
  Teclear("Sigue");
  QTest::keyClick(tv()->Editor(), Qt::Key_Insert, Qt::ShiftModifier);
  QTest::keyClick(tv()->Editor(), Qt::Key_Left);
  QApplication::processEvents();
  EXPECT_NE(tv()->Editor(), nullptr);
  EXPECT_EQ(IdDe("Sigue"), 0);
  EXPECT_EQ(editorOpened, 3);
}

TEST_F(MainWindowInputTest, ClosingOrFreeingTheWindowWhileTypingStoresTheSubject) {
  Start();
  Teclear("Al cerrar");
  frm->close();
  EXPECT_GT(IdDe("Al cerrar"), 0);
  frm.reset();
  Start();
  Teclear("Al liberar");
  frm.reset();  // no close first: the window is freed with the editor open
  EXPECT_GT(IdDe("Al liberar"), 0);
  EXPECT_TRUE(messages.isEmpty());
}

// The periodic refresh leaves a drag or an edit in place to end; it runs as
// soon as they do. A refresh asked for during a drag waits the same way.
TEST_F(MainWindowInputTest, ARefreshDueDuringADragOrAnEditWaitsForItsEnd) {
  AddCita(1, D(12, 3, 2004), "10:00", D(12, 3, 2004), "11:00", "Reunión");
  AddCita(2, D(12, 3, 2004), "15:00", D(12, 3, 2004), "16:00", "Otra");
  Start();
  Teclear("Escribiendo");
  CambiarFuera(2, "17:00", "18:00");
  frm->tmrRefreshTick();
  ASSERT_NE(tv()->Editor(), nullptr);
  EXPECT_EQ(Hora(frm->ItemDeID(2)->StartTime()), "15:00");
  QTest::keyClick(tv()->Editor(), Qt::Key_Return);
  ASSERT_TRUE(QTest::qWaitFor([&] { return Hora(frm->ItemDeID(2)->StartTime()) == "17:00"; }, 3000));
  EXPECT_GT(IdDe("Escribiendo"), 0);

  TRBTimeViewItem* it = frm->ItemDeID(1);
  const TRect r = tv()->Days(0)->ItemRect(it);
  const QPoint bottom = tv()->ClientOrigin() + QPoint((r.Left + r.Right) / 2, r.Bottom - 1);
  CambiarFuera(2, "19:00", "20:00");
  QTest::mousePress(tv(), Qt::LeftButton, {}, bottom);
  ASSERT_EQ(tv()->Operation(), TRBTimeView::opItemEnd);
  const QPoint later = bottom + QPoint(0, tv()->TimeToY(1, dt::EncodeTime(12, 0)) - tv()->TimeToY(1, dt::EncodeTime(11, 0)));
  QTest::mouseMove(tv(), later);
  frm->tmrRefreshTimer();
  frm->tmrRefreshTick();
  EXPECT_EQ(frm->ItemDeID(1), it);
  EXPECT_EQ(Hora(frm->ItemDeID(2)->StartTime()), "17:00");
  QTest::mouseRelease(tv(), Qt::LeftButton, {}, later);
  EXPECT_EQ(Leer(folder, 1).hf, "12:00");
  ASSERT_TRUE(QTest::qWaitFor([&] { return Hora(frm->ItemDeID(2)->StartTime()) == "19:00"; }, 3000));
}

// Stored changes follow one another without a pause: the first notice goes
// out at once, the next waits in the queue (no blocking wait, no wait
// cursor) until its stamp is three seconds on, as other copies expect.
TEST_F(MainWindowInputTest, NoticesQueueWithoutBlockingAndKeepThreeSecondsBetweenStamps) {
  Start();
  int blockingWaits = 0;
  SetNoticeWait([&](int) { ++blockingWaits; });
  now = D(12, 3, 2004) + dt::EncodeTime(23, 59, 59);
  frm->AvisarCambio(D(12, 3, 2004), D(12, 3, 2004));
  frm->AvisarCambio(D(13, 3, 2004), D(14, 3, 2004));
  frm->AvisarCambio(D(15, 3, 2004), D(15, 3, 2004));
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_EQ(notices[0][3], "20040312235959RFS2004031220040312");
  EXPECT_EQ(frm->Avisos->Waiting(), 2);
  now += 2.9 / 86400;  // 00:00:01.9: not three seconds on yet
  frm->Avisos->SendDue();
  EXPECT_EQ(notices.size(), 1u);
  now += 0.2 / 86400;
  frm->Avisos->SendDue();
  ASSERT_EQ(notices.size(), 2u);
  EXPECT_EQ(notices[1][3], "20040313000002RFS2004031320040314");
  EXPECT_EQ(blockingWaits, 0);

  // What still waits when the window goes is sent then, three seconds on.
  frm.reset();
  ASSERT_EQ(notices.size(), 3u);
  EXPECT_EQ(notices[2][3], "20040313000005RFS2004031520040315");
  EXPECT_EQ(blockingWaits, 1);

  // A path that cannot be opened sends nothing and says nothing, and the
  // next notice still keeps its distance from that one.
  Start();
  int tried = 0;
  SetMailSlotSender([&](const MailSlotDatagram&) { return ++tried, false; });
  frm->AvisarCambio(D(1, 4, 2004), D(1, 4, 2004));
  frm->AvisarCambio(D(2, 4, 2004), D(2, 4, 2004));
  EXPECT_EQ(tried, 1);
  EXPECT_EQ(frm->Avisos->Waiting(), 1);
  EXPECT_TRUE(messages.isEmpty());
  // The one still waiting is tried on the way out, while `tried` lives.
  frm.reset();
  EXPECT_EQ(tried, 2);
}

// The queue's own timer sends a waiting notice when its time comes, with
// the real clock.
TEST(NoticeQueue, TheTimerSendsAWaitingNoticeThreeSecondsOn) {
  QStringList sent;
  NoticeQueue queue([&](const QString& t) { sent << t; });
  queue.Send("RFS1");
  queue.Send("RFS2");
  ASSERT_EQ(sent.size(), 1);
  ASSERT_TRUE(QTest::qWaitFor([&] { return sent.size() == 2; }, 5000));
  const QDateTime a = QDateTime::fromString(sent[0].left(14), "yyyyMMddHHmmss");
  const QDateTime b = QDateTime::fromString(sent[1].left(14), "yyyyMMddHHmmss");
  EXPECT_EQ(a.secsTo(b), 3);
  EXPECT_TRUE(sent[1].endsWith("RFS2"));
}

// The periodic refresh that falls due while a box is open waits for it: the
// block the box asks about is still the one deleted after it.
TEST_F(MainWindowInputTest, ARefreshDueWhileABoxIsOpenWaitsForIt) {
  AddCita(1, D(12, 3, 2004), "10:00", D(12, 3, 2004), "11:00", "Reunión");
  Start();
  tv()->SetSelectedItem(frm->ItemDeID(1));
  SetMessageAnswerer([&](const MessageRequest&) {
    QDialog box(frm.get());
    box.setModal(true);
    box.show();
    frm->tmrRefreshTick();
    return mrYes;
  });
  frm->acDelExecute();
  EXPECT_EQ(frm->ItemDeID(1), nullptr);
  EXPECT_EQ(Leer(folder, 1).id, 0);
  EXPECT_EQ(tv()->Items()->Count(), 0);
}

// A clock set back an hour does not hold the notices back until it catches
// up: they keep three seconds between them on the tick counter, stamped
// with the clock as it is, and at the end the program waits no longer.
TEST(NoticeQueue, AClockSetBackHoldsNoNoticeForLong) {
  TDateTime now = dt::EncodeDate(2004, 3, 12) + dt::EncodeTime(12, 0, 0);
  Clock::SetSource([&] { return now; });
  std::vector<int> waits;
  SetNoticeWait([&](int ms) { waits.push_back(ms); });
  QStringList sent;
  {
    NoticeQueue queue([&](const QString& t) { sent << t; });
    queue.Send("RFS1");
    now -= 1.0 / 24;
    queue.Send("RFS2");
    queue.Send("RFS3");
    EXPECT_EQ(sent.size(), 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return sent.size() == 2; }, 5000));
    EXPECT_EQ(sent[1], "20040312110000RFS2");
  }
  ASSERT_EQ(sent.size(), 3);
  EXPECT_EQ(sent[2], "20040312110003RFS3");  // three seconds on from the one before
  ASSERT_EQ(waits.size(), 1u);
  EXPECT_LE(waits[0], 3000);
  Clock::SetSource({});
  SetNoticeWait({});
}

// A press on an edge released without a move, a move back to where the
// block was, or an edit that keeps the text rewrites nothing and announces
// nothing. An empty text stores nothing: a block typed in place goes, an
// appointment keeps its subject.
TEST_F(MainWindowInputTest, ADragOrEditThatChangesNothingStoresNothing) {
  AddCita(1, D(12, 3, 2004), "10:00", D(12, 3, 2004), "11:00", "Reunión");
  Start();
  TRBTimeViewItem* it = frm->ItemDeID(1);
  ASSERT_NE(it, nullptr);
  const TRect r = tv()->Days(0)->ItemRect(it);
  const QPoint top = tv()->ClientOrigin() + QPoint((r.Left + r.Right) / 2, r.Top + 1);
  QTest::mousePress(tv(), Qt::LeftButton, {}, top);
  ASSERT_EQ(tv()->Operation(), TRBTimeView::opItemStart);
  QTest::mouseRelease(tv(), Qt::LeftButton, {}, top);
  frm->TimeViewDragged(it, dmEnd);
  QString mismo = "Reunión";
  frm->TimeViewEditedItem(it, mismo);
  QString vacio = "  ";
  frm->TimeViewEditedItem(it, vacio);
  EXPECT_EQ(vacio, "Reunión");
  EXPECT_TRUE(notices.empty());
  EXPECT_EQ(Leer(folder, 1).asunto, "Reunión");

  Teclear("x");
  QTest::keyClick(tv()->Editor(), Qt::Key_Backspace);
  QTest::keyClick(tv()->Editor(), Qt::Key_Return);
  QApplication::processEvents();
  EXPECT_TRUE(notices.empty());
  EXPECT_EQ(tv()->Items()->Count(), 1);
  EXPECT_EQ(Leer(folder, 2).id, 0);
}

// The calendar panel narrows again after it was widened: the calendar's
// size of whole months is no minimum for the splitter.
TEST_F(MainWindowInputTest, TheSplitterNarrowsTheCalendarAsWellAsWidensIt) {
  Start();
  const int w = frm->Calendar->MonthWidth();
  QSplitterHandle* handle = frm->splHor->handle(1);
  const auto Arrastrar = [&](int dx) {
    const QPoint c = handle->rect().center();
    // One step: the handle moves with it, and later points are its own.
    QTest::mousePress(handle, Qt::LeftButton, {}, c);
    QTest::mouseMove(handle, c + QPoint(dx, 0));
    QTest::mouseRelease(handle, Qt::LeftButton, {}, handle->rect().center());
    QApplication::processEvents();
  };
  const int antes = frm->Calendar->MonthsInWidth();
  Arrastrar(-2 * w);
  EXPECT_EQ(frm->Calendar->MonthsInWidth(), antes + 2);
  EXPECT_EQ(frm->pnlCalendar->width(), (antes + 2) * w + 4);
  Arrastrar(w);
  EXPECT_EQ(frm->Calendar->MonthsInWidth(), antes + 1);
  EXPECT_EQ(frm->pnlCalendar->width(), (antes + 1) * w + 4);
  Arrastrar(10 * w);
  EXPECT_EQ(frm->Calendar->MonthsInWidth(), 1);
  EXPECT_EQ(frm->pnlCalendar->width(), w + 4);
}
