// Stores of this window over an appointment another copy changed or deleted
// since this window read it: the window asks, and each answer does what it
// says, in the table (read by dbfread) and in the view. The other copy is a
// table handle of its own on the same folder.
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>

#include "ConflictoTestSupport.h"
#include "MainWindowFixture.h"
#include "dialogs/ConfigTestSupport.h"
#include "dialogs/UEditCita.h"
#include "support/Dbfread.h"

namespace {
enum class Accion { Arrastre, Tecleo, Editor };

struct Caso {
  Accion accion;
  Ajeno ajeno;
  int eleccion;  // the button taken in the question
  const char* tabla;
  const char* vista;
};

// The choices are in the order of the questions: Suya 0, Mía 1, Ambas 2;
// for a deleted record GuardarDeNuevo 0, Descartar 1; -1 closes the box.
const Caso kCasos[] = {
    {Accion::Arrastre, Ajeno::Nada, -1, "4 12:00-13:00 Reunión|", "4 12:00-13:00 Reunión"},
    {Accion::Arrastre, Ajeno::Lugar, 0, "4 10:00-11:00 Reunión|Sala 2", "4 10:00-11:00 Reunión"},
    {Accion::Arrastre, Ajeno::Lugar, 1, "4 12:00-13:00 Reunión|", "4 12:00-13:00 Reunión"},
    {Accion::Arrastre, Ajeno::Asunto, 2, "4 10:00-11:00 Otra|\n5 12:00-13:00 Reunión|",
     "4 10:00-11:00 Otra\n5 12:00-13:00 Reunión"},
    {Accion::Arrastre, Ajeno::Borrado, 0, "4 12:00-13:00 Reunión|", "4 12:00-13:00 Reunión"},
    {Accion::Arrastre, Ajeno::Borrado, 1, "", ""},
    // A question closed without a choice loses neither version.
    {Accion::Arrastre, Ajeno::Lugar, -1, "4 10:00-11:00 Reunión|Sala 2\n5 12:00-13:00 Reunión|",
     "4 10:00-11:00 Reunión\n5 12:00-13:00 Reunión"},
    {Accion::Arrastre, Ajeno::Borrado, -1, "4 12:00-13:00 Reunión|", "4 12:00-13:00 Reunión"},
    // The appointment now holding the ID is another one: never stored over.
    {Accion::Arrastre, Ajeno::Reusado, 0, "4 16:00-17:00 Dentista|\n5 12:00-13:00 Reunión|",
     "4 16:00-17:00 Dentista\n5 12:00-13:00 Reunión"},
    {Accion::Tecleo, Ajeno::Nada, -1, "4 10:00-11:00 Comida|", "4 10:00-11:00 Comida"},
    {Accion::Tecleo, Ajeno::Asunto, 0, "4 10:00-11:00 Otra|", "4 10:00-11:00 Otra"},
    {Accion::Tecleo, Ajeno::Asunto, 1, "4 10:00-11:00 Comida|", "4 10:00-11:00 Comida"},
    {Accion::Tecleo, Ajeno::Lugar, 2, "4 10:00-11:00 Reunión|Sala 2\n5 10:00-11:00 Comida|",
     "4 10:00-11:00 Reunión\n5 10:00-11:00 Comida"},
    {Accion::Tecleo, Ajeno::Borrado, 0, "4 10:00-11:00 Comida|", "4 10:00-11:00 Comida"},
    {Accion::Tecleo, Ajeno::Borrado, 1, "", ""},
    {Accion::Tecleo, Ajeno::Reusado, 1, "4 16:00-17:00 Dentista|", "4 16:00-17:00 Dentista"},
    {Accion::Editor, Ajeno::Nada, -1, "4 10:00-11:30 Del diálogo|", "4 10:00-11:30 Del diálogo"},
    {Accion::Editor, Ajeno::Asunto, 0, "4 10:00-11:00 Otra|", "4 10:00-11:00 Otra"},
    // The editor used here writes only two fields over the record it finds.
    {Accion::Editor, Ajeno::Lugar, 1, "4 10:00-11:30 Del diálogo|Sala 2", "4 10:00-11:30 Del diálogo"},
    {Accion::Editor, Ajeno::Asunto, 2, "4 10:00-11:00 Otra|\n5 10:00-11:30 Del diálogo|",
     "4 10:00-11:00 Otra\n5 10:00-11:30 Del diálogo"},
};
}  // namespace

// A drag, an in-place edit or the editor storing over appointment 4 after
// another copy changed it (the editor: while the dialog was open), deleted
// it, or left it alone. Only a real change elsewhere asks, one question;
// the view then shows what the table holds, and a notice goes out only when
// this window stored something.
TEST_F(MainWindowTest, AStoreOverAChangedOrDeletedAppointmentAsksAndDoesWhatTheAnswerSays) {
  if (!HasPython3Dbfread()) GTEST_SKIP() << "python3-dbfread missing";
  int n = 0;
  for (const Caso& c : kCasos) {
    SCOPED_TRACE(testing::Message() << "caso " << n++);
    frm.reset();
    QFile::remove(folder + "AGENDA.DBF");
    QFile::remove(folder + "AGENDA.DBT");
    QFile::remove(folder + "AGENDA.MDX");
    CrearTablaAgenda(folder);
    AddCita(4, D(12, 3, 2004), "10:00", D(12, 3, 2004), "11:00", "Reunión");
    Start();
    messages.clear();
    notices.clear();
    answer = c.eleccion;
    TRBTimeView* tv = frm->TimeView;
    TRBTimeViewItem* it = frm->ItemDeID(4);
    ASSERT_NE(it, nullptr);
    switch (c.accion) {
      case Accion::Arrastre:
        HacerAjeno(folder, c.ajeno);
        it->SetTimes(D(12, 3, 2004) + dt::EncodeTime(12, 0), D(12, 3, 2004) + dt::EncodeTime(13, 0));
        frm->TimeViewDragged(it, dmEnd);
        break;
      case Accion::Tecleo:
        HacerAjeno(folder, c.ajeno);
        ASSERT_TRUE(tv->EditItem(it, tv->DayOfDate(D(12, 3, 2004))));
        tv->Editor()->setPlainText("Comida");
        tv->EndEdit(true);
        break;
      case Accion::Editor:
        tv->SetSelectedItem(it);
        editor = [&](data::Table& t) {
          HacerAjeno(folder, c.ajeno);
          t.Edit();
          t.FieldByName("ASUNTO").SetAsString("Del diálogo");
          t.FieldByName("HORA_FIN").SetAsString("11:30");
          return t.Post();
        };
        frm->acEditExecute();
        break;
    }
    EXPECT_EQ(Tabla(folder).toStdString(), c.tabla);
    EXPECT_EQ(Vista(tv).toStdString(), c.vista);
    if (c.ajeno == Ajeno::Nada) {
      ASSERT_EQ(c.eleccion, -1);
      EXPECT_TRUE(messages.isEmpty()) << messages.join(" / ").toStdString();
    } else {
      EXPECT_EQ(messages.size(), 1) << messages.join(" / ").toStdString();
      EXPECT_TRUE(messages.value(0).contains(Elimina(c.ajeno) ? "ha eliminado" : "ha cambiado"));
    }
    const bool guardada = c.ajeno == Ajeno::Nada || c.eleccion != (Elimina(c.ajeno) ? 1 : 0);
    EXPECT_EQ(notices.empty(), !guardada);
  }
}

// "Guardar la mía" stores only over the version the user was told of: a
// record changed again while the question was open asks again.
TEST_F(MainWindowTest, StoringMineOverARecordThatChangedDuringTheQuestionAsksAgain) {
  CrearTablaAgenda(folder);
  AddCita(4, D(12, 3, 2004), "10:00", D(12, 3, 2004), "11:00", "Reunión");
  Start();
  HacerAjeno(folder, Ajeno::Lugar);
  int preguntas = 0;
  SetMessageAnswerer([&](const MessageRequest& r) {
    messages << r.text;
    if (++preguntas == 1) HacerAjeno(folder, Ajeno::Asunto);
    return 1;  // Guardar la mía
  });
  TRBTimeViewItem* it = frm->ItemDeID(4);
  it->SetTimes(D(12, 3, 2004) + dt::EncodeTime(12, 0), D(12, 3, 2004) + dt::EncodeTime(13, 0));
  frm->TimeViewDragged(it, dmEnd);
  EXPECT_EQ(preguntas, 2);
  const Registro r = Leer(folder, 4);
  EXPECT_EQ(r.asunto, "Reunión");
  EXPECT_EQ(r.hi, "12:00");
  EXPECT_EQ(notices.size(), 1u);
}

// Deleting: a record unchanged elsewhere goes without a second question; one
// changed elsewhere since it was shown goes only on "Eliminarla", and
// "Conservarla" shows its new version; one already deleted elsewhere only
// loses its block, and the appointment that took its ID since is shown.
TEST_F(MainWindowTest, DeletingAnAppointmentChangedElsewhereAsksFirst) {
  struct {
    Ajeno ajeno;
    int eleccion;
    const char* queda;  // ASUNTO of record 4 afterwards; "" when gone
    int mensajes;
    bool aviso;
    const char* vista;
  } const casos[] = {
      {Ajeno::Nada, -1, "", 1, true, ""},
      {Ajeno::Asunto, 0, "", 2, true, ""},
      {Ajeno::Asunto, 1, "Otra", 2, false, "4 10:00-11:00 Otra"},
      {Ajeno::Asunto, -1, "Otra", 2, false, "4 10:00-11:00 Otra"},  // the question closed: nothing deleted
      {Ajeno::Borrado, -1, "", 1, false, ""},
      {Ajeno::Reusado, -1, "Dentista", 1, false, "4 16:00-17:00 Dentista"},
  };
  int n = 0;
  for (const auto& c : casos) {
    SCOPED_TRACE(testing::Message() << "caso " << n++);
    frm.reset();
    QFile::remove(folder + "AGENDA.DBF");
    QFile::remove(folder + "AGENDA.DBT");
    QFile::remove(folder + "AGENDA.MDX");
    CrearTablaAgenda(folder);
    AddCita(4, D(12, 3, 2004), "10:00", D(12, 3, 2004), "11:00", "Reunión");
    Start();
    messages.clear();
    notices.clear();
    SetMessageAnswerer([&](const MessageRequest& r) {
      messages << r.text;
      return r.choices.isEmpty() ? int(mrYes) : c.eleccion;
    });
    HacerAjeno(folder, c.ajeno);
    frm->TimeView->SetSelectedItem(frm->ItemDeID(4));
    frm->acDelExecute();
    EXPECT_EQ(messages.size(), c.mensajes) << messages.join(" / ").toStdString();
    EXPECT_EQ(Leer(folder, 4).asunto.toStdString(), c.queda);
    EXPECT_EQ(Vista(frm->TimeView).toStdString(), c.vista);
    EXPECT_EQ(notices.size(), c.aviso ? 1u : 0u);
  }
}

// The appointment editor itself, over a record another copy changes or
// deletes while the dialog is open: Aceptar asks, and the dialog's values
// are what "mine" stores.
TEST_F(MainWindowTest, TheEditorDialogAsksWhenItsRecordChangedOrWentWhileItWasOpen) {
  if (!HasPython3Dbfread()) GTEST_SKIP() << "python3-dbfread missing";
  const struct {
    Ajeno ajeno;
    int eleccion;
    const char* tabla;
    const char* vista;
  } casos[] = {
      {Ajeno::Lugar, 1, "4 10:00-11:00 Del diálogo|", "4 10:00-11:00 Del diálogo"},
      {Ajeno::Lugar, 0, "4 10:00-11:00 Reunión|Sala 2", "4 10:00-11:00 Reunión"},
      {Ajeno::Borrado, 0, "4 10:00-11:00 Del diálogo|", "4 10:00-11:00 Del diálogo"},
      {Ajeno::Borrado, 1, "", ""},
      {Ajeno::Reusado, 0, "4 16:00-17:00 Dentista|\n5 10:00-11:00 Del diálogo|",
       "4 16:00-17:00 Dentista\n5 10:00-11:00 Del diálogo"},
  };
  int n = 0;
  for (const auto& c : casos) {
    SCOPED_TRACE(testing::Message() << "caso " << n++);
    frm.reset();
    QFile::remove(folder + "AGENDA.DBF");
    QFile::remove(folder + "AGENDA.DBT");
    QFile::remove(folder + "AGENDA.MDX");
    CrearTablaAgenda(folder);
    AddCita(4, D(12, 3, 2004), "10:00", D(12, 3, 2004), "11:00", "Reunión");
    WriteConfig();
    frm = std::make_unique<TfrmAgenda>();  // with the window's own editor
    frm->resize(1000, 700);
    frm->show();
    QApplication::setActiveWindow(frm.get());
    messages.clear();
    notices.clear();
    answer = c.eleccion;
    frm->TimeView->SetSelectedItem(frm->ItemDeID(4));
    bool abierto = false;
    WhenModalOpens<TfrmEditCita>([&](TfrmEditCita& d) {
      abierto = true;
      HacerAjeno(folder, c.ajeno);
      d.edtAsunto->setText("Del diálogo");
      d.btnOk->click();
    });
    frm->acEditExecute();
    ASSERT_TRUE(abierto);
    EXPECT_EQ(Tabla(folder).toStdString(), c.tabla);
    EXPECT_EQ(Vista(frm->TimeView).toStdString(), c.vista);
    EXPECT_EQ(messages.size(), 1) << messages.join(" / ").toStdString();
    EXPECT_TRUE(messages.value(0).contains(Elimina(c.ajeno) ? "ha eliminado" : "ha cambiado"));
    EXPECT_EQ(notices.empty(), c.eleccion == (Elimina(c.ajeno) ? 1 : 0));
  }
}

// Two windows on one folder: each window's own stores never ask it again,
// and the window that stores over the other's change asks.
TEST_F(MainWindowTest, TwoWindowsOnOneFolderAskOnlyOverEachOthersChanges) {
  if (!HasPython3Dbfread()) GTEST_SKIP() << "python3-dbfread missing";
  CrearTablaAgenda(folder);
  AddCita(4, D(12, 3, 2004), "10:00", D(12, 3, 2004), "11:00", "Reunión");
  Start();
  auto otra = std::make_unique<TfrmAgenda>();
  otra->EditCitaFn = [](data::Table&) { return false; };
  otra->resize(1000, 700);
  otra->show();
  const auto mover = [&](TfrmAgenda& w, int desde, int hasta) {
    TRBTimeViewItem* it = w.ItemDeID(4);
    ASSERT_NE(it, nullptr);
    it->SetTimes(D(12, 3, 2004) + dt::EncodeTime(desde, 0), D(12, 3, 2004) + dt::EncodeTime(hasta, 0));
    w.TimeViewDragged(it, dmEnd);
  };
  messages.clear();
  mover(*frm, 12, 13);
  mover(*frm, 13, 14);  // over its own store
  EXPECT_TRUE(messages.isEmpty()) << messages.join(" / ").toStdString();
  answer = 2;  // Conservar las dos
  mover(*otra, 16, 17);
  EXPECT_EQ(messages.size(), 1);
  EXPECT_EQ(Tabla(folder).toStdString(), "4 13:00-14:00 Reunión|\n5 16:00-17:00 Reunión|");
  EXPECT_EQ(Vista(otra->TimeView).toStdString(), "4 13:00-14:00 Reunión\n5 16:00-17:00 Reunión");
  otra.reset();
}

// The reminders window postpones through a table of its own: the window
// takes that change with the check, so a drag afterwards asks nothing and
// keeps the postponement.
TEST_F(MainWindowTest, AReminderPostponedInThisWindowIsNotTakenForAnotherCopysChange) {
  CrearTablaAgenda(folder);
  AddCita(4, D(12, 3, 2004), "10:00", D(12, 3, 2004), "11:00", "Reunión", 1);
  Start();
  ConfigAgenda.ShowReminder = true;
  frm->ComprobarAvisosFn = [this] {
    [this] {
      data::Table t(folder.toStdString(), "AGENDA");
      t.Open();
      t.SetIndexName("ID");
      ASSERT_TRUE(t.FindKey(4));
      t.Edit();
      t.FieldByName("AVISO").SetAsInteger(3);
      ASSERT_TRUE(t.Post());
    }();
    return true;  // the window was shown and stored what it postponed
  };
  frm->tmrRefreshTimer();
  ConfigAgenda.ShowReminder = false;
  messages.clear();
  TRBTimeViewItem* it = frm->ItemDeID(4);
  ASSERT_NE(it, nullptr);
  it->SetTimes(D(12, 3, 2004) + dt::EncodeTime(12, 0), D(12, 3, 2004) + dt::EncodeTime(13, 0));
  frm->TimeViewDragged(it, dmEnd);
  EXPECT_TRUE(messages.isEmpty()) << messages.join(" / ").toStdString();
  const Registro r = Leer(folder, 4);
  EXPECT_EQ(r.hi, "12:00");
  EXPECT_EQ(r.aviso, 3);
}

// A reminder's notification opens the appointment in an editor over a
// table of its own: another copy's change made while it is open asks there
// too, and the window takes what it stored, so a drag afterwards asks
// nothing and keeps the editor's subject.
TEST_F(MainWindowTest, TheEditorOfANotificationAsksAndTheWindowTakesWhatItStored) {
  const struct {
    Ajeno ajeno;
    int eleccion;  // Suya 0, Mía 1
    const char* asunto;
  } casos[] = {{Ajeno::Nada, -1, "Del aviso"}, {Ajeno::Asunto, 0, "Otra"}, {Ajeno::Asunto, 1, "Del aviso"}};
  int n = 0;
  for (const auto& c : casos) {
    SCOPED_TRACE(testing::Message() << "caso " << n++);
    frm.reset();
    QFile::remove(folder + "AGENDA.DBF");
    QFile::remove(folder + "AGENDA.DBT");
    QFile::remove(folder + "AGENDA.MDX");
    CrearTablaAgenda(folder);
    AddCita(4, D(12, 3, 2004), "10:00", D(12, 3, 2004), "11:00", "Reunión");
    Start();
    messages.clear();
    answer = c.eleccion;
    WhenModalOpens<TfrmEditCita>([&](TfrmEditCita& d) {
      HacerAjeno(folder, c.ajeno);
      d.edtAsunto->setText("Del aviso");
      d.btnOk->click();
    });
    const bool guardada = EditCitaById(4);
    EXPECT_EQ(guardada, c.eleccion != 0);
    EXPECT_EQ(messages.size(), c.ajeno == Ajeno::Nada ? 0 : 1) << messages.join(" / ").toStdString();
    EXPECT_EQ(Leer(folder, 4).asunto.toStdString(), c.asunto);
    if (!guardada) continue;
    EXPECT_TRUE(QTest::qWaitFor([&] { return !frm->tmrRefreshPending->isActive(); }, 5000));
    messages.clear();
    TRBTimeViewItem* it = frm->ItemDeID(4);
    ASSERT_NE(it, nullptr);
    it->SetTimes(D(12, 3, 2004) + dt::EncodeTime(12, 0), D(12, 3, 2004) + dt::EncodeTime(13, 0));
    frm->TimeViewDragged(it, dmEnd);
    EXPECT_TRUE(messages.isEmpty()) << messages.join(" / ").toStdString();
    const Registro r = Leer(folder, 4);
    EXPECT_EQ(r.asunto.toStdString(), c.asunto);
    EXPECT_EQ(r.hi, "12:00");
  }
}
