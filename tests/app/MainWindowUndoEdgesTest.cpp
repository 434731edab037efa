// Undo and redo at their edges: the disk failing at any write of a step,
// another copy storing while a question is open, the window busy typing in
// place, data replaced wholesale, a store that made two records of one.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QSpinBox>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <cerrno>

#include "MainWindowUndoFixture.h"
#include "app/UCategoriaClass.h"
#include "data/FileIo.h"
#include "maintenance/UAcercaDeAgenda.h"
#include "maintenance/UGeneraDatos.h"

using namespace undo_test;

// While a question is open the window goes on: a refresh reads the table
// (and leaves it on another record), another copy stores again. The answer
// applies to the version it was asked about, and the step only ever
// replaces or deletes that one.
TEST_F(MainWindowUndoTest, AnAnswerCoversOnlyTheVersionAskedAbout) {
  const struct {
    const char* nombre;
    std::function<void(MainWindowUndoTest&)> preparar;
    std::function<void(MainWindowUndoTest&)> mientras;  // while the first question is open
    std::vector<int> respuestas;
    int id;
    const char* asunto;  // the record's subject afterwards, "" when gone
    const char* horaIni;
    const char* notas;
  } casos[] = {
      {"refresco", CrearYCambiar, [](MainWindowUndoTest& t) { t.frm->tmrRefreshTimer(); }, {0}, 5, "", "", ""},
      {"otra copia", MoverYCambiar, [](MainWindowUndoTest& t) { t.Cambiar(4, "NOTAS", "Nota nueva"); }, {0, 1}, 4,
       "Dentista (cambiado)", "12:00", "Nota nueva"},
      {"otra copia, de nuevo sí", MoverYCambiar, [](MainWindowUndoTest& t) { t.Cambiar(4, "NOTAS", "Nota nueva"); },
       {0, 0}, 4, "Dentista (cambiado)", "10:00", "Nota nueva"},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.nombre);
    frm.reset();
    ASSERT_TRUE(QDir(folder).removeRecursively() && QDir().mkpath(folder));
    LlenarTabla();
    Start();
    c.preparar(*this);
    AddCita(9, kDia + 40, "09:00", kDia + 40, "10:00", "Lejos");  // the first record after the days shown
    QStringList preguntas;
    SetMessageAnswerer([&](const MessageRequest& r) {
      preguntas << r.text;
      if (preguntas.size() == 1) c.mientras(*this);
      return preguntas.size() <= static_cast<int>(c.respuestas.size()) ? c.respuestas[preguntas.size() - 1] : -1;
    });
    frm->acDeshacer->trigger();
    EXPECT_EQ(preguntas.size(), static_cast<int>(c.respuestas.size())) << preguntas.join('|').toStdString();
    const Registro r = Leer(folder, c.id);
    EXPECT_EQ(r.asunto.toStdString(), c.asunto);
    EXPECT_EQ(r.hi.toStdString(), c.horaIni);
    for (int otra : {2, 9}) EXPECT_NE(Leer(folder, otra).id, 0) << otra;
    if (r.id) {
      data::Table t(folder.toStdString(), "AGENDA");
      t.Open();
      t.SetIndexName("ID");
      ASSERT_TRUE(t.FindKey(c.id));
      EXPECT_EQ(t.FieldByName("NOTAS").AsString(), c.notas);
    }
  }
}

// A step is a store: with the disk failing at any of its writes and syncs,
// the table holds the record before or after the step, the entries agree
// with what it holds, the view shows it, and the user is told.
TEST_F(MainWindowUndoTest, AStepFailingAtAnyWriteLeavesTableEntriesAndViewAgreeing) {
  const struct {
    const char* nombre;
    std::function<void(MainWindowUndoTest&)> hacer;
    int id;
    const char* horaAntes;  // the record's start before the change, "" when there was none
  } casos[] = {
      {"mover", [](MainWindowUndoTest& t) { t.Mover(4, A(kDia, 12), A(kDia, 13)); }, 4, "10:00"},
      {"crear",
       [](MainWindowUndoTest& t) {
         TRBTimeViewItem* it = t.frm->TimeView->Items()->Add(QString(), false, A(kDia, 13), A(kDia, 13, 30));
         t.frm->TimeViewCreatedOnType(it);
         QString texto = "Farmacia";
         t.frm->TimeViewEditedItem(it, texto);
       },
       5, ""},
      {"eliminar",
       [](MainWindowUndoTest& t) {
         t.frm->TimeView->SetSelectedItem(t.frm->ItemDeID(4));
         t.frm->acDelExecute();
       },
       4, "10:00"},
  };
  for (const auto& c : casos) {
    long puntos = 0;
    for (long n = 0; n == 0 || n <= puntos; ++n) {
      SCOPED_TRACE(std::string(c.nombre) + " " + std::to_string(n));
      frm.reset();
      ASSERT_TRUE(QDir(folder).removeRecursively() && QDir().mkpath(folder));
      LlenarTabla();
      Start();
      answer = mrYes;
      c.hacer(*this);
      messages.clear();
      now += 5.0 / 86400;
      const size_t avisos = notices.size();
      data::SetIoFaultPlan({n, ENOSPC, false});
      frm->acDeshacer->trigger();
      if (n == 0) puntos = data::IoPointsSoFar();
      data::SetIoFaultPlan({});
      const Registro r = Leer(folder, c.id);
      const bool deshecho = r.hi.toStdString() == c.horaAntes;
      EXPECT_TRUE(deshecho || r.hi.toStdString() == (c.id == 5 ? "13:00" : std::string(c.nombre) == "mover" ? "12:00" : ""))
          << r.hi.toStdString();
      EXPECT_EQ(frm->acRehacer->isEnabled(), deshecho);
      EXPECT_EQ(frm->acDeshacer->isEnabled(), !deshecho);
      EXPECT_EQ(notices.size(), avisos + (deshecho ? 1 : 0));
      EXPECT_EQ(messages.isEmpty(), n == 0) << messages.join('|').toStdString();
      TRBTimeViewItem* it = frm->ItemDeID(c.id);
      if (r.id == 0) {
        EXPECT_EQ(it, nullptr);
      } else {
        ASSERT_NE(it, nullptr);
        EXPECT_EQ(FormatDateTime("hh:nn", it->StartTime()), r.hi);
      }
      // The step can be taken (again) and ends where it should.
      messages.clear();
      (deshecho ? frm->acRehacer : frm->acDeshacer)->trigger();
      if (deshecho) frm->acDeshacer->trigger();
      EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
      EXPECT_EQ(Leer(folder, c.id).hi.toStdString(), c.horaAntes);
    }
    EXPECT_GT(puntos, 0);
  }
}

// The test-data generator empties the table and numbers its records from 1:
// an undo kept from before would store a record of the old table into it.
TEST_F(MainWindowUndoTest, GeneratedDataEmptiesTheHistory) {
  for (const char* nombre : {"Frases.txt", "Texto.txt"}) {
    QFile f(program.filePath(nombre));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("Uno\nDos\n");
  }
  ASSERT_TRUE(CrearTablaCategorias(folder));
  Start();
  tv()->SetSelectedItem(frm->ItemDeID(4));
  frm->acDelExecute();
  ASSERT_TRUE(frm->acDeshacer->isEnabled());
  // About box, Ctrl and right button on the version, generate.
  QTimer::singleShot(0, [] {
    auto* acerca = qobject_cast<TfrmAcercaDeAgenda*>(QApplication::activeModalWidget());
    ASSERT_NE(acerca, nullptr);
    QTimer::singleShot(0, [acerca] {
      auto* g = qobject_cast<TfrmGenerarDatos*>(QApplication::activeModalWidget());
      if (g) {
        g->edtCantidad->setValue(g->edtCantidad->minimum());
        g->btnGenerarClick();
      }
      QTimer::singleShot(0, acerca, &QDialog::reject);
    });
    acerca->lblVersionMouseDown(Qt::RightButton, Qt::ControlModifier);
  });
  frm->Acercade1Click();
  data::Table t(folder.toStdString(), "AGENDA");
  t.Open();
  const auto generadas = t.RecordCount();
  ASSERT_GT(generadas, 2u);
  EXPECT_FALSE(frm->acDeshacer->isEnabled());
  frm->acDeshacer->trigger();
  t.Refresh();
  EXPECT_EQ(t.RecordCount(), generadas);
}

// The Archivo menu opened with the mouse while a subject is typed in place:
// the text is stored first, and the undo entry names the change it undoes.
TEST_F(MainWindowUndoTest, TheMenuOpenedWhileTypingInPlaceNamesTheTypedChange) {
  Start();
  Mover(4, A(kDia, 12), A(kDia, 13));
  QApplication::setActiveWindow(frm.get());
  tv()->setFocus();
  tv()->SetSelectedItem(nullptr);
  tv()->SetTimeSelection(A(kDia, 14), A(kDia, 14, 30));
  QTest::keyClick(tv(), 'P');
  ASSERT_NE(tv()->Editor(), nullptr);
  QTest::keyClicks(tv()->Editor(), "an");
  frm->mnuArchivo->popup(frm->mapToGlobal(QPoint(10, 10)));
  EXPECT_EQ(Visible(frm->acDeshacer).toStdString(), "Deshacer crear «Pan»");
  frm->mnuArchivo->hide();
  frm->acDeshacer->trigger();
  EXPECT_EQ(Leer(folder, 5).id, 0);
  EXPECT_EQ(Visible(frm->acDeshacer).toStdString(), "Deshacer mover «Dentista»");
}

// An edit that kept the record as another copy left it and stored this
// copy's version as a new appointment (as keeping both versions does)
// created that one: its undo deletes it and leaves the other record alone.
TEST_F(MainWindowUndoTest, AnEditStoredAsANewAppointmentIsUndoneAsItsCreation) {
  Start();
  editor = [](data::Table& t) {
    const TFotoCita suya = TFotoCita::Leer(t);
    t.Append();
    suya.Escribir(t);
    t.FieldByName("ID").SetAsInteger(5);
    t.FieldByName("ASUNTO").SetAsString("Dentista (mía)");
    return t.Post();
  };
  tv()->SetSelectedItem(frm->ItemDeID(4));
  frm->acEditExecute();
  ASSERT_EQ(Leer(folder, 5).asunto, "Dentista (mía)");
  EXPECT_EQ(Visible(frm->acDeshacer).toStdString(), "Deshacer crear «Dentista (mía)»");
  messages.clear();
  frm->acDeshacer->trigger();
  EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
  EXPECT_EQ(Leer(folder, 5).id, 0);
  EXPECT_EQ(Leer(folder, 4).asunto, "Dentista");
  frm->acRehacer->trigger();
  EXPECT_EQ(Leer(folder, 5).asunto, "Dentista (mía)");
  EXPECT_EQ(Leer(folder, 4).asunto, "Dentista");
}

// Another copy storing the record again at every question: the step gives
// up with a message instead of asking for ever, and nothing of this copy's
// is stored.
TEST_F(MainWindowUndoTest, AStepGivesUpWhenAnotherCopyKeepsStoringTheRecord) {
  Start();
  MoverYCambiar(*this);
  QStringList textos;
  SetMessageAnswerer([&](const MessageRequest& r) {
    textos << r.text;
    Cambiar(4, "NOTAS", "Nota " + std::to_string(textos.size()));
    return 0;
  });
  frm->acDeshacer->trigger();
  ASSERT_GE(textos.size(), 2);
  EXPECT_LT(textos.size(), 20);
  EXPECT_TRUE(textos.last().startsWith("Otra copia de la agenda está modificando la cita en este momento"))
      << textos.last().toStdString();
  EXPECT_EQ(Leer(folder, 4).hi, "12:00");
  EXPECT_TRUE(frm->acDeshacer->isEnabled());
}

// Another copy changed other fields of the record (notes, category, the
// end) after this copy moved it: undone anyway, the move goes back and forth
// and the other copy's other fields stay. A field both changed takes the
// step's value, as the answer says.
TEST_F(MainWindowUndoTest, AnEditUndoneOverAnotherCopysKeepsTheFieldsItDidNotChange) {
  Start();
  Mover(4, A(kDia, 12), A(kDia, 13));
  Cambiar(4, "NOTAS", "Nota de la otra copia");
  Cambiar(4, "TIPO", "1");
  Cambiar(4, "HORA_FIN", "13:30");
  messages.clear();
  answer = 0;  // "Deshacer de todos modos"
  for (const bool deshacer : {true, false, true}) {
    SCOPED_TRACE(deshacer ? "undo" : "redo");
    (deshacer ? frm->acDeshacer : frm->acRehacer)->trigger();
    const Registro r = Leer(folder, 4);
    EXPECT_EQ(r.hi, deshacer ? "10:00" : "12:00");
    EXPECT_EQ(r.hf, deshacer ? "11:00" : "13:00");
    EXPECT_EQ(r.tipo, 1);
    data::Table t(folder.toStdString(), "AGENDA");
    t.Open();
    t.SetIndexName("ID");
    ASSERT_TRUE(t.FindKey(4));
    EXPECT_EQ(t.FieldByName("NOTAS").AsString(), "Nota de la otra copia");
    EXPECT_EQ(t.FieldByName("LUGAR").AsString(), "Centro de salud");
  }
  EXPECT_EQ(messages.size(), 1) << messages.join('|').toStdString();  // asked once, at the first step
}
