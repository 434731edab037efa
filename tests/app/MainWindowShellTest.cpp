#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>
#include <QSplitter>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <gtest/gtest.h>

#include "app/AppPaths.h"
#include "app/Help.h"
#include "app/UAgendaUtil.h"
#include "app/UConfigAgenda.h"
#include "app/UMainAgenda.h"
#include "timeview/RBTimeView.h"
#include "core/Messages.h"

namespace {
QString ReadIni(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}
}  // namespace

TEST(MainWindowShell, StartAndCloseReplaceAMissingDataFolderAndSaveIt) {
  QTemporaryDir dir;
  AppPaths::SetProgramFolder(dir.path());
  SetMessageAnswerer([](const MessageRequest&) { return int(mrOk); });
  QFile ini(dir.filePath("config.ini"));
  ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
  ini.write("[General]\nDataPath=/no/existe/ya/\nWindowState=0\nDaysSelected=5\n");
  ini.close();
  {
    TfrmAgenda frm;
    EXPECT_EQ(frm.windowTitle(), "Quillar 1.30");
    EXPECT_EQ(frm.size(), QSize(825, 620));
    EXPECT_EQ(frm.minimumSize(), QSize(600, 400));
    EXPECT_TRUE(frm.tmrRefresh->isActive());
    EXPECT_EQ(frm.tmrRefresh->interval(), 300000);
    frm.show();
    EXPECT_EQ(ConfigAgenda.DataPath, dir.path() + "/");
    EXPECT_TRUE(frm.StatusPanel0->text().startsWith("Datos: "));
    EXPECT_TRUE(frm.tmrAvisos->isActive());
    EXPECT_FALSE(frm.tmrMaximize->isActive());  // WindowState 0
    EXPECT_EQ(frm.findChild<QSplitter*>("splHor")->handleWidth(), 6);
    EXPECT_GE(frm.pnlCalendar->width(), 150);
    frm.close();
  }
  const QString saved = ReadIni(dir.filePath("config.ini"));
  EXPECT_TRUE(saved.contains("DataPath=" + dir.path() + "/\n")) << saved.toStdString();
  EXPECT_TRUE(saved.contains("DaysSelected=5\n"));
  EXPECT_TRUE(saved.contains("WindowState=0\n"));
  AppPaths::SetProgramFolder(QString());
  SetMessageAnswerer({});
}

TEST(MainWindowShell, StatusPanelShortensLongFoldersToTheirWidth) {
  QTemporaryDir dir;
  AppPaths::SetProgramFolder(dir.path());
  TfrmAgenda frm;
  ConfigAgenda.DataPath = "/srv/compartido/oficina/departamento/administracion/agendas/ana_garcia/";
  frm.MostrarDirDatos();
  const QString text = frm.StatusPanel0->text();
  EXPECT_TRUE(text.startsWith("Datos: .../")) << text.toStdString();
  EXPECT_TRUE(text.endsWith("/ana_garcia"));
  EXPECT_LE(QFontMetrics(frm.StatusBar->font()).horizontalAdvance(text), 250);
  frm.MostrarEstado("Cargando...");
  EXPECT_EQ(frm.StatusPanel1->text(), "Cargando...");
  AppPaths::SetProgramFolder(QString());
}

TEST(MainWindowShell, HelpOpensAtTheTopOrAtTheWindowsContext) {
  QTemporaryDir dir;
  AppPaths::SetProgramFolder(dir.path());
  QDir(dir.path()).mkpath("help");
  QFile page(dir.filePath("help/index.html"));
  ASSERT_TRUE(page.open(QIODevice::WriteOnly));
  page.close();
  QList<QUrl> opened;
  SetShellOpener([&](const QUrl& u) {
    opened << u;
    return true;
  });
  TfrmAgenda frm;
  frm.Ayuda2Click();
  ASSERT_EQ(opened.size(), 1);
  EXPECT_EQ(opened[0].toLocalFile(), dir.filePath("help/index.html"));
  EXPECT_TRUE(opened[0].fragment().isEmpty());
  EXPECT_EQ(Help::HelpContext(&frm), 1);
  EXPECT_TRUE(Help::ShowHelp(Help::HelpContext(&frm)));
  EXPECT_EQ(opened.last().fragment(), "ctx1");
  SetShellOpener({});
  AppPaths::SetProgramFolder(QString());
}

TEST(MainWindowShell, ActionsToolbarAndMenusCarryTheirCaptionsAndKeys) {
  QTemporaryDir dir;
  AppPaths::SetProgramFolder(dir.path());
  TfrmAgenda frm;
  struct Case { const char* name; const char* caption; const char* tip; QKeySequence key; } actions[] = {
      {"acNew", "&Nuevo", "Nueva cita", QKeySequence(Qt::CTRL | Qt::Key_N)},
      {"acEdit", "&Editar", "Editar cita", QKeySequence(Qt::Key_F2)},
      {"acDel", "&Borrar", nullptr, QKeySequence(Qt::Key_Delete)},
      {"acFind", "B&uscar", "Buscar citas", QKeySequence(Qt::Key_F6)},
      {"acPrint", "Im&primir", nullptr, QKeySequence(Qt::CTRL | Qt::Key_P)},
      {"acToday", "&Hoy", "Ir al día de hoy", QKeySequence(Qt::Key_F4)},
      {"acYear", "Vista anual", nullptr, QKeySequence()},
      {"acConfig", "Configurar", "Modificar opciones programa", QKeySequence()},
      {"acVerSemana", "Semana", nullptr, QKeySequence(Qt::Key_F7)},
      {"acVerMes", "Mes", nullptr, QKeySequence(Qt::Key_F8)},
      {"acReindex", "Reorganizar información", nullptr, QKeySequence()},
      {"acDeshacer", "&Deshacer", nullptr, QKeySequence(Qt::CTRL | Qt::Key_Z)},
      {"acRehacer", "&Rehacer", nullptr, QKeySequence(Qt::CTRL | Qt::Key_Y)},
  };
  for (const Case& c : actions) {
    auto* a = frm.findChild<QAction*>(c.name);
    ASSERT_NE(a, nullptr) << c.name;
    EXPECT_EQ(a->text(), c.caption);
    if (c.tip) {
      EXPECT_EQ(a->toolTip(), c.tip);
    }
    // The tooltip a toolbar button shows: its own, or none at all.
    if (QWidget* b = frm.tbAgenda->widgetForAction(a)) {
      QHelpEvent help(QEvent::ToolTip, b->rect().center(), b->mapToGlobal(b->rect().center()));
      QApplication::sendEvent(b, &help);
      EXPECT_EQ(QToolTip::isVisible() ? QToolTip::text() : QString(), c.tip ? QString(c.tip) : QString()) << c.name;
      QToolTip::hideText();  // fades out: wait until it has gone
      EXPECT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 3000));
    }
    EXPECT_EQ(a->shortcut(), c.key) << c.name;
  }

  // Buttons left to right, separators as "|".
  QStringList buttons;
  for (QAction* a : frm.tbAgenda->actions()) {
    if (a->isSeparator()) {
      buttons << "|";
    } else {
      auto* b = qobject_cast<QToolButton*>(frm.tbAgenda->widgetForAction(a));
      ASSERT_NE(b, nullptr);
      buttons << b->text();
      EXPECT_GE(b->minimumWidth(), 46);
      EXPECT_EQ(b->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
      EXPECT_FALSE(b->icon().isNull()) << b->text().toStdString();
    }
  }
  EXPECT_EQ(buttons.join(' '), "Nuevo Editar Borrar | Hoy Semana Mes Anual Horas | Buscar Imprimir |");
  EXPECT_EQ(frm.tbAgenda->height(), 46);
  EXPECT_EQ(frm.tbAgenda->iconSize(), QSize(24, 24));
  EXPECT_EQ(frm.btnHoras->menu(), frm.popView);

  const auto entries = [](QMenu* m) {
    QStringList out;
    for (QAction* a : m->actions()) out << (a->isSeparator() ? "|" : a->menu() ? a->text() + "..." : a->text());
    return out.join(';');
  };
  EXPECT_EQ(entries(frm.mnuArchivo), "&Nuevo;&Editar;&Borrar;|;&Deshacer;&Rehacer;|;B&uscar;Im&primir;Configurar;|;"
                                     "Importar iCalendar...;Exportar iCalendar...;|;Copias seguridad...;"
                                     "Reorganizar información;|;&Salir");
  EXPECT_EQ(entries(frm.mnuVer), "&Hoy;Una semana\tF7;Un mes\tF8;Un año;|;Una hora;Media hora;15 minutos");
  EXPECT_EQ(entries(frm.mnuAyuda), "&Contenido;|;Acerca de ...");
  EXPECT_EQ(entries(frm.popTimeView), "&Nuevo;&Editar;&Borrar;|;&Deshacer;&Rehacer;|;&Hoy;Vista anual;Ver");
  EXPECT_EQ(frm.findChild<QAction*>("acRehacer")->shortcuts(),
            (QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)}));
  EXPECT_EQ(frm.TimeView->PopupMenu(), frm.popTimeView);  // the view shows it on a right click
  EXPECT_EQ(entries(frm.popView), "Una hora;Media hora;15 minutos");
  EXPECT_TRUE(frm.Mediahora1->isChecked() && frm.Mediahora2->isChecked());

  // The "Ver" entries run their actions.
  int weeks = 0;
  QObject::connect(frm.acVerSemana, &QAction::triggered, [&] { ++weeks; });
  frm.findChild<QAction*>("Unasemana1")->trigger();
  EXPECT_EQ(weeks, 1);
  AppPaths::SetProgramFolder(QString());
}
