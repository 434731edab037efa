#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QSplitter>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include "app/AppPaths.h"
#include "app/Help.h"
#include "app/UAgendaUtil.h"
#include "app/UConfigAgenda.h"
#include "app/UMainAgenda.h"
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
