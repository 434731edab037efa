// Two copies on one data folder: what one stores appears in the other, by
// its change notice (real datagrams over loopback) or by the watched files,
// without disturbing what the user is doing there.
#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include <cstdio>

#include "MainWindowFixture.h"
#include "app/UCategoriaClass.h"
#include "support/CategoriaRows.h"
#include "app/VigiaTablas.h"

namespace {
class MainWindowLiveTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    CrearTablaAgenda(folder);
    SetMailSlotSender({});  // the real transport: loopback only, the network is off
  }
  void TearDown() override {
    otra.reset();
    MainWindowTest::TearDown();
  }
  // Both copies, on the mailslot of this test run.
  void StartBoth() {
    Start();
    otra = std::make_unique<TfrmAgenda>();
    otra->resize(1000, 700);
    otra->show();
    otra->MailSlot->SetMailBox(BuzonDePrueba());
    for (TfrmAgenda* w : {frm.get(), otra.get()}) ASSERT_TRUE(w->MailSlot->Active());
  }
  // The next notice of a copy may carry the next stamp at once.
  void TresSegundos() { now += 3.0 / 86400.0; }
  static QString Hora(TDateTime t) { return FormatDateTime("hh:nn", t); }
  static QString HoraDe(TfrmAgenda& w, int id) {
    TRBTimeViewItem* it = w.ItemDeID(id);
    return it ? Hora(it->StartTime()) : QString();
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
  std::unique_ptr<TfrmAgenda> otra;
};
}  // namespace

// With the files taken as known by both, only the notice can tell: one for
// days not shown reloads nothing, one for a shown day reloads the other
// copy, and the sender takes no notice of its own.
TEST_F(MainWindowLiveTest, ANoticeForShownDaysReloadsTheOtherCopyAndNotItsSender) {
  StartBoth();
  AddCita(1, D(12, 3, 2004), "10:00", D(12, 3, 2004), "11:00", "Reunión");
  for (TfrmAgenda* w : {frm.get(), otra.get()}) {
    w->Vigia->SetPollInterval(0);
    w->Vigia->Asumir();
  }
  QTest::qWait(3 * VigiaTablas::kPausaMs);

  frm->AvisarCambio(D(1, 1, 2010), D(2, 1, 2010));
  QTest::qWait(500);
  EXPECT_EQ(otra->ItemDeID(1), nullptr);

  TresSegundos();
  frm->AvisarCambio(D(12, 3, 2004), D(12, 3, 2004));
  ASSERT_TRUE(QTest::qWaitFor([&] { return otra->ItemDeID(1) != nullptr; }, 3000));
  EXPECT_TRUE(otra->TimeView->HasItemsOn(D(12, 3, 2004)));
  QTest::qWait(300);
  EXPECT_EQ(frm->ItemDeID(1), nullptr);
}

// A move and a deletion stored in one copy show in the other; the other
// keeps its selected item and its scroll position across the reloads.
TEST_F(MainWindowLiveTest, StoredChangesAppearInTheOtherCopyKeepingItsSelectionAndScroll) {
  AddCita(1, D(12, 3, 2004), "10:00", D(12, 3, 2004), "11:00", "Reunión");
  AddCita(2, D(12, 3, 2004), "15:00", D(12, 3, 2004), "16:00", "Otra");
  StartBoth();
  otra->TimeView->SetSelectedItem(otra->ItemDeID(2));
  otra->TimeView->SetVScrollPosition(otra->TimeView->VScrollPosition() + 7);
  const int scroll = otra->TimeView->VScrollPosition();

  TRBTimeViewItem* it = frm->ItemDeID(1);
  it->SetEndTime(D(12, 3, 2004) + dt::EncodeTime(13, 0));
  it->SetStartTime(D(12, 3, 2004) + dt::EncodeTime(12, 0));
  frm->GuardarItem(it);
  ASSERT_TRUE(QTest::qWaitFor([&] { return HoraDe(*otra, 1) == "12:00"; }, 3000));
  ASSERT_NE(otra->ItemDeID(2), nullptr);
  EXPECT_EQ(otra->TimeView->SelectedItem(), otra->ItemDeID(2));
  EXPECT_EQ(otra->TimeView->VScrollPosition(), scroll);

  TresSegundos();
  frm->TimeView->SetSelectedItem(frm->ItemDeID(1));
  frm->acDelExecute();
  ASSERT_EQ(Leer(folder, 1).id, 0);
  ASSERT_TRUE(QTest::qWaitFor([&] { return otra->ItemDeID(1) == nullptr; }, 3000));
  EXPECT_EQ(otra->TimeView->SelectedItem(), otra->ItemDeID(2));
}

// Another program writes the table and sends nothing: the watched files
// bring the change in, and the reloads stop once the files are still. A
// change made just before one of the window's own stores is not taken for
// the store's own.
TEST_F(MainWindowLiveTest, AChangeWrittenWithoutANoticeAppearsEvenJustBeforeAnOwnStore) {
  AddCita(6, D(12, 3, 2004), "15:00", D(12, 3, 2004), "16:00", "Segunda");
  Start();
  QSignalSpy recargas(frm->tmrRecarga, &QTimer::timeout);
  AddCita(5, D(12, 3, 2004), "10:00", D(12, 3, 2004), "11:00", "De fuera");
  ASSERT_TRUE(QTest::qWaitFor([&] { return frm->ItemDeID(5) != nullptr; }, 5000));
  EXPECT_GE(recargas.count(), 1);
  QTest::qWait(3 * VigiaTablas::kPausaMs);
  recargas.clear();
  QTest::qWait(VigiaTablas::kPollMs + 300);
  EXPECT_EQ(recargas.count(), 0);

  CambiarFuera(6, "17:00", "18:00");  // no event handled before the store
  TRBTimeViewItem* it = frm->ItemDeID(5);
  it->SetEndTime(D(12, 3, 2004) + dt::EncodeTime(13, 0));
  it->SetStartTime(D(12, 3, 2004) + dt::EncodeTime(12, 0));
  frm->GuardarItem(it);
  ASSERT_EQ(Leer(folder, 5).hi, "12:00");
  ASSERT_TRUE(QTest::qWaitFor([&] { return HoraDe(*frm, 6) == "17:00"; }, VigiaTablas::kPollMs + 1000));
  EXPECT_EQ(HoraDe(*frm, 5), "12:00");
  QTest::qWait(3 * VigiaTablas::kPausaMs);
  recargas.clear();
  QTest::qWait(VigiaTablas::kPollMs + 300);
  EXPECT_EQ(recargas.count(), 0);
}

// A category stored by another program: the category list is read again and
// the blocks of that category take its colour.
TEST_F(MainWindowLiveTest, ACategoryStoredElsewhereRecoloursItsBlocks) {
  AddCitaEn(folder, 1, D(12, 3, 2004), "10:00", D(12, 3, 2004), "11:00", "Reunión", 1, 7);
  Start();
  ASSERT_NE(frm->ItemDeID(1), nullptr);
  const TColor rojo = RGBColor(200, 0, 0);
  ASSERT_NE(frm->ItemDeID(1)->Color(), rojo);
  ASSERT_TRUE(StoreCategoria(folder, 7, "Trabajo", static_cast<int>(rojo)));
  ASSERT_TRUE(QTest::qWaitFor([&] { return frm->ItemDeID(1)->Color() == rojo; }, 5000));
  EXPECT_EQ(ColorCategoria(7), rojo);
}

// Tables copied in over the open ones (by rename, as a copy tool or another
// copy's rebuild puts them): the window reads the new files, and its next
// store goes into them rather than failing on the old ones.
TEST_F(MainWindowLiveTest, TablesCopiedInOverTheOpenOnesAreReadAndWrittenAfterwards) {
  AddCita(1, D(12, 3, 2004), "10:00", D(12, 3, 2004), "11:00", "Reunión");
  QTemporaryDir otra;
  ASSERT_TRUE(otra.isValid());
  const QString otraCarpeta = otra.path() + "/";
  CrearTablaAgenda(otraCarpeta);
  AddCitaEn(otraCarpeta, 1, D(12, 3, 2004), "16:00", D(12, 3, 2004), "17:00", "Reunión");
  AddCitaEn(otraCarpeta, 9, D(12, 3, 2004), "18:00", D(12, 3, 2004), "19:00", "Copiada");
  Start();
  ASSERT_NE(frm->ItemDeID(1), nullptr);
  for (const char* f : {"AGENDA.DBF", "AGENDA.DBT", "AGENDA.MDX"})
    ASSERT_EQ(std::rename((otraCarpeta + f).toLocal8Bit().constData(), (folder + f).toLocal8Bit().constData()), 0)
        << f;
  ASSERT_TRUE(QTest::qWaitFor([&] { return frm->ItemDeID(9) != nullptr; }, 5000));
  EXPECT_EQ(HoraDe(*frm, 1), "16:00");

  TRBTimeViewItem* it = frm->ItemDeID(9);
  it->SetStartTime(D(12, 3, 2004) + dt::EncodeTime(8, 0));
  frm->GuardarItem(it);
  EXPECT_TRUE(messages.isEmpty()) << messages.join(" | ").toStdString();
  EXPECT_EQ(Leer(folder, 9).hi, "08:00");
}

// The table's files gone for a while (deleted, a share away) and then back:
// the window keeps the open ones meanwhile, without a message, and reads
// what is stored once they are back.
TEST_F(MainWindowLiveTest, TablesGoneForAWhileLeaveTheWindowReadingThemWhenBack) {
  AddCita(1, D(12, 3, 2004), "10:00", D(12, 3, 2004), "11:00", "Reunión");
  Start();
  QSignalSpy recargas(frm->tmrRecarga, &QTimer::timeout);
  QTemporaryDir aparte;
  ASSERT_TRUE(aparte.isValid());
  const QStringList ficheros{"AGENDA.DBF", "AGENDA.DBT", "AGENDA.MDX"};
  const auto mover = [](const QString& de, const QString& a, const QStringList& fs) {
    for (const QString& f : fs)
      ASSERT_EQ(std::rename((de + f).toLocal8Bit().constData(), (a + f).toLocal8Bit().constData()), 0)
          << f.toStdString();
  };
  mover(folder, aparte.path() + "/", ficheros);
  ASSERT_TRUE(QTest::qWaitFor([&] { return recargas.count() > 0; }, VigiaTablas::kPollMs + 1000));
  QTest::qWait(3 * VigiaTablas::kPausaMs);
  EXPECT_TRUE(messages.isEmpty()) << messages.join(" | ").toStdString();
  EXPECT_NE(frm->ItemDeID(1), nullptr);

  mover(aparte.path() + "/", folder, ficheros);
  QTest::qWait(3 * VigiaTablas::kPausaMs);
  CambiarFuera(1, "16:00", "17:00");
  ASSERT_TRUE(QTest::qWaitFor([&] { return HoraDe(*frm, 1) == "16:00"; }, VigiaTablas::kPollMs + 1000));
  EXPECT_TRUE(messages.isEmpty()) << messages.join(" | ").toStdString();
}

// Typing in place and dragging go on undisturbed while other copies store;
// the reload comes once they end, and what was typed or dragged is stored.
TEST_F(MainWindowLiveTest, AnEditOrADragInProgressIsNotDisturbedAndTheReloadFollowsItsEnd) {
  AddCita(1, D(12, 3, 2004), "10:00", D(12, 3, 2004), "11:00", "Reunión");
  AddCita(2, D(12, 3, 2004), "15:00", D(12, 3, 2004), "16:00", "Otra");
  Start();
  TRBTimeView* tv = frm->TimeView;
  QApplication::setActiveWindow(frm.get());
  tv->SetSelectedItem(nullptr);
  tv->SetTimeSelection(D(12, 3, 2004) + dt::EncodeTime(9, 0), D(12, 3, 2004) + dt::EncodeTime(9, 30));
  tv->setFocus();
  QTest::keyClick(tv, 'E');
  ASSERT_NE(tv->Editor(), nullptr);
  QTest::keyClicks(tv->Editor(), "scribiendo");

  CambiarFuera(2, "17:00", "18:00");
  QTest::qWait(3 * VigiaTablas::kPausaMs + 300);
  ASSERT_NE(tv->Editor(), nullptr);
  QTest::keyClicks(tv->Editor(), " luego");
  EXPECT_EQ(HoraDe(*frm, 2), "15:00");
  QTest::keyClick(tv->Editor(), Qt::Key_Return);
  ASSERT_TRUE(QTest::qWaitFor([&] { return HoraDe(*frm, 2) == "17:00"; }, 3000));
  bool guardado = false;
  {
    data::Table t(folder.toStdString(), "AGENDA");
    t.Open();
    for (t.First(); !t.Eof(); t.Next()) guardado |= t.FieldByName("ASUNTO").AsString() == "Escribiendo luego";
  }
  EXPECT_TRUE(guardado);

  TRBTimeViewItem* it = frm->ItemDeID(1);
  const TRect r = tv->Days(0)->ItemRect(it);
  const QPoint bottom = tv->ClientOrigin() + QPoint((r.Left + r.Right) / 2, r.Bottom - 1);
  QTest::mousePress(tv, Qt::LeftButton, {}, bottom);
  ASSERT_EQ(tv->Operation(), TRBTimeView::opItemEnd);
  const QPoint later = bottom + QPoint(0, tv->TimeToY(1, dt::EncodeTime(12, 0)) - tv->TimeToY(1, dt::EncodeTime(11, 0)));
  QTest::mouseMove(tv, later);
  CambiarFuera(2, "19:00", "20:00");
  QTest::qWait(3 * VigiaTablas::kPausaMs + 300);
  EXPECT_EQ(frm->ItemDeID(1), it);
  EXPECT_EQ(tv->Operation(), TRBTimeView::opItemEnd);
  EXPECT_EQ(HoraDe(*frm, 2), "17:00");
  QTest::mouseRelease(tv, Qt::LeftButton, {}, later);
  EXPECT_EQ(Leer(folder, 1).hf, "12:00");
  ASSERT_TRUE(QTest::qWaitFor([&] { return HoraDe(*frm, 2) == "19:00"; }, 3000));
}

// The setting of config.ini switches the notices' network reach on; the
// datagrams are caught here, so nothing leaves this computer.
TEST_F(MainWindowLiveTest, TheNetworkSettingReachesTheTransport) {
  std::vector<MailSlotDatagram> enviados;
  SetMailSlotSender([&](const MailSlotDatagram& d) {
    enviados.push_back(d);
    return true;
  });
  for (const bool red : {false, true}) {
    SCOPED_TRACE(red);
    enviados.clear();
    Start(red ? "NotifyNetwork=1\n" : "NotifyNetwork=0\n");
    EXPECT_TRUE(frm->MailSlot->Active());
    EXPECT_EQ(frm->MailSlot->ReachNetwork(), red);
    frm->AvisarCambio(D(12, 3, 2004), D(12, 3, 2004));
    ASSERT_EQ(enviados.size(), 1u);
    EXPECT_EQ(enviados[0].network, red);
    frm.reset();
  }
}
