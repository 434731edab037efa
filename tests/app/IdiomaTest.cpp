// Qt's own dialogs and the system's error texts in Spanish once the program's
// language is installed, whatever the locale the test runs in (C.UTF-8).
#include <QColorDialog>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "app/AppPaths.h"
#include "app/Idioma.h"
#include "app/UAgendaUtil.h"
#include "app/UConfigAgenda.h"
#include "core/Messages.h"

namespace {
QString Cancelar() {
  QDialogButtonBox b(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  return b.button(QDialogButtonBox::Cancel)->text().remove(u'&');
}

QString VerEn() {
  QFileDialog d(nullptr, QString(), QDir::tempPath());
  d.setOption(QFileDialog::DontUseNativeDialog);
  const auto* l = d.findChild<QLabel*>(QStringLiteral("lookInLabel"));
  return l ? l->text() : QString();
}

// One test: the translation, once installed, is the process's.
TEST(Idioma, StandardDialogsAndSystemErrorsSpeakSpanish) {
  ASSERT_EQ(Cancelar(), "Cancel");  // the test starts from Qt's own English
  qputenv("LANGUAGE", "ca:es");     // a desktop in Catalan
  ASSERT_TRUE(InstalarIdioma(*QCoreApplication::instance()));
  EXPECT_EQ(Cancelar(), "Cancelar");
  EXPECT_EQ(QColorDialog().windowTitle(), "Selecciona color");
  EXPECT_EQ(VerEn(), "Ver en:");

  QTemporaryDir dir;
  QStringList messages;
  SetMessageAnswerer([&](const MessageRequest& r) {
    messages.push_back(r.text);
    return int(mrOk);
  });
  AppPaths::SetProgramFolder(dir.path());
  struct Case {
    const char* what;
    std::function<void()> prepare, run;
    QString expected;
  } cases[] = {
      {"config.ini is a folder", [&] { QDir(dir.path()).mkpath("config.ini"); }, [] { CargarConfig(); },
       QStringLiteral("Error cargando configuración.\r\nel archivo a abrir es un directorio")},
      {"a file stands where a folder must be made",
       [&] {
         QFile f(dir.filePath("ocupado"));
         ASSERT_TRUE(f.open(QIODevice::WriteOnly));
       },
       [&] { AppPaths::CreateFolder(dir.filePath("ocupado/quillar")); },
       QStringLiteral("No se puede crear la carpeta %1/ocupado/quillar: No es un directorio").arg(dir.path())},
  };
  for (const Case& c : cases) {
    messages.clear();
    c.prepare();
    try {
      c.run();
    } catch (const std::exception& e) {
      messages.push_back(QString::fromStdString(e.what()));
    }
    ASSERT_EQ(messages.size(), 1) << c.what;
    EXPECT_EQ(messages[0], c.expected) << c.what;
  }
  AppPaths::SetProgramFolder(QString());
  SetMessageAnswerer({});

  // The programs Quillar starts (a browser, a mail client) keep the
  // desktop's language: Spanish is this program's own choice.
  QTemporaryDir bin;
  const QString visto = bin.filePath("idioma-visto");
  QFile abridor(bin.filePath("xdg-open"));
  ASSERT_TRUE(abridor.open(QIODevice::WriteOnly));
  abridor.write(QStringLiteral("#!/bin/sh\nprintf %s \"${LANGUAGE-ninguno}\" > '%1.tmp' && mv '%1.tmp' '%1'\n").arg(visto).toUtf8());
  abridor.close();
  abridor.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  const QByteArray path = qgetenv("PATH");
  qputenv("PATH", QFile::encodeName(bin.path()) + ':' + path);
  EXPECT_TRUE(AbrirUrl(QUrl(QStringLiteral("https://example.org/"))));
  qputenv("PATH", path);
  ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(visto); }, 5000));
  QFile f(visto);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), "ca:es");
  EXPECT_EQ(qgetenv("LANGUAGE"), "es");  // the program itself still speaks Spanish
}
}  // namespace
