// Stores of the main window whose write fails (a full disk), with or
// without a question first: nothing of the store reaches the table, the
// view shows what the table holds, an error says so, no notice goes out,
// and the next store asks nothing it need not ask.
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>
#include <cerrno>

#include "ConflictoTestSupport.h"
#include "MainWindowFixture.h"
#include "data/FileIo.h"
#include "dialogs/ConfigTestSupport.h"
#include "dialogs/UEditCita.h"

namespace {
enum class Accion { Arrastre, Tecleo, Editor, Borrar };

void FallaLaProximaEscritura() { data::SetIoFaultPlan({1, ENOSPC, false}); }
}  // namespace

TEST_F(MainWindowTest, AStoreWhoseWriteFailsLeavesTableAndViewAgreeing) {
  if (!HasPython3Dbfread()) GTEST_SKIP() << "python3-dbfread missing";
  const struct {
    Accion accion;
    Ajeno ajeno;
    int eleccion;  // Mía 1, Ambas 2; the write fails once it is given
    const char* tabla;
    const char* vista;
  } casos[] = {
      {Accion::Arrastre, Ajeno::Nada, -1, "4 10:00-11:00 Reunión|", "4 10:00-11:00 Reunión"},
      {Accion::Arrastre, Ajeno::Asunto, 1, "4 10:00-11:00 Otra|", "4 10:00-11:00 Otra"},
      {Accion::Arrastre, Ajeno::Asunto, 2, "4 10:00-11:00 Otra|", "4 10:00-11:00 Otra"},
      {Accion::Tecleo, Ajeno::Nada, -1, "4 10:00-11:00 Reunión|", "4 10:00-11:00 Reunión"},
      {Accion::Editor, Ajeno::Asunto, 1, "4 10:00-11:00 Otra|", "4 10:00-11:00 Otra"},
      {Accion::Borrar, Ajeno::Nada, -1, "4 10:00-11:00 Reunión|", "4 10:00-11:00 Reunión"},
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
    SetMessageAnswerer([&](const MessageRequest& r) {
      messages << r.text;
      if (r.choices.isEmpty()) return int(mrYes);
      FallaLaProximaEscritura();
      return c.eleccion;
    });
    if (c.ajeno == Ajeno::Nada) FallaLaProximaEscritura();
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
        ASSERT_TRUE(tv->EditItem(it, tv->DayOfDate(D(12, 3, 2004))));
        tv->Editor()->setPlainText("Comida");
        tv->EndEdit(true);
        break;
      case Accion::Editor:
        tv->SetSelectedItem(it);
        WhenModalOpens<TfrmEditCita>([&](TfrmEditCita& d) {
          HacerAjeno(folder, c.ajeno);
          d.edtAsunto->setText("Del diálogo");
          d.btnOk->click();
        });
        frm->acEditExecute();
        break;
      case Accion::Borrar:
        tv->SetSelectedItem(it);
        frm->acDelExecute();
        break;
    }
    data::SetIoFaultPlan({});
    EXPECT_EQ(Tabla(folder).toStdString(), c.tabla);
    EXPECT_EQ(Vista(tv).toStdString(), c.vista);
    EXPECT_TRUE(messages.value(messages.size() - 1).startsWith("Error escribiendo")) << messages.join(" / ").toStdString();
    EXPECT_TRUE(notices.empty());
    // What the window remembers is the table too: a drag now stores at once.
    messages.clear();
    it = frm->ItemDeID(4);
    ASSERT_NE(it, nullptr);
    it->SetTimes(D(12, 3, 2004) + dt::EncodeTime(14, 0), D(12, 3, 2004) + dt::EncodeTime(15, 0));
    frm->TimeViewDragged(it, dmEnd);
    EXPECT_TRUE(messages.isEmpty()) << messages.join(" / ").toStdString();
    EXPECT_EQ(Leer(folder, 4).hi, "14:00");
  }
}
