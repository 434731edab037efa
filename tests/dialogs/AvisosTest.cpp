#include <QComboBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include "core/Colors.h"
#include "dialogs/AdvSpin.h"
#include "dialogs/Sonido.h"
#include "dialogs/UAvisosAgenda.h"
#include "dialogs/UEditCita.h"
#include "dialogs/VenceEn.h"
#include "tests/dialogs/AgendaFixture.h"

namespace {

const TDate kHoy = dt::EncodeDate(2004, 3, 10);

TEST(VenceEn, TellsTheLargestUnitsAsTheWindowShowsThem) {
  const TDateTime ahora = kHoy + HM(18, 0);
  struct Case {
    TDateTime inicio;
    const char* texto;
  } cases[] = {
      {kHoy + HM(20, 20), "2 horas "},
      {kHoy + HM(16, 30), "1 hora 30 minutos atrasado"},
      {kHoy - 3 + HM(18, 0), "3 días atrasado"},
      {kHoy + HM(18, 0) + dt::OneSecond * 30, ""},
      {kHoy + HM(18, 0) - dt::OneSecond * 30, "atrasado"},
      {kHoy + HM(18, 0), "atrasado"},
      {kHoy + 1 + HM(9, 0), "15 horas "},
      {kHoy + 2 + HM(9, 0), "2 días "},
      {kHoy + HM(19, 1), "1 hora 1 minuto "},
      {kHoy + HM(18, 7), "7 minutos "},
      {dt::EncodeDate(2005, 3, 10) + HM(18, 0), "1 año "},
      {dt::EncodeDate(2006, 5, 10) + HM(18, 0), "2 años "},
      {dt::EncodeDate(2005, 5, 10) + HM(18, 0), "1 año 2 meses "},
      {dt::EncodeDate(2004, 4, 12) + HM(18, 0), "1 mes 2 días "},
      // Back over the end of February of a leap year: its 29 days count.
      {dt::EncodeDate(2004, 2, 28) + HM(18, 0), "11 días atrasado"},
      {dt::EncodeDate(2003, 3, 12) + HM(18, 0), "11 meses atrasado"},
  };
  for (const Case& c : cases) EXPECT_EQ(TextoVenceEn(ahora, c.inicio), QString::fromUtf8(c.texto)) << c.texto;
}

class AvisosTest : public AgendaFixture {
 protected:
  void SetUp() override {
    AgendaFixture::SetUp();
    SetNow(kHoy + HM(12, 0));
    Sonido::SetReproductor({[this] { ++sonando; }, [this] { ++detenido; }});
  }
  void TearDown() override {
    Sonido::SetReproductor({});
    AgendaFixture::TearDown();
  }

  std::unique_ptr<TfrmAvisos> Mostrar() {
    auto frm = std::make_unique<TfrmAvisos>();
    frm->show();
    frm->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(frm.get()));
    return frm;
  }

  static std::vector<int> Ids(const TfrmAvisos& frm) {
    std::vector<int> ids;
    for (const auto& a : frm.Avisos()) ids.push_back(a.ID);
    return ids;
  }

  struct Recordatorio {
    std::int64_t aviso;
    TDate fecha;
    std::string hora;
  };
  Recordatorio Leer(int id) {
    auto t = Agenda();
    EXPECT_TRUE(t->FindKey(id));
    return {t->FieldByName("AVISO").AsInteger(), t->FieldByName("F_AVISO").AsDate(),
            t->FieldByName("H_AVISO").AsString()};
  }

  int sonando = 0;
  int detenido = 0;
};

TEST_F(AvisosTest, ListsTheRemindersDueByTheCurrentMinute) {
  AddCategoria(3, "Trabajo", 0x0000FF);
  AddCita({.id = 1, .fechaIni = kHoy, .horaIni = "13:00", .asunto = "Justo ahora", .aviso = 4, .hAviso = "12:00"});
  AddCita({.id = 2, .fechaIni = kHoy, .horaIni = "13:01", .asunto = "Dentro de un minuto", .aviso = 4,
           .hAviso = "12:01"});
  AddCita({.id = 3, .fechaIni = kHoy, .horaIni = "09:00", .asunto = "Ayer tarde", .aviso = 10, .fAviso = kHoy - 1,
           .hAviso = "23:59"});
  AddCita({.id = 4, .fechaIni = kHoy, .horaIni = "08:00", .asunto = "Sin aviso", .aviso = 0, .fAviso = kHoy - 1,
           .hAviso = "08:00"});
  AddCita({.id = 5, .fechaIni = kHoy, .horaIni = "11:00", .asunto = "Categoría borrada", .aviso = 1, .tipo = 42,
           .hAviso = "10:55"});
  AddCita({.id = 6, .fechaIni = kHoy - 2, .horaIni = "10:00", .asunto = "Trabajo", .aviso = 1, .tipo = 3,
           .fAviso = kHoy - 2, .hAviso = "09:55"});
  auto frm = Mostrar();
  EXPECT_EQ(frm->windowTitle(), "Avisos");
  EXPECT_EQ(Ids(*frm), (std::vector<int>{6, 3, 5, 1}));  // by start day and hour
  EXPECT_EQ(frm->StatusBar->currentMessage(), "4 avisos.");
  EXPECT_EQ(sonando, 1);

  const QAbstractItemModel* m = frm->dbgAvisos->model();
  ASSERT_EQ(m->columnCount(), 5);
  const char* titulos[] = {"Fecha", "Hora", "Asunto", "Categoría", "Vence en"};
  for (int c = 0; c < 5; ++c) EXPECT_EQ(m->headerData(c, Qt::Horizontal).toString(), QString::fromUtf8(titulos[c]));
  EXPECT_EQ(m->index(0, 0).data().toString(), "08/03/2004");
  EXPECT_EQ(m->index(0, 1).data().toString(), "10:00");
  EXPECT_EQ(m->index(0, 2).data().toString(), "Trabajo");
  EXPECT_EQ(m->index(0, 3).data().toString(), "Trabajo");
  EXPECT_EQ(m->index(0, 4).data().toString(), "2 días atrasado");
  EXPECT_EQ(m->index(0, 0).data(Qt::BackgroundRole).value<QColor>(), ToQColor(0x0000FF));
  EXPECT_EQ(m->index(2, 3).data().toString(), "");
  EXPECT_EQ(m->index(2, 0).data(Qt::BackgroundRole).value<QColor>(), ToQColor(clWindow));
  EXPECT_EQ(m->index(3, 4).data().toString(), "1 hora ");

  // The window colour of a missing category, and the selected row in the
  // standard selection colour, as painted.
  frm->dbgAvisos->selectRow(0);
  const QImage img = frm->dbgAvisos->viewport()->grab().toImage();
  const QRect fila2 = frm->dbgAvisos->visualRect(m->index(2, 4));
  const QRect fila0 = frm->dbgAvisos->visualRect(m->index(0, 4));
  EXPECT_EQ(img.pixelColor(fila2.right() - 2, fila2.center().y()), ToQColor(clWindow));
  EXPECT_EQ(img.pixelColor(fila0.right() - 2, fila0.center().y()),
            frm->dbgAvisos->palette().color(QPalette::Active, QPalette::Highlight));
}

TEST_F(AvisosTest, ColumnsShareTheWidthLeftByDateAndHour) {
  AddCita({.id = 1, .fechaIni = kHoy, .aviso = 1, .hAviso = "09:00"});
  auto frm = Mostrar();
  for (int ancho : {530, 700, 913}) {
    frm->resize(ancho, 300);
    QApplication::processEvents();
    const QTableView* g = frm->dbgAvisos;
    const int w = (g->viewport()->width() - g->columnWidth(0) - g->columnWidth(1) - 5) / 4;
    EXPECT_EQ(g->columnWidth(1), 39);
    EXPECT_EQ(g->columnWidth(2), 2 * w) << ancho;
    EXPECT_EQ(g->columnWidth(3), w) << ancho;
    EXPECT_EQ(g->columnWidth(4), w) << ancho;
  }
}

// Enough rows for the vertical scroll bar: the columns still fit beside it,
// with no horizontal scroll bar and "Vence en" whole.
TEST_F(AvisosTest, ColumnsFitBesideTheVerticalScrollBar) {
  for (int id = 1; id <= 30; ++id)
    AddCita({.id = id, .fechaIni = kHoy, .asunto = "Cita", .aviso = 1, .hAviso = "09:00"});
  auto frm = Mostrar();
  QApplication::processEvents();
  const QTableView* g = frm->dbgAvisos;
  ASSERT_TRUE(g->verticalScrollBar()->isVisible());
  EXPECT_FALSE(g->horizontalScrollBar()->isVisible());
  int total = 0;
  for (int c = 0; c < 5; ++c) total += g->columnWidth(c);
  EXPECT_LE(total, g->viewport()->width());
  EXPECT_EQ(g->columnWidth(4), (g->viewport()->width() - g->columnWidth(0) - g->columnWidth(1) - 5) / 4);
}

TEST_F(AvisosTest, PostponingFiveMinutesAtTheYearsLastMinutesMovesIntoTheNextYear) {
  const TDate nochevieja = dt::EncodeDate(2004, 12, 31);
  SetNow(nochevieja + HM(23, 58));
  AddCita({.id = 1, .fechaIni = nochevieja, .horaIni = "23:59", .aviso = 1, .hAviso = "23:54"});
  AddCita({.id = 2, .fechaIni = nochevieja, .horaIni = "23:59", .aviso = 3, .hAviso = "23:44"});
  auto frm = Mostrar();
  ASSERT_EQ(Ids(*frm), (std::vector<int>{1, 2}));
  EXPECT_EQ(frm->cbbAvisar->count(), 15);
  EXPECT_EQ(frm->cbbAvisar->currentText(), "5 minutos");
  EXPECT_EQ(frm->cbbAvisar->itemText(14), "15 días");
  frm->dbgAvisos->selectRow(0);
  frm->btnAvisarCita->click();
  const auto r = Leer(1);
  EXPECT_EQ(r.aviso, 1);
  EXPECT_EQ(r.fecha, dt::EncodeDate(2005, 1, 1));
  EXPECT_EQ(r.hora, "00:03");
  EXPECT_EQ(Ids(*frm), (std::vector<int>{2}));
  EXPECT_EQ(frm->StatusBar->currentMessage(), "1 avisos.");
  EXPECT_TRUE(frm->isVisible());
}

TEST_F(AvisosTest, NoAvisarAndTheNoReminderChoiceSwitchTheReminderOff) {
  AddCita({.id = 1, .fechaIni = kHoy, .aviso = 1, .hAviso = "09:00"});
  AddCita({.id = 2, .fechaIni = kHoy, .horaIni = "11:00", .aviso = 1, .hAviso = "09:00"});
  auto frm = Mostrar();
  frm->dbgAvisos->selectRow(1);
  frm->btnNoAvisarCita->click();
  EXPECT_EQ(Ids(*frm), (std::vector<int>{1}));
  const auto r2 = Leer(2);
  EXPECT_EQ(r2.aviso, 0);
  EXPECT_EQ(r2.fecha, kHoy);
  EXPECT_EQ(r2.hora, "12:00");

  frm->cbbAvisar->setCurrentIndex(0);
  frm->btnAvisarCita->click();
  EXPECT_TRUE(frm->Avisos().empty());
  EXPECT_EQ(frm->StatusBar->currentMessage(), "0 avisos.");
  EXPECT_EQ(Leer(1).aviso, 0);
  frm->btnNoAvisarCita->click();  // an empty list: nothing happens
  frm->btnAvisarTodas->click();
  EXPECT_TRUE(frm->isVisible());
}

TEST_F(AvisosTest, TodasAndNoAvisarTodosChangeEveryRowAndClose) {
  for (int id : {1, 2, 3}) AddCita({.id = id, .fechaIni = kHoy, .aviso = 1, .hAviso = "09:00"});
  auto frm = Mostrar();
  frm->cbbAvisar->setCurrentIndex(14);
  frm->btnAvisarTodas->click();
  EXPECT_FALSE(frm->isVisible());
  for (int id : {1, 2, 3}) {
    EXPECT_EQ(Leer(id).aviso, 14);
    EXPECT_EQ(Leer(id).fecha, kHoy + 15);
    EXPECT_EQ(Leer(id).hora, "12:00");
  }

  SetNow(kHoy + 20 + HM(8, 30));
  auto otra = Mostrar();
  ASSERT_EQ(otra->Avisos().size(), 3u);
  otra->btnNoAvisarTodos->click();
  EXPECT_FALSE(otra->isVisible());
  for (int id : {1, 2, 3}) EXPECT_EQ(Leer(id).aviso, 0);
}

TEST_F(AvisosTest, AnAppointmentGoneSinceListingIsSkipped) {
  AddCita({.id = 1, .fechaIni = kHoy, .aviso = 1, .hAviso = "09:00"});
  AddCita({.id = 2, .fechaIni = kHoy, .horaIni = "11:00", .aviso = 1, .hAviso = "09:00"});
  auto frm = Mostrar();
  {
    auto t = Agenda();
    ASSERT_TRUE(t->FindKey(1));
    t->Delete();
  }
  frm->dbgAvisos->selectRow(0);
  frm->btnNoAvisarCita->click();
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(Ids(*frm), (std::vector<int>{2}));
}

TEST_F(AvisosTest, AbrirCitaEditsTheAppointmentAndRereadsTheList) {
  AddCita({.id = 1, .fechaIni = kHoy, .aviso = 1, .hAviso = "09:00"});
  AddCita({.id = 2, .fechaIni = kHoy, .horaIni = "11:00", .aviso = 1, .hAviso = "09:00"});
  auto frm = Mostrar();
  frm->dbgAvisos->selectRow(1);
  AlMostrar<TfrmEditCita>([](TfrmEditCita& editor) {
    EXPECT_EQ(editor.edtHoraInicio->text(), "11:00");
    editor.edtHoraInicio->setText("18:00");  // reminder 5 minutes before: 17:55, not due
    editor.btnOk->click();
  });
  frm->btnOpenCita->click();
  EXPECT_FALSE(frm->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_EQ(Ids(*frm), (std::vector<int>{1}));
  const auto r = Leer(2);
  EXPECT_EQ(r.fecha, kHoy);
  EXPECT_EQ(r.hora, "17:55");
}

TEST_F(AvisosTest, EscapeClosesTheWindowWhateverHasTheFocus) {
  AddCita({.id = 1, .fechaIni = kHoy, .aviso = 1, .hAviso = "09:00"});
  auto frm = Mostrar();
  frm->cbbAvisar->setFocus();
  QTest::keyClick(frm->cbbAvisar, Qt::Key_Escape);
  EXPECT_FALSE(frm->isVisible());
}

TEST_F(AvisosTest, ComprobarAvisosShowsTheWindowOnTopWithAChimeStoppedWithinASecond) {
  AddCita({.id = 1, .fechaIni = kHoy, .aviso = 1, .hAviso = "09:00"});
  bool visto = false;
  AlMostrar<TfrmAvisos>([&](TfrmAvisos& frm) {
    visto = true;
    EXPECT_TRUE(frm.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(frm.Avisos().size(), 1u);
    EXPECT_EQ(sonando, 1);
    QTest::qWait(1100);
    EXPECT_GE(detenido, 1);
    frm.btnNoAvisarTodos->click();
  });
  ComprobarAvisos();
  EXPECT_TRUE(visto);
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(Leer(1).aviso, 0);
}

TEST_F(AvisosTest, ComprobarAvisosWithoutDueRemindersShowsAndPlaysNothing) {
  AddCita({.id = 1, .fechaIni = kHoy, .aviso = 1, .hAviso = "12:01"});
  AddCita({.id = 2, .fechaIni = kHoy, .aviso = 0, .fAviso = kHoy - 1, .hAviso = "09:00"});
  bool ventana = false;
  QTimer::singleShot(0, [&] {
    if (QWidget* w = QApplication::activeModalWidget()) {
      ventana = true;
      w->close();
    }
  });
  ComprobarAvisos();
  QApplication::processEvents();
  EXPECT_FALSE(ventana);
  EXPECT_EQ(sonando, 0);
  EXPECT_TRUE(messages.empty());
}

TEST_F(AvisosTest, ComprobarAvisosReportsAnUnreadableDataFolder) {
  ConfigAgenda.DataPath = folder + "no-existe/";
  ComprobarAvisos();
  ASSERT_EQ(messages.size(), 1);
  EXPECT_TRUE(messages[0].startsWith("Error mostrando avisos de la agenda.\r\n")) << messages[0].toStdString();
  EXPECT_GT(messages[0].size(), QString("Error mostrando avisos de la agenda.\r\n").size());
  EXPECT_EQ(types[0], mtError);
  EXPECT_EQ(sonando, 0);
}

}  // namespace

namespace {
TEST_F(AvisosTest, ARecordLockedElsewhereIsReportedAndTheWindowGoesOn) {
  AddCita({.id = 1, .fechaIni = kHoy, .aviso = 1, .hAviso = "09:00"});
  auto frm = Mostrar();
  auto otro = Agenda();
  ASSERT_TRUE(otro->FindKey(1));
  otro->Edit();  // another copy is changing this appointment
  frm->btnNoAvisarCita->click();
  ASSERT_EQ(messages.size(), 1);
  EXPECT_TRUE(messages[0].startsWith("Error mostrando avisos de la agenda.\r\n")) << messages[0].toStdString();
  EXPECT_EQ(frm->tblAgenda.State(), data::TableState::Browse);
  EXPECT_TRUE(frm->isVisible());
  otro->Cancel();
  messages.clear();
  frm->btnNoAvisarCita->click();
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(Leer(1).aviso, 0);
}
}  // namespace
