// Undo and redo of what this copy stored: each kind of change goes back and
// forth as another reader of dBase files sees the table, another copy's
// change since is never overwritten without asking, and the history outlives
// the view's items.
#include <QApplication>
#include <cerrno>
#include <QDir>
#include <QMenu>
#include <QTest>
#include <QTextEdit>
#include <QSpinBox>
#include <QTimer>

#include "MainWindowFixture.h"
#include "app/UCategoriaClass.h"
#include "data/FileIo.h"
#include "maintenance/UAcercaDeAgenda.h"
#include "maintenance/UGeneraDatos.h"
#include "support/Dbfread.h"

namespace {
const TDate kDia = dt::EncodeDate(2004, 3, 12);
TDateTime A(TDate d, int h, int m = 0) { return d + dt::EncodeTime(h, m); }

// The action's caption as the menu shows it.
QString Visible(const QAction* a) {
  QString t = a->text();
  t.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
  t.remove(u'&');
  t.replace(u'\x01', u'&');
  return t;
}

class MainWindowUndoTest : public MainWindowTest {
 public:
  // For the table of changes below.
  using MainWindowTest::answer;
  using MainWindowTest::editor;
  using MainWindowTest::frm;
  using MainWindowTest::messages;

 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    LlenarTabla();
  }

 public:
  void LlenarTabla() {
    CrearTablaAgenda(folder);
    AddCita(2, kDia, "16:00", kDia, "17:00", "Otra");
    AddCita(4, kDia, "10:00", kDia, "11:00", "Dentista", 15);
    Cambiar(4, "NOTAS", "Traer la tarjeta\r\ny el volante");
    Cambiar(4, "LUGAR", "Centro de salud");
    Cambiar(4, "TIPO", "2");
  }
  // What another copy does to a record, through a table handle of its own.
  void Cambiar(int id, const char* campo, const std::string& valor) {
    data::Table t(folder.toStdString(), "AGENDA");
    t.Open();
    t.SetIndexName("ID");
    ASSERT_TRUE(t.FindKey(id));
    t.Edit();
    t.FieldByName(campo).SetAsString(valor);
    ASSERT_TRUE(t.Post());
  }
  void Borrar(int id) {
    data::Table t(folder.toStdString(), "AGENDA");
    t.Open();
    t.SetIndexName("ID");
    ASSERT_TRUE(t.FindKey(id));
    t.Delete();
  }
  // Every live record, every field, as dbfread reads the files.
  std::string Tabla() const {
    return SalidaDbfread("for r in dbfread.DBF(sys.argv[1], encoding='cp1252'):\n"
                         "  print(int(r['ID']), r['FECHA_INI'], r['FECHA_FIN'], r['HORA_INI'], r['HORA_FIN'],"
                         " repr(r['ASUNTO']), repr(r['LUGAR']), repr(r['NOTAS']), int(r['AVISO']), int(r['TIPO']),"
                         " r['F_AVISO'], r['H_AVISO'])",
                         folder + "AGENDA.DBF")
        .toStdString();
  }

 public:
  void Mover(int id, TDateTime desde, TDateTime hasta) {
    TRBTimeViewItem* it = frm->ItemDeID(id);
    ASSERT_NE(it, nullptr);
    it->SetTimes(desde, hasta);
    frm->TimeViewDragged(it, dmEnd);
  }

 protected:
  TRBTimeView* tv() const { return frm->TimeView; }
};

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

void MoverYCambiar(MainWindowUndoTest& t) {
  t.Mover(4, A(kDia, 12), A(kDia, 13));
  t.Cambiar(4, "ASUNTO", "Dentista (cambiado)");
}
void MoverYBorrar(MainWindowUndoTest& t) {
  t.Mover(4, A(kDia, 12), A(kDia, 13));
  t.Borrar(4);
}
void CrearYCambiar(MainWindowUndoTest& t) {
  TRBTimeViewItem* it = t.frm->TimeView->Items()->Add(QString(), false, A(kDia, 13), A(kDia, 13, 30));
  t.frm->TimeViewCreatedOnType(it);
  QString texto = "Farmacia";
  t.frm->TimeViewEditedItem(it, texto);
  t.Cambiar(5, "ASUNTO", "Farmacia y más");
}

const char kCambiadaDeshacer[] =
    "Otra copia de la agenda ha cambiado la cita «Dentista (cambiado)» desde que se guardó aquí.\r\n"
    "¿Desea deshacer el cambio de todos modos?";
const char kBorrada[] =
    "Otra copia de la agenda ha eliminado la cita «Dentista» desde que se guardó aquí.\r\n¿Desea guardarla de nuevo?";
const char kCambiadaEliminar[] =
    "Otra copia de la agenda ha cambiado la cita «Farmacia y más» desde que se guardó aquí.\r\n"
    "¿Desea eliminarla de todos modos?";

const Conflicto kConflictos[] = {
    {"CambiadaDeshacerIgualmente", MoverYCambiar, true, 0, kCambiadaDeshacer, "Dentista", "10:00", false, true},
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
     "Dentista", "12:00", true, false},
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
    const char* notas;
  } casos[] = {
      {"refresco", CrearYCambiar, [](MainWindowUndoTest& t) { t.frm->tmrRefreshTimer(); }, {0}, 5, "", ""},
      {"otra copia", MoverYCambiar, [](MainWindowUndoTest& t) { t.Cambiar(4, "NOTAS", "Nota nueva"); }, {0, 1}, 4,
       "Dentista (cambiado)", "Nota nueva"},
      {"otra copia, de nuevo sí", MoverYCambiar, [](MainWindowUndoTest& t) { t.Cambiar(4, "NOTAS", "Nota nueva"); },
       {0, 0}, 4, "Dentista", "Traer la tarjeta\r\ny el volante"},
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
