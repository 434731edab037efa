#include "maintenance/UAcercaDeAgenda.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>

#include "app/UAgendaUtil.h"
#include "maintenance/LinkLabel.h"
#include "maintenance/UCopSeg.h"
#include "maintenance/UGeneraDatos.h"
#include "maintenance/UReindex.h"
#include "support/ScreenCentre.h"
#include <gtest/gtest.h>

namespace {

TEST(AcercaDeTest, ShowsVersionLogoAndTwoLinks) {
  TfrmAcercaDeAgenda dlg;
  dlg.show();
  EXPECT_EQ(dlg.windowTitle(), "Acerca de ...");
  EXPECT_EQ(dlg.size(), QSize(255, 327));
  EXPECT_EQ(dlg.lblVersion->text(), "Versión 1.30");
  ASSERT_FALSE(dlg.Image1->pixmap().isNull());
  EXPECT_EQ(dlg.Image1->pixmap().size(), QSize(200, 164));
  EXPECT_EQ(dlg.Label1->text(), QString("Aplicación desarrollada\npor ") + kNombreAutor);

  std::vector<QUrl> opened;
  SetShellOpener([&](const QUrl& u) {
    opened.push_back(u);
    return true;
  });
  QTest::mouseClick(dlg.lblWeb, Qt::LeftButton);
  QTest::mouseClick(dlg.lblWebAutor, Qt::LeftButton);
  QTest::mouseClick(dlg.lblWeb, Qt::RightButton);  // only the left button follows a link
  SetShellOpener({});
  ASSERT_EQ(opened.size(), 2u);
  EXPECT_EQ(opened[0], QUrl(kWebProducto));
  EXPECT_EQ(opened[1], QUrl(kWebAutor));

  QTest::mouseClick(dlg.Button1, Qt::LeftButton);
  EXPECT_FALSE(dlg.isVisible());
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
}

TEST(AcercaDeTest, LinkIsUnderlinedOnYellowOnlyWhileTheMouseIsOver) {
  TfrmAcercaDeAgenda dlg;
  dlg.show();
  EXPECT_FALSE(dlg.lblWeb->font().underline());
  EXPECT_TRUE(dlg.lblWeb->font().bold());
  EXPECT_EQ(dlg.lblWeb->cursor().shape(), Qt::PointingHandCursor);
  QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
  QApplication::sendEvent(dlg.lblWeb, &enter);
  EXPECT_TRUE(dlg.lblWeb->font().underline());
  EXPECT_EQ(dlg.lblWeb->palette().color(QPalette::Window), QColor(Qt::yellow));
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(dlg.lblWeb, &leave);
  EXPECT_FALSE(dlg.lblWeb->font().underline());
}

TEST(AcercaDeTest, OnlyCtrlWithTheRightButtonOnTheVersionOpensTheGenerator) {
  struct Case {
    Qt::MouseButton button;
    Qt::KeyboardModifiers modifiers;
    bool opens;
  } cases[] = {
      {Qt::RightButton, Qt::ControlModifier, true},
      {Qt::RightButton, Qt::NoModifier, false},
      {Qt::LeftButton, Qt::ControlModifier, false},
      {Qt::RightButton, Qt::ShiftModifier, false},
      {Qt::MiddleButton, Qt::ControlModifier, false},
  };
  for (const Case& c : cases) {
    int refreshes = 0;
    MainWindowLink link;
    link.Refresh = [&] { ++refreshes; };
    TfrmAcercaDeAgenda dlg(link);
    dlg.show();
    bool opened = false;
    QTimer::singleShot(0, [&] {
      if (auto* g = qobject_cast<TfrmGenerarDatos*>(QApplication::activeModalWidget())) {
        opened = g->windowTitle() == "Generar datos de prueba";
        g->reject();
      }
    });
    QTest::mousePress(dlg.lblVersion, c.button, c.modifiers);
    QTest::mouseRelease(dlg.lblVersion, c.button, c.modifiers);
    QCoreApplication::processEvents();
    EXPECT_EQ(opened, c.opens) << int(c.button) << " " << int(c.modifiers);
    // The main window refreshes once the generator closes.
    EXPECT_EQ(refreshes, c.opens ? 1 : 0);
  }
}

// The backup, reorganisation and About boxes open in the middle of the
// screen, not over the window that opens them.
TEST(AcercaDeTest, MaintenanceDialogsOpenInTheMiddleOfTheScreen) {
  const std::function<QWidget*(QWidget*)> dialogs[] = {
      [](QWidget* owner) -> QWidget* { return new TfrmAcercaDeAgenda({}, owner); },
      [](QWidget* owner) -> QWidget* { return new TfrmCopSeg(owner); },
      [](QWidget* owner) -> QWidget* { return new TfrmReindex({}, owner); },
  };
  for (const auto& make : dialogs) testsupport::ExpectOpensInTheMiddleOfTheScreen(make);
}

}  // namespace
