#include "maintenance/UCopSeg.h"

#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest/QTest>

#include "MaintenanceTestSupport.h"
#include "app/AppPaths.h"
#include "app/UCategoriaClass.h"
#include "app/UConfigAgenda.h"
#include "app/UAgendaUtil.h"
#include "core/Clock.h"
#include "core/Messages.h"
#include "maintenance/BackupArchive.h"

using namespace mtest;

namespace {

class CopSegTest : public DataFoldersTest {
 protected:
  void SetUp() override {
    DataFoldersTest::SetUp();
    AppPaths::SetProgramFolder(tmp.path() + "/programa");
    QDir().mkpath(tmp.path() + "/programa");
    ConfigAgenda = TConfigAgenda{};
    ConfigAgenda.DataPath = data;
    Clock::SetSource([] { return dt::EncodeDate(2024, 5, 10) + dt::EncodeTime(14, 35, 12, 0); });
    SetMessageAnswerer([this](const MessageRequest& r) {
      messages << r.text;
      types.push_back(r.type);
      return answer;
    });
  }
  void TearDown() override {
    SetMessageAnswerer({});
    Clock::SetSource({});
    AppPaths::SetProgramFolder({});
  }
  void MakeTables() {
    CrearTablaAgenda(data);
    ASSERT_TRUE(CrearTablaCategorias(data));
  }
  // Chooses `file` in the open dialog as soon as it shows (or cancels it
  // when empty).
  void ChooseOnOpen(TfrmCopSeg& dlg, const QString& file) {
    QTimer::singleShot(0, &dlg, [&dlg, file] {
      if (file.isEmpty()) {
        dlg.OpenDialog->reject();
        return;
      }
      dlg.OpenDialog->selectFile(file);
      static_cast<QDialog*>(dlg.OpenDialog)->accept();
    });
  }
  QStringList messages;
  std::vector<TMsgDlgType> types;
  int answer = mrOk;
};

TEST_F(CopSegTest, ShowSetsTheTextsOfEachModeAndProposesTheLastFolder) {
  struct Case {
    int mode;
    const char *caption, *label, *tip;
  } cases[] = {{TfrmCopSeg::mdCopia, "Copia de seguridad", "Destino", "Seleccionar destino"},
               {TfrmCopSeg::mdRestauracion, "Restaurar copia de seguridad", "Origen", "Seleccionar origen"}};
  for (const Case& c : cases) {
    ConfigAgenda.PathCopSeg = dest;
    TfrmCopSeg dlg;
    dlg.SetModo(c.mode);
    dlg.lblFileName->setText("x");
    dlg.show();
    EXPECT_EQ(dlg.windowTitle(), c.caption);
    EXPECT_EQ(dlg.Label3->text(), c.label);
    EXPECT_EQ(dlg.btnFolder->toolTip(), c.tip);
    EXPECT_EQ(dlg.edtPath->text(), dest);
    EXPECT_TRUE(dlg.lblFileName->text().isEmpty());
    EXPECT_EQ(dlg.size(), QSize(479, 158));
  }
  // The first backup proposes the home folder.
  ConfigAgenda.PathCopSeg.clear();
  TfrmCopSeg dlg;
  dlg.show();
  EXPECT_EQ(dlg.edtPath->text(), QDir::homePath() + "/");
}

TEST_F(CopSegTest, BackupWritesTheSameArchiveWithOrWithoutFinalSeparator) {
  MakeTables();
  for (const QString& typed : {tmp.path() + "/copias", tmp.path() + "/copias/"}) {
    QFile::remove(dest + "AGENDA_202405101435.zip");
    messages.clear();
    TfrmCopSeg dlg;
    dlg.show();
    dlg.edtPath->setText(typed);
    QTest::mouseClick(dlg.btnOK, Qt::LeftButton);
    EXPECT_EQ(messages, QStringList{"Copia de seguridad realizada con éxito."}) << typed.toStdString();
    EXPECT_TRUE(QFile::exists(dest + "AGENDA_202405101435.zip")) << typed.toStdString();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.ProgressBar->maximum(), 10001);
    EXPECT_EQ(dlg.ProgressBar->value(), 10001);
    EXPECT_TRUE(dlg.lblFileName->text().startsWith("Procesando: "));
    // The folder as typed is remembered, also in config.ini.
    EXPECT_EQ(ConfigAgenda.PathCopSeg, typed);
    EXPECT_TRUE(ReadFile(AppPaths::ConfigFile()).contains(typed.toUtf8()));
  }
}

TEST_F(CopSegTest, BackupRefusesAMissingFolderAndMissingDataFiles) {
  TfrmCopSeg dlg;
  dlg.show();
  dlg.edtPath->setText(tmp.path() + "/no-existe");
  QTest::mouseClick(dlg.btnOK, Qt::LeftButton);
  EXPECT_EQ(messages, QStringList{"¡Se ha introducido una ruta inexistente!"});
  EXPECT_TRUE(dlg.btnOK->isEnabled());
  EXPECT_TRUE(dlg.btnCancel->isEnabled());
  EXPECT_NE(dlg.result(), QDialog::Accepted);

  // No AGENDA.DBF in the data folder: two boxes, nothing written or saved.
  messages.clear();
  dlg.edtPath->setText(dest);
  QTest::mouseClick(dlg.btnOK, Qt::LeftButton);
  ASSERT_EQ(messages.size(), 2);
  EXPECT_EQ(messages[0], "No se han encontrado los ficheros a copiar en:\r\n\"" + data + "\"");
  EXPECT_TRUE(messages[1].startsWith("Error realizando la copia de seguridad.\r\nError numero: -1\r\n"));
  EXPECT_TRUE(ConfigAgenda.PathCopSeg.isEmpty());
  EXPECT_TRUE(Listing(dest).isEmpty());
  EXPECT_TRUE(dlg.btnOK->isEnabled());
}

TEST_F(CopSegTest, RestoreAsksFirstAndDecliningChangesNothing) {
  MakeTables();
  ASSERT_TRUE(CreateBackup(data, dest + "copia.zip").ok());
  const QByteArray before = ReadFile(data + "AGENDA.DBF");
  QFile::remove(data + "CATEGORIAS.DBF");
  TfrmCopSeg dlg;
  dlg.SetModo(TfrmCopSeg::mdRestauracion);
  dlg.show();
  dlg.edtPath->setText(dest);
  answer = mrNo;
  ChooseOnOpen(dlg, dest + "copia.zip");
  QTest::mouseClick(dlg.btnOK, Qt::LeftButton);
  EXPECT_EQ(messages, (QStringList{"Restaurar copia de seguridad", "Acción cancelada por el usuario"}));
  EXPECT_EQ(types[0], mtConfirmation);
  EXPECT_FALSE(QFile::exists(data + "CATEGORIAS.DBF"));
  EXPECT_NE(dlg.result(), QDialog::Accepted);

  // Cancelling the file chooser does nothing at all.
  messages.clear();
  ChooseOnOpen(dlg, {});
  QTest::mouseClick(dlg.btnOK, Qt::LeftButton);
  EXPECT_TRUE(messages.isEmpty());
  EXPECT_EQ(dlg.OpenDialog->directory().absolutePath() + "/", dest);

  // Yes restores and closes the dialog.
  answer = mrYes;
  ChooseOnOpen(dlg, dest + "copia.zip");
  QTest::mouseClick(dlg.btnOK, Qt::LeftButton);
  EXPECT_EQ(messages, (QStringList{"Restaurar copia de seguridad", "Se han restaurado los datos con éxito."}));
  EXPECT_TRUE(QFile::exists(data + "CATEGORIAS.DBF"));
  EXPECT_EQ(ReadFile(data + "AGENDA.DBF"), before);
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
}

TEST_F(CopSegTest, RestoreExplainsFilesThatAreNoBackup) {
  WriteFile(dest + "copia.rar", QByteArray("Rar!\x1a\x07\x00", 7));
  Python("import zipfile\nz=zipfile.ZipFile(r'" + dest + "fotos.zip','w')\nz.writestr('foto.jpg','x')\nz.close()");
  answer = mrYes;
  struct Case {
    const char* file;
    const char* message;
  } cases[] = {
      {"copia.rar", "El fichero seleccionado no tiene un formato soportado\r\npor el programa. Seleccione otro fichero."},
      {"fotos.zip", "El fichero seleccionado no es una copia de seguridad\r\ndel programa. Seleccione otro fichero."},
  };
  for (const Case& c : cases) {
    messages.clear();
    TfrmCopSeg dlg;
    dlg.SetModo(TfrmCopSeg::mdRestauracion);
    dlg.show();
    dlg.edtPath->setText(dest);
    ChooseOnOpen(dlg, dest + c.file);
    QTest::mouseClick(dlg.btnOK, Qt::LeftButton);
    EXPECT_EQ(messages, (QStringList{"Restaurar copia de seguridad", c.message})) << c.file;
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_TRUE(dlg.btnOK->isEnabled());
  }
  EXPECT_TRUE(Listing(data).isEmpty());
}

TEST_F(CopSegTest, EscapeClosesTheDialog) {
  TfrmCopSeg dlg;
  dlg.show();
  QTest::keyClick(&dlg, Qt::Key_Escape);
  EXPECT_FALSE(dlg.isVisible());
  EXPECT_EQ(dlg.result(), QDialog::Rejected);
}

}  // namespace
