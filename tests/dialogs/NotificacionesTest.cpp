// Due reminders as desktop notifications, against a notification service of
// our own on the private session bus this test runs on (dbus-run-session).
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "dialogs/AdvSpin.h"
#include "dialogs/Sonido.h"
#include "dialogs/UAvisosAgenda.h"
#include "dialogs/UEditCita.h"
#include "tests/dialogs/AgendaFixture.h"
#include "tests/dialogs/FakeNotifications.h"

namespace {
const TDate kHoy = dt::EncodeDate(2004, 3, 10);

class NotificacionesTest : public AgendaFixture {
 protected:
  void SetUp() override {
    AgendaFixture::SetUp();
    ASSERT_TRUE(QDBusConnection::sessionBus().isConnected()) << "run under dbus-run-session";
    SetNow(kHoy + HM(12, 0));
    Sonido::SetReproductor({[] {}, [] {}});
    AddCita({.id = 1, .fechaIni = kHoy, .horaIni = "09:30", .horaFin = "10:00", .asunto = "Dentista", .aviso = 1, .hAviso = "09:25"});
    AddCita({.id = 2, .fechaIni = kHoy, .horaIni = "13:00", .horaFin = "14:00", .asunto = "Comida con Ana", .aviso = 4,
             .hAviso = "12:00"});
  }
  void TearDown() override {
    Sonido::SetReproductor({});
    AgendaFixture::TearDown();
  }

  static std::unique_ptr<TfrmAvisos> Mostrar() {
    auto frm = std::make_unique<TfrmAvisos>();
    frm->show();
    return frm;
  }

  // Runs Accion on the appointment editor as soon as one is shown (it is
  // shown from within a D-Bus signal, so it is polled for).
  static void AlAbrirseElEditor(std::function<void(TfrmEditCita&)> Accion) {
    auto* t = new QTimer;
    QObject::connect(t, &QTimer::timeout, [t, Accion] {
      if (auto* e = dynamic_cast<TfrmEditCita*>(QApplication::activeModalWidget())) {
        t->deleteLater();
        t->stop();
        Accion(*e);
        if (e->isVisible()) e->reject();  // a refused edit must not hang the test
      }
    });
    t->start(20);
  }
};

TEST_F(NotificacionesTest, EachDueReminderRaisesABubbleWhoseAbrirOpensTheAppointment) {
  FakeNotifications servicio;
  ASSERT_TRUE(servicio.Registered());
  auto frm = Mostrar();
  ASSERT_TRUE(QTest::qWaitFor([&] { return servicio.calls.size() == 2; }, 5000));
  const char* asuntos[] = {"Dentista", "Comida con Ana"};
  const char* textos[] = {"Comienza el 10/03/2004 a las 09:30", "Comienza el 10/03/2004 a las 13:00"};
  for (int i = 0; i < 2; ++i) {
    const FakeNotifications::Call& c = servicio.calls[i];
    EXPECT_EQ(c.app, "Quillar");
    EXPECT_EQ(c.icon, "quillar");
    EXPECT_EQ(c.summary, QString::fromUtf8(asuntos[i]));
    EXPECT_EQ(c.body, QString::fromUtf8(textos[i]));
    EXPECT_EQ(c.replaces, 0u);
    EXPECT_TRUE(c.actions.contains("abrir"));
    EXPECT_EQ(c.actions.at(c.actions.indexOf("abrir") + 1), "Abrir");
    EXPECT_EQ(c.hints.value("desktop-entry").toString(), "quillar");
  }

  // "Abrir" on the second bubble: the editor opens on that appointment, as
  // "Abrir cita" would, above the reminders window.
  bool editado = false;
  AlAbrirseElEditor([&](TfrmEditCita& editor) {
    EXPECT_EQ(editor.edtAsunto->text(), "Comida con Ana");
    editor.edtHoraInicio->setText("18:00");  // reminder 17:00: no longer due
    editor.btnOk->click();
    editado = true;
  });
  servicio.Invoke(servicio.calls[1].id, "abrir");
  ASSERT_TRUE(QTest::qWaitFor([&] { return editado; }, 5000));
  EXPECT_FALSE(frm->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  ASSERT_EQ(frm->Avisos().size(), 1u);

  // Shown again, a reminder replaces its own bubble instead of adding one.
  frm->NotificarAvisos();
  ASSERT_TRUE(QTest::qWaitFor([&] { return servicio.calls.size() == 3; }, 5000));
  EXPECT_EQ(servicio.calls[2].summary, "Dentista");
  EXPECT_EQ(servicio.calls[2].replaces, servicio.calls[0].id);
  EXPECT_TRUE(messages.empty());
}

TEST_F(NotificacionesTest, ABubbleThatOutlivesTheWindowStillOpensTheAppointment) {
  FakeNotifications servicio;
  ASSERT_TRUE(servicio.Registered());
  auto frm = Mostrar();
  ASSERT_TRUE(QTest::qWaitFor([&] { return servicio.calls.size() == 2; }, 5000));
  frm->close();
  frm.reset();
  QString visto;
  AlAbrirseElEditor([&](TfrmEditCita& editor) {
    visto = editor.edtAsunto->text();
    editor.btnCancel->click();
  });
  servicio.Invoke(servicio.calls[0].id, "abrir");
  ASSERT_TRUE(QTest::qWaitFor([&] { return !visto.isEmpty(); }, 5000));
  EXPECT_EQ(visto, "Dentista");

  // A bubble the service has closed does nothing any more; other actions
  // than "Abrir" never did.
  servicio.Close(servicio.calls[1].id);
  bool abierto = false;
  AlAbrirseElEditor([&](TfrmEditCita& editor) {
    abierto = true;
    editor.btnCancel->click();
  });
  servicio.Invoke(servicio.calls[0].id, "otra");
  servicio.Invoke(servicio.calls[1].id, "abrir");
  QTest::qWait(300);
  EXPECT_FALSE(abierto);
  EXPECT_TRUE(messages.empty());
}

TEST_F(NotificacionesTest, ARestartedServicesBubblesAreNotOurs) {
  // The service's numbering starts anew when it restarts: its bubble 1 now
  // belongs to another program and must neither open our appointment nor be
  // replaced by our next bubble.
  auto servicio = std::make_unique<FakeNotifications>();
  ASSERT_TRUE(servicio->Registered());
  auto frm = Mostrar();
  ASSERT_TRUE(QTest::qWaitFor([&] { return servicio->calls.size() == 2; }, 5000));
  ASSERT_EQ(servicio->calls[0].id, 1u);
  servicio.reset();
  servicio = std::make_unique<FakeNotifications>();
  ASSERT_TRUE(servicio->Registered());
  bool abierto = false;
  AlAbrirseElEditor([&](TfrmEditCita& editor) {
    abierto = true;
    editor.btnCancel->click();
  });
  QTest::qWait(100);  // the bus has told of the new owner
  servicio->Invoke(1, "default");
  QTest::qWait(300);
  EXPECT_FALSE(abierto);

  frm->NotificarAvisos();
  ASSERT_TRUE(QTest::qWaitFor([&] { return servicio->calls.size() == 2; }, 5000));
  EXPECT_EQ(servicio->calls[0].replaces, 0u);
  EXPECT_EQ(servicio->calls[1].replaces, 0u);
  EXPECT_TRUE(messages.empty());
}

TEST_F(NotificacionesTest, WithoutANotificationServiceTheWindowAloneShowsTheReminders) {
  auto frm = Mostrar();
  QTest::qWait(300);  // the call to the missing service has failed by now
  EXPECT_EQ(frm->Avisos().size(), 2u);
  EXPECT_TRUE(frm->isVisible());
  EXPECT_TRUE(messages.empty());
}
}  // namespace
