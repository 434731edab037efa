#include <QApplication>
#include <QDrag>
#include <QDropEvent>
#include <QMimeData>
#include <QTest>
#include <QTextEdit>

#include "MainWindowFixture.h"
#include "core/DateFormat.h"
#include "support/Dbfread.h"

namespace {
QString Fmt(TDateTime v) { return FormatDateTime("dd/mm/yyyy hh:nn", v); }

}  // namespace

TEST_F(MainWindowTest, NewWithoutSelectionOpensTheEditorOnTheNextHalfHourFromNow) {
  Start();
  frm->TimeView->SetTimeSelection(-1, -1);
  QString seen;
  editor = [&](data::Table& t) {
    seen = FormatDateTime("dd/mm/yyyy ", t.FieldByName("FECHA_INI").AsDate()) +
           QString::fromStdString(t.FieldByName("HORA_INI").AsString() + "-" + t.FieldByName("HORA_FIN").AsString());
    EXPECT_EQ(t.FieldByName("AVISO").AsInteger(), 1);
    t.FieldByName("ASUNTO").SetAsString("Llamar");
    return t.Post();
  };
  frm->acNewExecute();
  EXPECT_EQ(seen, "12/03/2004 10:07-10:37");
  TRBTimeViewItem* it = frm->ItemDeID(1);
  ASSERT_NE(it, nullptr);
  EXPECT_EQ(it->Text(), "Llamar");
  EXPECT_TRUE(frm->TimeView->HasItemsOn(dt::EncodeDate(2004, 3, 12)));
  ASSERT_EQ(notices.size(), 1u);
  ASSERT_GE(notices[0].size(), 4);
  EXPECT_EQ(notices[0][0], "Message");
  EXPECT_EQ(notices[0][3], "20040312100700RFS2004031220040312");
}

TEST_F(MainWindowTest, CancelledNewStoresNothing) {
  Start();
  editor = [](data::Table& t) {
    t.Cancel();
    return false;
  };
  frm->acNewExecute();
  EXPECT_EQ(frm->TimeView->Items()->Count(), 0);
  EXPECT_TRUE(frm->tblAgenda->IsEmpty());
  EXPECT_TRUE(notices.empty());
}

TEST_F(MainWindowTest, MovingABlockStoresItsNewDayTimesAndReminder) {
  CrearTablaAgenda(folder);
  AddCita(4, D(12, 3, 2004), "10:00", D(12, 3, 2004), "11:00", "Reunión", 5);
  Start();
  TRBTimeViewItem* it = frm->ItemDeID(4);
  ASSERT_NE(it, nullptr);
  it->SetTimes(D(13, 3, 2004) + dt::EncodeTime(12, 0), D(13, 3, 2004) + dt::EncodeTime(13, 0));
  frm->TimeViewDragged(it, dmDrag);
  EXPECT_EQ(Leer(folder, 4).hi, "10:00");  // only the end of a drag is stored
  frm->TimeViewDragged(it, dmEnd);
  const Registro r = Leer(folder, 4);
  EXPECT_EQ(r.fi, "13/03/2004");
  EXPECT_EQ(r.ff, "13/03/2004");
  EXPECT_EQ(r.hi, "12:00");
  EXPECT_EQ(r.hf, "13:00");
  EXPECT_EQ(r.faviso, "13/03/2004");
  EXPECT_EQ(r.haviso, "11:00");  // one hour before
  EXPECT_EQ(r.asunto, "Reunión");
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_TRUE(notices[0][3].endsWith("RFS2004031320040313"));
}

TEST_F(MainWindowTest, ABlockDroppedAboveTheFirstRowStaysTimedAndIsStoredAsDrawn) {
  CrearTablaAgenda(folder);
  AddCita(4, D(12, 3, 2004), "10:00", D(12, 3, 2004), "11:00", "Reunión");
  Start();
  TRBTimeView* view = frm->TimeView;
  TRBTimeViewItem* it = frm->ItemDeID(4);
  ASSERT_NE(it, nullptr);
  QApplication::processEvents();
  const TRect r = view->Days(0)->ItemRect(it);
  const QPoint o = view->ClientOrigin(), press((r.Left + r.Right) / 2, r.Top + 8);
  const QPoint above(press.x(), view->CaptionHeight() / 2);  // overshooting the time area
  TRBTimeView::DragExecHook = [&](QDrag* drag) {
    QDragEnterEvent enter(o + press, Qt::MoveAction, drag->mimeData(), Qt::LeftButton, {});
    QApplication::sendEvent(view, &enter);
    QDragMoveEvent move(o + above, Qt::MoveAction, drag->mimeData(), Qt::LeftButton, {});
    QApplication::sendEvent(view, &move);
    QDropEvent drop(QPointF(o + above), Qt::MoveAction, drag->mimeData(), Qt::LeftButton, {});
    QApplication::sendEvent(view, &drop);
    return Qt::MoveAction;
  };
  QTest::mousePress(view, Qt::LeftButton, {}, o + press);
  QTest::mouseMove(view, o + press + QPoint(0, QApplication::startDragDistance() + 4));
  TRBTimeView::DragExecHook = nullptr;
  EXPECT_FALSE(it->AllDay());
  EXPECT_LT(it->StartTime(), D(12, 3, 2004) + dt::EncodeTime(10, 0));
  const Registro stored = Leer(folder, 4);
  EXPECT_EQ(stored.fi, "12/03/2004");
  EXPECT_EQ(stored.hi, FormatDateTime("hh:nn", it->StartTime()));
  EXPECT_EQ(stored.hf, FormatDateTime("hh:nn", it->EndTime()));

  // A block drawn all-day is drawn with its hours again when its day reloads.
  it->SetAllDay(true);
  frm->CargarCitas(D(12, 3, 2004), D(12, 3, 2004));
  EXPECT_EQ(frm->ItemDeID(4), it);
  EXPECT_FALSE(it->AllDay());
}

TEST_F(MainWindowTest, TypingInPlaceStoresANewAppointment) {
  CrearTablaAgenda(folder);
  AddCita(57, D(1, 1, 2004), "10:00", D(1, 1, 2004), "11:00", "Antigua");
  Start();
  TRBTimeViewItem* it = frm->TimeView->Items()->Add(QString(), false, D(12, 3, 2004) + dt::EncodeTime(9, 0),
                                                    D(12, 3, 2004) + dt::EncodeTime(9, 30));
  frm->TimeViewCreatedOnType(it);
  EXPECT_EQ(it->ItemID(), -1);
  EXPECT_TRUE(it->Reminder());
  QString text = "Comprar pan";
  frm->TimeViewEditedItem(it, text);
  EXPECT_EQ(it->ItemID(), 58);
  const Registro r = Leer(folder, 58);
  EXPECT_EQ(r.asunto, "Comprar pan");
  EXPECT_EQ(r.hi, "09:00");
  EXPECT_EQ(r.hf, "09:30");
  EXPECT_EQ(r.aviso, 1);
  EXPECT_EQ(r.tipo, 0);
  EXPECT_EQ(r.haviso, "08:55");
}

TEST_F(MainWindowTest, DeletingAsksOnceAndAnnouncesTheDeletedDays) {
  CrearTablaAgenda(folder);
  AddCita(3, D(12, 3, 2004), "10:00", D(13, 3, 2004), "11:00", "Viaje");
  Start();
  frm->TimeView->SetSelectedItem(frm->ItemDeID(3));
  answer = mrNo;
  frm->acDelExecute();
  EXPECT_EQ(messages, QStringList{"¿Eliminar cita seleccionada?"});
  EXPECT_EQ(Leer(folder, 3).id, 3);
  answer = mrYes;
  frm->acDelExecute();
  EXPECT_EQ(messages.size(), 2);
  EXPECT_EQ(Leer(folder, 3).id, 0);
  EXPECT_EQ(frm->ItemDeID(3), nullptr);
  EXPECT_FALSE(frm->TimeView->HasItemsOn(D(12, 3, 2004)));
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_TRUE(notices[0][3].endsWith("RFS2004031220040313"));
}

TEST_F(MainWindowTest, EditingASelectedItemUpdatesItFromTheRecord) {
  CrearTablaAgenda(folder);
  AddCita(9, D(12, 3, 2004), "10:00", D(12, 3, 2004), "11:00", "Antes", 0);
  Start();
  frm->TimeView->SetSelectedItem(frm->ItemDeID(9));
  editor = [](data::Table& t) {
    EXPECT_EQ(t.FieldByName("ID").AsInteger(), 9);
    t.Edit();
    t.FieldByName("ASUNTO").SetAsString("Después");
    t.FieldByName("AVISO").SetAsInteger(3);
    t.FieldByName("HORA_FIN").SetAsString("12:15");
    return t.Post();
  };
  frm->acEditExecute();
  TRBTimeViewItem* it = frm->ItemDeID(9);
  EXPECT_EQ(it->Text(), "Después");
  EXPECT_TRUE(it->Reminder());
  EXPECT_EQ(Fmt(it->EndTime()), "12/03/2004 12:15");
}

TEST_F(MainWindowTest, KeysOfTheTimeViewRunTheirCommands) {
  Start();
  int calls = 0;
  editor = [&](data::Table& t) {
    ++calls;
    t.Cancel();
    return false;
  };
  for (int key : {int(Qt::Key_Return), int(Qt::Key_Insert)}) {
    int k = key;
    frm->TimeViewKeyDown(k, Qt::NoModifier);
    EXPECT_EQ(k, 0);
  }
  EXPECT_EQ(calls, 2);
  int other = Qt::Key_A;
  frm->TimeViewKeyDown(other, Qt::NoModifier);
  EXPECT_EQ(other, Qt::Key_A);
}

TEST_F(MainWindowTest, NewWithAnItemSelectedTakesItsTimes) {
  CrearTablaAgenda(folder);
  AddCita(2, D(12, 3, 2004), "16:15", D(13, 3, 2004), "09:45", "Viaje");
  Start();
  frm->TimeView->SetSelectedItem(frm->ItemDeID(2));
  QString seen;
  editor = [&](data::Table& t) {
    seen = FormatDateTime("dd/mm/yyyy ", t.FieldByName("FECHA_INI").AsDate()) +
           QString::fromStdString(t.FieldByName("HORA_INI").AsString()) +
           FormatDateTime(" dd/mm/yyyy ", t.FieldByName("FECHA_FIN").AsDate()) +
           QString::fromStdString(t.FieldByName("HORA_FIN").AsString());
    t.FieldByName("ASUNTO").SetAsString("Vuelta");
    return t.Post();
  };
  frm->acNewExecute();
  EXPECT_EQ(seen, "12/03/2004 16:15 13/03/2004 09:45");
  TRBTimeViewItem* it = frm->ItemDeID(3);
  ASSERT_NE(it, nullptr);
  EXPECT_EQ(Fmt(it->StartTime()), "12/03/2004 16:15");
  EXPECT_EQ(Fmt(it->EndTime()), "13/03/2004 09:45");
  EXPECT_EQ(Leer(folder, 3).asunto, "Vuelta");
}

TEST_F(MainWindowTest, DeleteKeyAsksOnceAndAGoneRecordOnlyLosesItsBlock) {
  CrearTablaAgenda(folder);
  AddCita(3, D(12, 3, 2004), "10:00", D(12, 3, 2004), "11:00", "Borrada en otro puesto");
  AddCita(4, D(15, 3, 2004), "10:00", D(16, 3, 2004), "11:00", "Congreso");
  Start();
  QApplication::setActiveWindow(frm.get());
  frm->TimeView->setFocus();
  {
    data::Table t(folder.toStdString(), "AGENDA");
    t.Open();
    t.SetIndexName("ID");
    ASSERT_TRUE(t.FindKey(3));
    t.Delete();
  }
  frm->TimeView->SetSelectedItem(frm->ItemDeID(3));
  QTest::keyClick(frm->TimeView, Qt::Key_Delete);
  EXPECT_EQ(messages, QStringList{"¿Eliminar cita seleccionada?"});
  EXPECT_EQ(frm->ItemDeID(3), nullptr);
  EXPECT_TRUE(notices.empty());  // the copy that deleted it has announced it

  frm->TimeView->SetSelectedItem(frm->ItemDeID(4));
  QTest::keyClick(frm->TimeView, Qt::Key_Delete);
  EXPECT_EQ(messages.size(), 2);
  EXPECT_EQ(Leer(folder, 4).id, 0);
  EXPECT_EQ(frm->ItemDeID(4), nullptr);
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_TRUE(notices[0][3].endsWith("RFS2004031520040316"));
}

// An in-place edit still open when the dialog opens is stored first, and its
// editor cannot overwrite the dialog's result later; in-place edits after
// the dialog are stored as ever.
TEST_F(MainWindowTest, InPlaceEditsAndTheDialogNeverOverwriteEachOther) {
  CrearTablaAgenda(folder);
  AddCita(9, D(12, 3, 2004), "10:00", D(12, 3, 2004), "11:00", "Antes");
  Start();
  QApplication::setActiveWindow(frm.get());
  TRBTimeView* tv = frm->TimeView;
  TRBTimeViewItem* it = frm->ItemDeID(9);
  tv->SetSelectedItem(it);
  ASSERT_TRUE(tv->EditItem(it, tv->DayOfDate(D(12, 3, 2004))));
  QTest::keyClicks(tv->Editor(), " y tecleado");
  QString atOpening;
  editor = [&](data::Table& t) {
    atOpening = QString::fromStdString(t.FieldByName("ASUNTO").AsString());
    t.Edit();
    t.FieldByName("ASUNTO").SetAsString("Del diálogo");
    return t.Post();
  };
  // Enter queues the end of the in-place edit; F2 (the window's shortcut)
  // opens the dialog before that end is delivered.
  QTest::keyClick(tv->Editor(), Qt::Key_Return);
  QTest::keyClick(tv->Editor(), Qt::Key_F2);
  QApplication::processEvents();
  QApplication::processEvents();
  EXPECT_EQ(atOpening, "Antes y tecleado");
  EXPECT_EQ(Leer(folder, 9).asunto, "Del diálogo");
  EXPECT_EQ(it->Text(), "Del diálogo");

  // Typing over a time selection afterwards still stores a new appointment.
  tv->SetSelectedItem(nullptr);
  tv->SetTimeSelection(D(12, 3, 2004) + dt::EncodeTime(9, 0), D(12, 3, 2004) + dt::EncodeTime(9, 30));
  tv->setFocus();
  QTest::keyClick(tv, 'P');  // opens the in-place editor, which takes the rest
  ASSERT_NE(tv->Editor(), nullptr);
  QTest::keyClicks(tv->Editor(), "an");
  QTest::keyClick(tv->Editor(), Qt::Key_Return);
  QApplication::processEvents();
  QApplication::processEvents();
  const Registro r = Leer(folder, 10);
  EXPECT_EQ(r.asunto, "Pan");
  EXPECT_EQ(r.hi, "09:00");
  EXPECT_EQ(r.hf, "09:30");
  EXPECT_EQ(r.aviso, 1);
  EXPECT_EQ(r.tipo, 0);
  ASSERT_NE(frm->ItemDeID(10), nullptr);

  // The same record as another reader of dBase files sees it.
  if (!HasPython3Dbfread()) GTEST_SKIP() << "python3-dbfread missing";
  EXPECT_EQ(SalidaDbfread("for r in dbfread.DBF(sys.argv[1], encoding='cp1252'):\n"
                          "  print(int(r['ID']), r['FECHA_INI'], r['HORA_INI'], r['HORA_FIN'], r['ASUNTO'],"
                          " int(r['AVISO']), int(r['TIPO']), r['F_AVISO'], r['H_AVISO'])",
                          folder + "AGENDA.DBF")
                .trimmed(),
            "9 2004-03-12 10:00 11:00 Del diálogo 1 0 2004-03-12 09:55\n"
            "10 2004-03-12 09:00 09:30 Pan 1 0 2004-03-12 08:55");
}

TEST_F(MainWindowTest, SearchGoesToTheChosenAppointmentAndAnEmptyChoiceNowhere) {
  CrearTablaAgenda(folder);
  AddCita(7, D(20, 5, 2004), "18:00", D(20, 5, 2004), "19:00", "Concierto");
  Start();
  TDate fecha = -1;
  int id = -1;
  frm->FindCitaFn = [&](TDate& d, int& n) {
    d = fecha;
    n = id;
    return true;
  };
  frm->acFindExecute();  // OK without a choice
  EXPECT_DOUBLE_EQ(frm->Calendar->SelectionStart(), D(12, 3, 2004));
  EXPECT_EQ(frm->TimeView->SelectedItem(), nullptr);
  fecha = D(20, 5, 2004);
  id = 7;
  frm->acFindExecute();
  EXPECT_DOUBLE_EQ(frm->Calendar->SelectionStart(), D(20, 5, 2004));
  EXPECT_EQ(frm->Calendar->SelectionCount(), 1);
  ASSERT_NE(frm->TimeView->SelectedItem(), nullptr);
  EXPECT_EQ(frm->TimeView->SelectedItem()->ItemID(), 7);
  EXPECT_EQ(frm->TimeView->SelectedItem()->Text(), "Concierto");
}
