// Undo and redo in two copies on one data folder, each reloading on the
// other's notices and on the watched files: every step over the other's
// change asks, none over its own, and the table ends as the answers say.
#include <QTest>

#include "MainWindowFixture.h"
#include "support/Dbfread.h"

namespace {
class MainWindowUndoLiveTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    CrearTablaAgenda(folder);
    SetMailSlotSender({});  // the real transport: loopback only
  }
  void TearDown() override {
    otra.reset();
    MainWindowTest::TearDown();
  }
  void StartBoth() {
    Start();
    otra = std::make_unique<TfrmAgenda>();
    otra->resize(1000, 700);
    otra->show();
    otra->MailSlot->SetMailBox(BuzonDePrueba());
  }
  static QString HoraDe(TfrmAgenda& w, int id) {
    TRBTimeViewItem* it = w.ItemDeID(id);
    return it ? FormatDateTime("hh:nn", it->StartTime()) : QString();
  }
  // A drag of the block of ID 1 in `w`, once `w` shows it at `desde`.
  void Mover(TfrmAgenda& w, const char* desde, int h) {
    ASSERT_TRUE(QTest::qWaitFor([&] { return HoraDe(w, 1) == desde; }, 5000)) << desde;
    now += 3.0 / 86400.0;
    TRBTimeViewItem* it = w.ItemDeID(1);
    it->SetTimes(kDia + dt::EncodeTime(h, 0), kDia + dt::EncodeTime(h + 1, 0));
    w.TimeViewDragged(it, dmEnd);
  }
  void Paso(TfrmAgenda& w, const char* desde, bool deshacer) {
    ASSERT_TRUE(QTest::qWaitFor([&] { return HoraDe(w, 1) == desde; }, 5000)) << desde;
    now += 3.0 / 86400.0;
    (deshacer ? w.acDeshacer : w.acRehacer)->trigger();
  }
  std::string Tabla() const {
    return SalidaDbfread("for r in dbfread.DBF(sys.argv[1], encoding='cp1252'):\n"
                         "  print(int(r['ID']), r['HORA_INI'], r['HORA_FIN'], r['ASUNTO'])",
                         folder + "AGENDA.DBF")
        .toStdString();
  }
  const TDate kDia = D(12, 3, 2004);
  std::unique_ptr<TfrmAgenda> otra;
};
}  // namespace

// A moves, B moves on from there, A undoes over B's move (asked, done), B
// undoes over that (asked, left). Every drag after it stores without a
// question, and each copy's own steps ask nothing when they come back to it
// through its watcher.
TEST_F(MainWindowUndoLiveTest, StepsOverTheOtherCopysChangeAskAndOwnOnesDoNot) {
  AddCita(1, kDia, "10:00", kDia, "11:00", "Reunión");
  StartBoth();
  Mover(*frm, "10:00", 11);
  Mover(*otra, "11:00", 12);
  ASSERT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();

  answer = 0;  // "Deshacer de todos modos"
  Paso(*frm, "12:00", true);
  ASSERT_EQ(messages.size(), 1);
  EXPECT_TRUE(messages.last().contains("ha cambiado")) << messages.last().toStdString();
  EXPECT_EQ(Leer(folder, 1).hi, "10:00");

  answer = 1;  // "Dejarla como está"
  Paso(*otra, "10:00", true);
  ASSERT_EQ(messages.size(), 2);
  EXPECT_EQ(Leer(folder, 1).hi, "10:00");
  EXPECT_FALSE(otra->acDeshacer->isEnabled());

  // A redoes its own move: the record is as A left it, whatever A reloaded.
  QTest::qWait(500);
  Paso(*frm, "10:00", false);
  EXPECT_EQ(messages.size(), 2) << messages.join('|').toStdString();
  EXPECT_EQ(Leer(folder, 1).hi, "11:00");
  Mover(*otra, "11:00", 14);
  Mover(*frm, "14:00", 15);
  EXPECT_EQ(messages.size(), 2) << messages.join('|').toStdString();
  EXPECT_EQ(Tabla(), "1 15:00 16:00 Reunión\n");
}
