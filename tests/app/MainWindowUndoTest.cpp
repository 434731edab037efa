// Undo and redo of what this copy stored: each kind of change goes back and
// forth as another reader of dBase files sees the table, another copy's
// change since is never overwritten without asking, and the history outlives
// the view's items.
#include <QApplication>
#include <QMenu>
#include <QTest>
#include <QTextEdit>

#include "MainWindowUndoFixture.h"

using namespace undo_test;

namespace {

struct Cambio {
  const char* nombre;
  const char* texto;  // what the entries say after "Deshacer " and "Rehacer "
  std::function<void(MainWindowUndoTest&, TfrmAgenda&)> hacer;
};

class CadaCambio : public MainWindowUndoTest, public ::testing::WithParamInterface<Cambio> {};

const Cambio kCambios[] = {
    {"mover", "mover «Dentista»",
     [](MainWindowUndoTest& t, TfrmAgenda&) { t.Mover(4, A(kDia + 1, 12), A(kDia + 1, 13)); }},
    {"duracion", "cambiar la duración de «Dentista»",
     [](MainWindowUndoTest& t, TfrmAgenda&) { t.Mover(4, A(kDia, 10), A(kDia, 12, 30)); }},
    {"asunto", "escribir «Dentista y revisión»",
     [](MainWindowUndoTest&, TfrmAgenda& f) {
       QString texto = "Dentista y revisión";
       f.TimeViewEditedItem(f.ItemDeID(4), texto);
     }},
    {"editor", "modificar «Dentista»",
     [](MainWindowUndoTest& t, TfrmAgenda& f) {
       t.editor = [](data::Table& tabla) {
         tabla.Edit();
         tabla.FieldByName("NOTAS").SetAsString("Otra nota");
         tabla.FieldByName("LUGAR").SetAsString("Hospital");
         tabla.FieldByName("TIPO").SetAsInteger(1);
         return tabla.Post();
       };
       f.TimeView->SetSelectedItem(f.ItemDeID(4));
       f.acEditExecute();
     }},
    {"eliminar", "eliminar «Dentista»",
     [](MainWindowUndoTest& t, TfrmAgenda& f) {
       t.answer = mrYes;
       f.TimeView->SetSelectedItem(f.ItemDeID(4));
       f.acDelExecute();
       t.messages.clear();
     }},
    {"crear", "crear «Farmacia»",
     [](MainWindowUndoTest& t, TfrmAgenda& f) {
       t.editor = [](data::Table& tabla) {
         tabla.FieldByName("ASUNTO").SetAsString("Farmacia");
         tabla.FieldByName("NOTAS").SetAsString("La receta");
         return tabla.Post();
       };
       f.TimeView->SetSelectedItem(nullptr);
       f.TimeView->SetTimeSelection(A(kDia, 13), A(kDia, 13, 30));
       f.acNewExecute();
     }},
    {"teclear", "crear «Farmacia»",
     [](MainWindowUndoTest&, TfrmAgenda& f) {
       TRBTimeViewItem* it = f.TimeView->Items()->Add(QString(), false, A(kDia, 13), A(kDia, 13, 30));
       f.TimeViewCreatedOnType(it);
       QString texto = "Farmacia";
       f.TimeViewEditedItem(it, texto);
     }},
};
}  // namespace

TEST_P(CadaCambio, IsUndoneAndRedoneAsAStoredChange) {
  if (!HasPython3Dbfread()) GTEST_SKIP() << "python3-dbfread missing";
  Start();
  const std::string antes = Tabla();
  GetParam().hacer(*this, *frm);
  const std::string despues = Tabla();
  ASSERT_NE(antes, despues);
  EXPECT_EQ(Visible(frm->acDeshacer).toStdString(), std::string("Deshacer ") + GetParam().texto);
  EXPECT_TRUE(frm->acDeshacer->isEnabled());
  EXPECT_FALSE(frm->acRehacer->isEnabled());
  const int id = despues.find("Farmacia") != std::string::npos ? 5 : 4;

  // Each step a change like any other: on disk, announced, shown selected.
  for (const bool deshacer : {true, false, true, false}) {
    SCOPED_TRACE(deshacer ? "undo" : "redo");
    now += 5.0 / 86400;  // past the gap between two notices of one copy
    const size_t avisos = notices.size();
    (deshacer ? frm->acDeshacer : frm->acRehacer)->trigger();
    const std::string& esperada = deshacer ? antes : despues;
    EXPECT_EQ(Tabla(), esperada);
    EXPECT_EQ(notices.size(), avisos + 1);
    EXPECT_EQ(Visible(deshacer ? frm->acRehacer : frm->acDeshacer).toStdString(),
              std::string(deshacer ? "Rehacer " : "Deshacer ") + GetParam().texto);
    EXPECT_EQ(frm->acDeshacer->isEnabled(), !deshacer);
    EXPECT_EQ(frm->acRehacer->isEnabled(), deshacer);
    TRBTimeViewItem* it = frm->ItemDeID(id);
    if (Leer(folder, id).id == 0) {
      EXPECT_EQ(it, nullptr);
      continue;
    }
    ASSERT_NE(it, nullptr);
    EXPECT_EQ(tv()->SelectedItem(), it);
    EXPECT_EQ(it->Text(), Leer(folder, id).asunto);
    EXPECT_EQ(FormatDateTime("dd/mm/yyyy hh:nn", it->StartTime()), Leer(folder, id).fi + ' ' + Leer(folder, id).hi);
  }
  EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
}

INSTANTIATE_TEST_SUITE_P(Cambios, CadaCambio, ::testing::ValuesIn(kCambios),
                         [](const auto& info) { return std::string(info.param.nombre); });

namespace {
// This copy's change, then another copy's, then the step; and what the user
// answers to the question it asks.
struct Conflicto {
  const char* nombre;
  std::function<void(MainWindowUndoTest&)> preparar;
  bool deshacer;  // the step: undo, else redo
  int respuesta;  // the choice taken, -1 for the box closed
  const char* pregunta;
  const char* asunto;  // the record's subject afterwards, "" when there is none
  const char* horaIni;
  bool puedeDeshacer, puedeRehacer;
};


const char kCambiadaDeshacer[] =
    "Otra copia de la agenda ha cambiado la cita «Dentista (cambiado)» desde que se guardó aquí.\r\n"
    "¿Desea deshacer el cambio de todos modos?";
const char kBorrada[] =
    "Otra copia de la agenda ha eliminado la cita «Dentista» desde que se guardó aquí.\r\n¿Desea guardarla de nuevo?";
const char kCambiadaEliminar[] =
    "Otra copia de la agenda ha cambiado la cita «Farmacia y más» desde que se guardó aquí.\r\n"
    "¿Desea eliminarla de todos modos?";

const Conflicto kConflictos[] = {
    // The move goes back; the subject stays as the other copy typed it.
    {"CambiadaDeshacerIgualmente", MoverYCambiar, true, 0, kCambiadaDeshacer, "Dentista (cambiado)", "10:00", false,
     true},
    {"CambiadaDejarla", MoverYCambiar, true, 1, kCambiadaDeshacer, "Dentista (cambiado)", "12:00", false, false},
    {"CambiadaCerrado", MoverYCambiar, true, -1, kCambiadaDeshacer, "Dentista (cambiado)", "12:00", true, false},
    {"BorradaGuardarDeNuevo", MoverYBorrar, true, 0, kBorrada, "Dentista", "10:00", false, true},
    {"BorradaDescartar", MoverYBorrar, true, 1, kBorrada, "", "", false, false},
    {"BorradaCerrado", MoverYBorrar, true, -1, kBorrada, "", "", true, false},
    {"RehacerCambiada",
     [](MainWindowUndoTest& t) {
       t.Mover(4, A(kDia, 12), A(kDia, 13));
       t.frm->acDeshacer->trigger();
       t.Cambiar(4, "ASUNTO", "Dentista (cambiado)");
     },
     false, 0,
     "Otra copia de la agenda ha cambiado la cita «Dentista (cambiado)» desde que se guardó aquí.\r\n"
     "¿Desea rehacer el cambio de todos modos?",
     "Dentista (cambiado)", "12:00", true, false},
    {"CreadaCambiadaEliminarla", CrearYCambiar, true, 0, kCambiadaEliminar, "", "", false, true},
    {"CreadaCambiadaDejarla", CrearYCambiar, true, 1, kCambiadaEliminar, "Farmacia y más", "13:00", false, false},
    // Nothing to ask: the undo's end is there already, and the user is told.
    {"CreadaBorradaFuera",
     [](MainWindowUndoTest& t) {
       CrearYCambiar(t);
       t.Borrar(5);
     },
     true, -1, "Otra copia de la agenda ya ha eliminado la cita «Farmacia».", "", "", false, true},
};

class CadaConflicto : public MainWindowUndoTest, public ::testing::WithParamInterface<Conflicto> {};
}  // namespace

// Nothing another copy stored since is overwritten without asking, and each
// answer does what its button says.
TEST_P(CadaConflicto, TheUserIsAskedAndTheAnswerIsKept) {
  const Conflicto& c = GetParam();
  Start();
  c.preparar(*this);
  const int id = std::string_view(c.nombre).starts_with("Creada") ? 5 : 4;  // the new one, else Dentista
  messages.clear();
  answer = c.respuesta;
  now += 5.0 / 86400;
  const size_t avisos = notices.size();
  (c.deshacer ? frm->acDeshacer : frm->acRehacer)->trigger();
  ASSERT_EQ(messages.size(), 1);
  EXPECT_EQ(messages[0].toStdString(), c.pregunta);
  const Registro r = Leer(folder, id);
  EXPECT_EQ(r.asunto.toStdString(), c.asunto);
  EXPECT_EQ(r.hi.toStdString(), c.horaIni);
  const bool guardado = c.respuesta == 0;
  EXPECT_EQ(notices.size(), avisos + (guardado ? 1 : 0));
  if (r.id) {
    // The notes are the ones the record had; the view shows what is stored.
    data::Table t(folder.toStdString(), "AGENDA");
    t.Open();
    t.SetIndexName("ID");
    ASSERT_TRUE(t.FindKey(id));
    if (id == 4) {
      EXPECT_EQ(t.FieldByName("NOTAS").AsString(), "Traer la tarjeta\r\ny el volante");
    }
    ASSERT_NE(frm->ItemDeID(id), nullptr);
    EXPECT_EQ(frm->ItemDeID(id)->Text(), r.asunto);
  } else {
    EXPECT_EQ(frm->ItemDeID(id), nullptr);
  }
  EXPECT_EQ(frm->acDeshacer->isEnabled(), c.puedeDeshacer);
  EXPECT_EQ(frm->acRehacer->isEnabled(), c.puedeRehacer);
}

INSTANTIATE_TEST_SUITE_P(Conflictos, CadaConflicto, ::testing::ValuesIn(kConflictos),
                         [](const auto& info) { return std::string(info.param.nombre); });

// Entries know records by ID: a reload that made every block anew, or
// another week shown, leaves them working, and the step shows the day of
// the appointment with its block selected.
TEST_F(MainWindowUndoTest, TheHistoryOutlivesARefreshAndTheStepGoesToItsDay) {
  Start();
  Mover(4, A(kDia, 8), A(kDia, 9));
  tv()->Items()->Clear();
  frm->tmrRefreshTimer();
  ASSERT_NE(frm->ItemDeID(4), nullptr);
  frm->Calendar->ClearSelections();
  frm->Calendar->SelectRange(D(5, 4, 2004), D(11, 4, 2004));  // a week well away
  ASSERT_EQ(tv()->Date(), D(5, 4, 2004));
  frm->acDeshacer->trigger();
  EXPECT_EQ(Leer(folder, 4).hi, "10:00");
  EXPECT_EQ(tv()->DaysCount(), 7);
  EXPECT_EQ(tv()->Date(), D(8, 3, 2004));  // the week of the 12th, from Monday
  ASSERT_NE(tv()->SelectedItem(), nullptr);
  EXPECT_EQ(tv()->SelectedItem()->ItemID(), 4);
  EXPECT_EQ(FormatDateTime("hh:nn", tv()->SelectedItem()->StartTime()), "10:00");
  frm->acRehacer->trigger();
  EXPECT_EQ(Leer(folder, 4).hi, "08:00");
  EXPECT_EQ(FormatDateTime("hh:nn", tv()->SelectedItem()->StartTime()), "08:00");
}

// A deleted record comes back under its own ID; when another copy gave that
// ID to a new appointment meanwhile, that one stays and this one takes the
// next free ID, which the older entries then follow.
TEST_F(MainWindowUndoTest, ADeletionUndoneAfterAnotherCopyTookTheIDKeepsBoth) {
  Start();
  Mover(4, A(kDia, 8), A(kDia, 9));
  answer = mrYes;
  tv()->SetSelectedItem(frm->ItemDeID(4));
  frm->acDelExecute();
  AddCita(4, kDia, "18:00", kDia, "19:00", "De la otra copia");
  frm->tmrRefreshTimer();
  ASSERT_NE(frm->ItemDeID(4), nullptr);
  messages.clear();
  frm->acDeshacer->trigger();
  EXPECT_EQ(Leer(folder, 4).asunto, "De la otra copia");
  const Registro r = Leer(folder, 5);
  EXPECT_EQ(r.asunto, "Dentista");
  EXPECT_EQ(r.hi, "08:00");
  EXPECT_EQ(tv()->SelectedItem(), frm->ItemDeID(5));
  frm->acDeshacer->trigger();  // the move, now of record 5
  EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
  EXPECT_EQ(Leer(folder, 5).hi, "10:00");
  EXPECT_EQ(Leer(folder, 4).hi, "18:00");
  ASSERT_NE(frm->ItemDeID(4), nullptr);
  EXPECT_EQ(frm->ItemDeID(4)->Text(), "De la otra copia");
}

// The keys and both menus run the commands; while a subject is typed in
// place the keys are the text's own and undo nothing stored.
TEST_F(MainWindowUndoTest, KeysAndMenusUndoAndRedoButNotWhileTypingInPlace) {
  Start();
  for (QMenu* menu : {frm->mnuArchivo, frm->popTimeView}) {
    EXPECT_TRUE(menu->actions().contains(frm->acDeshacer)) << menu->objectName().toStdString();
    EXPECT_TRUE(menu->actions().contains(frm->acRehacer)) << menu->objectName().toStdString();
  }
  EXPECT_EQ(Visible(frm->acDeshacer), "Deshacer");
  EXPECT_EQ(Visible(frm->acRehacer), "Rehacer");
  EXPECT_FALSE(frm->acDeshacer->isEnabled());
  EXPECT_FALSE(frm->acRehacer->isEnabled());
  QString texto = "Dentista & co.";
  frm->TimeViewEditedItem(frm->ItemDeID(4), texto);
  EXPECT_EQ(Visible(frm->acDeshacer), "Deshacer escribir «Dentista & co.»");

  QApplication::setActiveWindow(frm.get());
  tv()->setFocus();
  const struct {
    QKeyCombination tecla;
    const char* asunto;
  } teclas[] = {{Qt::CTRL | Qt::Key_Z, "Dentista"},
                {Qt::CTRL | Qt::Key_Y, "Dentista & co."},
                {Qt::CTRL | Qt::Key_Z, "Dentista"},
                {Qt::CTRL | Qt::SHIFT | Qt::Key_Z, "Dentista & co."}};
  for (const auto& t : teclas) {
    QTest::keyClick(tv(), t.tecla.key(), t.tecla.keyboardModifiers());
    EXPECT_EQ(Leer(folder, 4).asunto.toStdString(), t.asunto) << QKeySequence(t.tecla).toString().toStdString();
  }

  // Nor in the middle of a drag: the block under the pointer stays.
  TRBTimeViewItem* it = frm->ItemDeID(4);
  const TRect r = tv()->Days(0)->ItemRect(it);
  const QPoint fin = tv()->ClientOrigin() + QPoint((r.Left + r.Right) / 2, r.Bottom - 1);
  QTest::mousePress(tv(), Qt::LeftButton, {}, fin);
  ASSERT_EQ(tv()->Operation(), TRBTimeView::opItemEnd);
  frm->acDeshacer->trigger();
  EXPECT_EQ(Leer(folder, 4).asunto, "Dentista & co.");
  EXPECT_EQ(frm->ItemDeID(4), it);
  QTest::mouseRelease(tv(), Qt::LeftButton, {}, fin);

  tv()->SetSelectedItem(nullptr);
  tv()->SetTimeSelection(A(kDia, 13), A(kDia, 13, 30));
  QTest::keyClick(tv(), 'P');
  ASSERT_NE(tv()->Editor(), nullptr);
  QTest::keyClicks(tv()->Editor(), "an");  // "Pan"
  for (const auto& t : teclas) QTest::keyClick(tv()->Editor(), t.tecla.key(), t.tecla.keyboardModifiers());
  QApplication::processEvents();
  EXPECT_NE(tv()->Editor(), nullptr);
  EXPECT_EQ(Leer(folder, 4).asunto, "Dentista & co.");
  EXPECT_EQ(Visible(frm->acDeshacer), "Deshacer escribir «Dentista & co.»");
  QTest::keyClick(tv()->Editor(), Qt::Key_Return);
  QApplication::processEvents();
  EXPECT_EQ(Visible(frm->acDeshacer), "Deshacer crear «Pan»");
}
