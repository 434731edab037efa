#include <QDir>
#include <QFontMetrics>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "app/UAgendaUtil.h"
#include "app/UMainAgenda.h"
#include "app/Version.h"

TEST(ShellHelpers, IncluirBarraAddsOneSlashUnlessTheTrimmedPathHasOne) {
  struct Case { const char* in; const char* out; } cases[] = {
      {"", "/"}, {"/datos", "/datos/"}, {"/datos/", "/datos/"}, {"/datos/  ", "/datos/  "},
      {"  /datos ", "  /datos /"}, {"/", "/"},
  };
  for (const auto& c : cases) EXPECT_EQ(IncluirBarra(c.in), c.out) << '"' << c.in << '"';
}

TEST(ShellHelpers, AcortarRutaDropsLeadingFoldersButKeepsTheLastWhole) {
  const auto within = [](int n) { return [n](const QString& s) { return s.size() <= n; }; };
  EXPECT_EQ(AcortarRuta("/home/ana/agenda", within(40)), "/home/ana/agenda");
  EXPECT_EQ(AcortarRuta("/home/ana/documentos/agenda", within(22)), ".../documentos/agenda");
  EXPECT_EQ(AcortarRuta("/home/ana/documentos/agenda", within(15)), ".../agenda");
  EXPECT_EQ(AcortarRuta("/home/ana/documentos/una_carpeta_muy_larga", within(5)), ".../una_carpeta_muy_larga");
}

TEST(ShellHelpers, VersionAndTitle) {
  EXPECT_EQ(VersionText(), "1.30");
  EXPECT_EQ(TituloAplicacion(), "Quillar 1.30");
}

TEST(ShellHelpers, DirectorioSistemaIsTheTemporaryFolderWithoutSlash) {
  EXPECT_EQ(DirectorioSistema(), QDir::tempPath());
  EXPECT_FALSE(DirectorioSistema().endsWith('/'));
}

TEST(ShellHelpers, AbrirDocumentoOpensFilesAndAddressesThroughTheDesktop) {
  QList<QUrl> opened;
  SetShellOpener([&](const QUrl& u) {
    opened << u;
    return true;
  });
  QTemporaryDir dir;
  QFile f(dir.filePath("nota.txt"));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.close();
  EXPECT_GT(AbrirDocumento(dir.filePath("nota.txt")), 32);
  EXPECT_GT(AbrirDocumento("http://www.example.org/"), 32);
  EXPECT_EQ(AbrirDocumento(dir.filePath("no_existe.txt")), 2);
  ASSERT_EQ(opened.size(), 2);
  EXPECT_EQ(opened[0], QUrl::fromLocalFile(dir.filePath("nota.txt")));
  EXPECT_EQ(opened[1].host(), "www.example.org");
  SetShellOpener({});
}
