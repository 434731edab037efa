#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "app/AgendaHooks.h"
#include "dialogs/AdvSpin.h"
#include "dialogs/CampoFecha.h"
#include "dialogs/UEditCita.h"
#include "tests/dialogs/AgendaFixture.h"

namespace {

const TDate kDia = dt::EncodeDate(2004, 3, 12);
const QString kMsgInicio = "El inicio debe ser anterior\r\nque el fin.";
const QString kMsgDuracion = "La duración de la cita debe ser\r\nde 5 minutos como mínimo";
const QString kMsgAsunto = "No se puede dejar el Asunto vacío.";
const QString kMsgHoraInicio = "La hora de inicio no es válida.\r\nEscríbala como hh:mm, por ejemplo 09:30.";
const QString kMsgHoraFin = "La hora de fin no es válida.\r\nEscríbala como hh:mm, por ejemplo 09:30.";

class EditCitaTest : public AgendaFixture {
 protected:
  void SetUp() override {
    AgendaFixture::SetUp();
    SetTemporizadorRefresco([this](bool activo) { refresco.push_back(activo); });
  }
  void TearDown() override {
    SetTemporizadorRefresco({});
    AgendaFixture::TearDown();
  }

  // The editor filled from the record with that ID and shown, as EditCita
  // shows it, but not modal so the test can drive it step by step.
  std::unique_ptr<TfrmEditCita> Abrir(data::Table& t, int id) {
    EXPECT_TRUE(t.FindKey(id));
    auto frm = std::make_unique<TfrmEditCita>();
    frm->CargarCita(t);
    frm->show();
    frm->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(frm.get()));
    return frm;
  }

  static void Escribir(QLineEdit* campo, const QString& texto) {
    campo->setFocus();
    campo->selectAll();
    QTest::keyClicks(campo, texto);
  }

  std::vector<bool> refresco;
};

TEST_F(EditCitaTest, OpensShowingTheRecordAsStored) {
  AddCita({.id = 1, .fechaIni = kDia, .horaIni = "23:50", .horaFin = "23:55", .asunto = "Tarde", .aviso = 3,
           .notas = "línea 1\nlínea 2", .lugar = "Sala"});
  AddCita({.id = 2, .fechaIni = kDia, .horaIni = "00:00", .fechaFin = kDia + 1, .horaFin = "00:00"});
  auto t = Agenda();
  auto frm = Abrir(*t, 1);
  EXPECT_EQ(frm->windowTitle(), "Cita");
  EXPECT_EQ(frm->edtAsunto->text(), "Tarde");
  EXPECT_EQ(frm->edtFechaInicio->text(), "12/03/2004");
  EXPECT_EQ(frm->edtFechaFin->text(), "12/03/2004");
  EXPECT_EQ(frm->edtHoraInicio->text(), "23:50");
  EXPECT_EQ(frm->edtHoraFin->text(), "23:55");
  EXPECT_EQ(frm->cbbAviso->currentIndex(), 3);
  EXPECT_EQ(frm->cbbAviso->count(), 14);
  EXPECT_EQ(frm->cbbAviso->itemText(13), "1 semana ");
  EXPECT_EQ(frm->edtLugar->text(), "Sala");
  EXPECT_EQ(frm->memNotas->toPlainText(), "línea 1\nlínea 2");
  EXPECT_EQ(frm->Duracion(), 5);
  frm->reject();

  auto dia = Abrir(*t, 2);
  EXPECT_EQ(dia->edtFechaInicio->text(), "12/03/2004");
  EXPECT_EQ(dia->edtFechaFin->text(), "13/03/2004");
  EXPECT_EQ(dia->edtHoraFin->text(), "00:00");
  EXPECT_EQ(dia->Duracion(), 1440);
  dia->edtFechaInicio->setDate(QDateDe(kDia + 2));
  EXPECT_EQ(dia->edtFechaFin->text(), "15/03/2004");
  EXPECT_EQ(dia->edtHoraFin->text(), "00:00");
  dia->reject();
}

TEST_F(EditCitaTest, ControlsFollowTheTabOrderAndHoursMenuHasEveryHour) {
  AddCita({.id = 1, .fechaIni = kDia});
  auto t = Agenda();
  auto editor = Abrir(*t, 1);
  TfrmEditCita& frm = *editor;
  QWidget* orden[] = {frm.edtAsunto, frm.edtFechaInicio, frm.edtHoraInicio, frm.edtFechaFin, frm.edtHoraFin,
                      frm.cbbAviso,  frm.cbbCategoria,   frm.edtLugar,      frm.memNotas,    frm.btnOk,
                      frm.btnCancel};
  frm.edtAsunto->setFocus();
  for (std::size_t i = 1; i < std::size(orden); ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QWidget* foco = QApplication::focusWidget();
    ASSERT_NE(foco, nullptr);
    EXPECT_TRUE(foco == orden[i] || orden[i]->isAncestorOf(foco))
        << i << " " << foco->metaObject()->className() << " " << foco->objectName().toStdString();
  }
  const auto items = frm.popHoras->actions();
  ASSERT_EQ(items.size(), 24);
  EXPECT_EQ(items[0]->text(), "00:00");
  EXPECT_EQ(items[0]->objectName(), "N00001");
  EXPECT_EQ(items[23]->text(), "23:00");
  EXPECT_EQ(items[23]->objectName(), "N23001");
  EXPECT_TRUE(frm.btnOk->isDefault());
  EXPECT_EQ(frm.minimumSize(), QSize(450, 330));
  frm.reject();
}

TEST_F(EditCitaTest, MovingTheStartKeepsTheDuration) {
  AddCita({.id = 1, .fechaIni = kDia, .horaIni = "10:00", .horaFin = "11:00"});
  auto t = Agenda();
  auto frm = Abrir(*t, 1);
  frm->edtHoraInicio->setFocus();
  frm->edtHoraInicio->setCursorPosition(0);
  QTest::keyClick(frm->edtHoraInicio, Qt::Key_Up);
  EXPECT_EQ(frm->edtHoraInicio->text(), "11:00");
  EXPECT_EQ(frm->edtHoraFin->text(), "12:00");
  frm->edtFechaInicio->setDate(QDateDe(kDia + 1));
  EXPECT_EQ(frm->edtFechaFin->text(), "13/03/2004");
  EXPECT_EQ(frm->edtHoraFin->text(), "12:00");

  // The end chosen from the hours menu sets a new duration for the start to keep.
  frm->btnHoraFinClick();
  frm->popHoras->findChild<QAction*>("N15001")->trigger();
  frm->popHoras->hide();
  EXPECT_EQ(frm->edtHoraFin->text(), "15:00");
  EXPECT_EQ(frm->Duracion(), 240);
  frm->btnHoraInicioClick();
  frm->popHoras->findChild<QAction*>("N08001")->trigger();
  frm->popHoras->hide();
  EXPECT_EQ(frm->edtHoraInicio->text(), "08:00");
  EXPECT_EQ(frm->edtHoraFin->text(), "12:00");

  // Start wrapping past midnight carries the end into the next day.
  frm->edtHoraInicio->setText("23:30");
  EXPECT_EQ(frm->edtFechaFin->text(), "14/03/2004");
  EXPECT_EQ(frm->edtHoraFin->text(), "03:30");
  frm->reject();
}

TEST_F(EditCitaTest, StartEqualToEndMovesTheEndFifteenMinutesOn) {
  AddCita({.id = 1, .fechaIni = kDia, .horaIni = "10:00", .horaFin = "10:00"});
  auto t = Agenda();
  auto frm = Abrir(*t, 1);
  EXPECT_EQ(frm->Duracion(), 15);
  frm->edtHoraInicio->setText("12:00");
  EXPECT_EQ(frm->edtHoraFin->text(), "12:15");
  frm->reject();
}

TEST_F(EditCitaTest, LeavingAnHourFieldTidiesItsText) {
  AddCita({.id = 1, .fechaIni = kDia, .horaIni = "10:00", .horaFin = "11:00"});
  auto t = Agenda();
  auto frm = Abrir(*t, 1);
  struct Case {
    const char* typed;
    const char* shown;
  } cases[] = {{"1430", "14:30"}, {"7", "07:00"}, {"930", "09:30"}, {"9.30", "9.30"}};
  for (const Case& c : cases) {
    Escribir(frm->edtHoraFin, c.typed);
    frm->edtLugar->setFocus();
    EXPECT_EQ(frm->edtHoraFin->text(), c.shown) << c.typed;
  }
  Escribir(frm->edtHoraInicio, "1430");
  frm->edtLugar->setFocus();
  EXPECT_EQ(frm->edtHoraInicio->text(), "14:30");
  frm->reject();
}

TEST_F(EditCitaTest, AcceptingChecksTheTimesThenTheSubject) {
  struct Case {
    const char* inicio;
    const char* fin;
    const char* asunto;
    QString mensaje;  // empty: accepted
    const char* foco;
  } cases[] = {
      {"09:00", "09:05", "Cita", "", ""},
      {"09:00", "09:04", "Cita", kMsgDuracion, "edtFechaInicio"},
      {"09:00", "09:00", "Cita", kMsgDuracion, "edtFechaInicio"},
      {"10:00", "09:00", "Cita", kMsgInicio, "edtFechaInicio"},
      {"09:00", "10:00", "   ", kMsgAsunto, "edtAsunto"},
      {"10:00", "09:00", "   ", kMsgInicio, "edtFechaInicio"},
      {"9.30", "10:00", "Cita", kMsgHoraInicio, "edtHoraInicio"},
      {"09:00", "25:00", "Cita", kMsgHoraFin, "edtHoraFin"},
      {"ab:cd", "10:00", "Cita", kMsgHoraInicio, "edtHoraInicio"},
  };
  AddCita({.id = 1, .fechaIni = kDia});
  auto t = Agenda();
  for (const Case& c : cases) {
    auto frm = Abrir(*t, 1);
    frm->edtAsunto->setText(c.asunto);
    frm->edtHoraInicio->setText(c.inicio);
    frm->edtHoraFin->setText(c.fin);
    messages.clear();
    frm->btnOk->click();
    if (c.mensaje.isEmpty()) {
      EXPECT_TRUE(messages.empty()) << c.inicio << "-" << c.fin;
      EXPECT_EQ(frm->result(), QDialog::Accepted) << c.inicio << "-" << c.fin;
    } else {
      ASSERT_EQ(messages.size(), 1) << c.inicio << "-" << c.fin;
      EXPECT_EQ(messages[0], c.mensaje) << c.inicio << "-" << c.fin;
      EXPECT_EQ(types[types.size() - 1], mtInformation);
      EXPECT_TRUE(frm->isVisible());
      ASSERT_NE(frm->focusWidget(), nullptr);
      EXPECT_EQ(frm->focusWidget()->objectName() == c.foco ||
                    frm->focusWidget()->parentWidget()->objectName() == c.foco,
                true)
          << c.inicio << "-" << c.fin << " focus on " << frm->focusWidget()->objectName().toStdString();
      frm->reject();
    }
  }
}

TEST_F(EditCitaTest, AnEndDayBeforeTheStartDayIsRefused) {
  AddCita({.id = 1, .fechaIni = kDia, .horaIni = "09:00", .horaFin = "10:00"});
  auto t = Agenda();
  auto frm = Abrir(*t, 1);
  frm->edtFechaFin->setDate(QDateDe(kDia - 1));
  frm->btnOk->click();
  ASSERT_EQ(messages.size(), 1);
  EXPECT_EQ(messages[0], kMsgInicio);
  frm->reject();
}

TEST_F(EditCitaTest, AcceptedEditIsStoredWithTheReminderComputedFromTheNewChoice) {
  AddCategoria(3, "Trabajo", 0x00FF00);
  AddCita({.id = 1, .fechaIni = kDia, .horaIni = "10:00", .horaFin = "11:00", .aviso = 1});
  data::Table t(folder.toStdString(), "AGENDA");
  AdjuntarHooksAgenda(t, {});
  t.Open();
  t.SetIndexName("ID");
  ASSERT_TRUE(t.FindKey(1));
  AlMostrar<TfrmEditCita>([](TfrmEditCita& frm) {
    frm.edtAsunto->setText("Revisión");
    frm.cbbAviso->setCurrentIndex(5);  // 1 hora
    frm.cbbCategoria->setCurrentIndex(1);
    frm.edtHoraInicio->setText("1430");  // Enter straight from the field
    frm.edtLugar->setText("Despacho");
    frm.memNotas->setPlainText("Traer informe");
    frm.btnOk->click();
  });
  ASSERT_TRUE(EditCita(t));
  EXPECT_EQ(refresco, (std::vector<bool>{false, true}));
  t.Close();

  auto r = Agenda();
  ASSERT_TRUE(r->FindKey(1));
  EXPECT_EQ(r->FieldByName("ASUNTO").AsString(), "Revisión");
  EXPECT_EQ(r->FieldByName("HORA_INI").AsString(), "14:30");
  EXPECT_EQ(r->FieldByName("HORA_FIN").AsString(), "15:30");
  EXPECT_EQ(r->FieldByName("AVISO").AsInteger(), 5);
  EXPECT_EQ(r->FieldByName("TIPO").AsInteger(), 3);
  EXPECT_EQ(r->FieldByName("LUGAR").AsString(), "Despacho");
  EXPECT_EQ(r->FieldByName("NOTAS").AsString(), "Traer informe");
  EXPECT_EQ(r->FieldByName("F_AVISO").AsDate(), kDia);
  EXPECT_EQ(r->FieldByName("H_AVISO").AsString(), "13:30");
}

TEST_F(EditCitaTest, AMissingCategoryOpensAsTheFirstAndIsStoredAsItsID) {
  AddCita({.id = 1, .fechaIni = kDia, .tipo = 42});
  auto t = Agenda();
  ASSERT_TRUE(t->FindKey(1));
  AlMostrar<TfrmEditCita>([](TfrmEditCita& frm) {
    EXPECT_EQ(frm.cbbCategoria->currentIndex(), 0);
    EXPECT_EQ(frm.cbbCategoria->currentText(), "Normal");
    frm.btnOk->click();
  });
  ASSERT_TRUE(EditCita(*t));
  ASSERT_TRUE(t->FindKey(1));
  EXPECT_EQ(t->FieldByName("TIPO").AsInteger(), 0);
}

TEST_F(EditCitaTest, AFifteenDayReminderIsShownAndKept) {
  AddCita({.id = 1, .fechaIni = kDia, .aviso = 14});
  auto t = Agenda();
  ASSERT_TRUE(t->FindKey(1));
  AlMostrar<TfrmEditCita>([](TfrmEditCita& frm) {
    EXPECT_EQ(frm.cbbAviso->currentText(), "15 días");
    frm.btnOk->click();
  });
  ASSERT_TRUE(EditCita(*t));
  ASSERT_TRUE(t->FindKey(1));
  EXPECT_EQ(t->FieldByName("AVISO").AsInteger(), 14);
}

TEST_F(EditCitaTest, CancellingAFreshRecordLeavesNothingBehind) {
  AddCita({.id = 1, .fechaIni = kDia});
  data::Table t(folder.toStdString(), "AGENDA");
  AdjuntarHooksAgenda(t, {});
  t.Open();
  t.SetIndexName("ID");
  const int id = NuevoID(t);
  t.Append();
  t.FieldByName("ID").SetAsInteger(id);
  t.FieldByName("FECHA_INI").SetAsDate(kDia);
  t.FieldByName("FECHA_FIN").SetAsDate(kDia);
  t.FieldByName("HORA_INI").SetAsString("10:00");
  t.FieldByName("HORA_FIN").SetAsString("10:30");
  AlMostrar<TfrmEditCita>([](TfrmEditCita& frm) {
    frm.edtAsunto->setText("No guardar");
    frm.btnCancel->click();
  });
  EXPECT_FALSE(EditCita(t));
  EXPECT_EQ(t.State(), data::TableState::Browse);
  EXPECT_EQ(refresco, (std::vector<bool>{false, true}));
  t.Close();
  auto r = Agenda();
  EXPECT_EQ(r->RecordCount(), 1u);
  EXPECT_FALSE(r->FindKey(2));
}

TEST_F(EditCitaTest, EngineFailureIsShownAndReportedAsNotStored) {
  data::Table cerrada(folder.toStdString(), "AGENDA");  // never opened
  EXPECT_FALSE(EditCita(cerrada));
  ASSERT_EQ(messages.size(), 1);
  EXPECT_EQ(types[0], mtError);
  EXPECT_FALSE(messages[0].isEmpty());
}

TEST_F(EditCitaTest, ARecordRefusedByTheTableRuleIsNotReportedAsStored) {
  data::Table t(folder.toStdString(), "AGENDA");
  AdjuntarHooksAgenda(t, {});
  t.Open();
  t.Append();  // ID stays -1: the before-post rule refuses it
  t.FieldByName("FECHA_INI").SetAsDate(kDia);
  t.FieldByName("FECHA_FIN").SetAsDate(kDia);
  t.FieldByName("HORA_INI").SetAsString("10:00");
  t.FieldByName("HORA_FIN").SetAsString("11:00");
  AlMostrar<TfrmEditCita>([](TfrmEditCita& frm) {
    frm.edtAsunto->setText("Sin ID");
    frm.btnOk->click();
  });
  EXPECT_FALSE(EditCita(t));
  EXPECT_EQ(t.State(), data::TableState::Browse);
  ASSERT_EQ(messages.size(), 1);
  EXPECT_TRUE(messages[0].startsWith("No se pudo guardar la cita."));
  EXPECT_EQ(t.RecordCount(), 0u);
}

TEST_F(EditCitaTest, EditCitaByIdStoresAndRecomputesTheReminder) {
  AddCita({.id = 7, .fechaIni = kDia, .horaIni = "10:00", .horaFin = "11:00", .aviso = 0, .hAviso = "10:00"});
  EXPECT_FALSE(EditCitaById(99));  // no window, no message
  EXPECT_TRUE(messages.empty());

  AlMostrar<TfrmEditCita>([](TfrmEditCita& frm) { frm.btnCancel->click(); });
  EXPECT_FALSE(EditCitaById(7));

  AlMostrar<TfrmEditCita>([](TfrmEditCita& frm) {
    frm.cbbAviso->setCurrentIndex(10);  // 1 día
    frm.btnOk->click();
  });
  EXPECT_TRUE(EditCitaById(7));
  auto r = Agenda();
  ASSERT_TRUE(r->FindKey(7));
  EXPECT_EQ(r->FieldByName("AVISO").AsInteger(), 10);
  EXPECT_EQ(r->FieldByName("F_AVISO").AsDate(), kDia - 1);
  EXPECT_EQ(r->FieldByName("H_AVISO").AsString(), "10:00");
}

}  // namespace

namespace {
TEST_F(EditCitaTest, ADateBeingTypedThatIsNotADateKeepsTheEditorOpen) {
  AddCita({.id = 1, .fechaIni = kDia});
  auto t = Agenda();
  auto frm = Abrir(*t, 1);
  frm->edtAsunto->setText("Cita");
  frm->edtFechaFin->setFocus();
  auto* texto = frm->edtFechaFin->findChild<QLineEdit*>();
  ASSERT_NE(texto, nullptr);
  texto->setCursorPosition(2);  // after the day
  QTest::keyClick(frm->edtFechaFin, Qt::Key_Backspace);
  QTest::keyClick(frm->edtFechaFin, Qt::Key_Backspace);
  TDate dia = 0;
  ASSERT_FALSE(LeerCampoFecha(frm->edtFechaFin, dia)) << frm->edtFechaFin->text().toStdString();
  frm->btnOkClick();
  ASSERT_EQ(messages.size(), 1);
  EXPECT_EQ(messages[0], "La fecha de fin no es válida.");
  EXPECT_TRUE(frm->isVisible());
  EXPECT_NE(frm->result(), QDialog::Accepted);
  frm->reject();
}

// A date typed whole, separators and all, stays in its field in every
// locale: the separator moves on to the next part of the date, never to the
// next field. Any of "/", "-" and "." serves, whether the edit filled a part
// and moved on by itself ("11") or the separator ends a short part ("1").
TEST_F(EditCitaTest, DatesTypedWithSeparatorsStayInTheirField) {
  const struct {
    QLocale locale;
    const char* typed;
    QString shown;
  } cases[] = {
      {QLocale(QLocale::Spanish, QLocale::Spain), "11/12/2026", "11/12/2026"},
      {QLocale(QLocale::Spanish, QLocale::Spain), "1/5/2026", "01/05/2026"},
      {QLocale(QLocale::Spanish, QLocale::Spain), "24/12", "24/12/2004"},
      {QLocale(QLocale::Spanish, QLocale::Spain), "3-4-2005", "03/04/2005"},
      {QLocale(QLocale::Spanish, QLocale::Spain), "7.8.2009", "07/08/2009"},
      {QLocale::c(), "11/12/2026", "11 12 2026"},
      {QLocale(QLocale::German, QLocale::Germany), "11/12/2026", "11.12.2026"},
      {QLocale(QLocale::English, QLocale::UnitedStates), "12/11/2026", "12/11/2026"},
  };
  AddCita({.id = 1, .fechaIni = kDia});
  auto t = Agenda();
  const QLocale antes;
  for (const auto& c : cases) {
    QLocale::setDefault(c.locale);
    SCOPED_TRACE(c.locale.name().toStdString() + " " + c.typed);
    auto frm = Abrir(*t, 1);
    const QString horaFin = frm->edtHoraFin->text();
    frm->edtFechaFin->setFocus(Qt::TabFocusReason);  // as Tab gets there: on the day
    QTest::keyClicks(frm->edtFechaFin, c.typed);
    EXPECT_EQ(frm->edtFechaFin->text(), c.shown);
    EXPECT_EQ(QApplication::focusWidget(), frm->edtFechaFin);
    EXPECT_EQ(frm->edtHoraFin->text(), horaFin);
    frm->reject();
  }
  QLocale::setDefault(antes);
}
}  // namespace

namespace {
TEST_F(EditCitaTest, ARecordLockedElsewhereShowsTheEnginesTextAndIsNotStored) {
  AddCita({.id = 1, .fechaIni = kDia, .asunto = "Original"});
  auto otro = Agenda();
  ASSERT_TRUE(otro->FindKey(1));
  otro->Edit();
  AlMostrar<TfrmEditCita>([](TfrmEditCita& frm) {
    frm.edtAsunto->setText("Cambiado");
    frm.btnOk->click();
  });
  EXPECT_FALSE(EditCitaById(1));
  ASSERT_EQ(messages.size(), 1);
  EXPECT_EQ(types[0], mtError);
  EXPECT_FALSE(messages[0].isEmpty());
  otro->Cancel();
  auto r = Agenda();
  ASSERT_TRUE(r->FindKey(1));
  EXPECT_EQ(r->FieldByName("ASUNTO").AsString(), "Original");
}
}  // namespace
