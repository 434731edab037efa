#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QTest>
#include <QToolButton>

#include "ConfigTestSupport.h"
#include "app/UConfigAgenda.h"
#include "controls/EllipsLabel.h"
#include "dialogs/ColorSwatch.h"
#include "dialogs/UConfig.h"

// Without a test answerer the buttons open the platform's own pickers.

TEST_F(ConfigDialogTest, FolderButtonOpensTheFolderPickerOnTheShownFolder) {
  SetFolderAnswerer({});
  ASSERT_TRUE(QDir(folder).mkpath("Datos"));
  TfrmConfig frm;
  frm.show();
  for (bool accept : {false, true}) {
    SCOPED_TRACE(accept);
    bool seen = false;
    WhenModalOpens<QFileDialog>([&](QFileDialog& dlg) {
      seen = true;
      EXPECT_EQ(dlg.windowTitle(), "Seleccione directorio datos");
      EXPECT_EQ(dlg.fileMode(), QFileDialog::Directory);
      EXPECT_TRUE(dlg.testOption(QFileDialog::ShowDirsOnly));
      EXPECT_EQ(QDir(dlg.directory()).canonicalPath(), QDir(folder).canonicalPath());
      if (accept) {
        // Entering the folder rather than selecting it in the list: the
        // list fills in a thread of its own, and a selection made before
        // it is filled may be lost.
        dlg.setDirectory(folder + "Datos");
        static_cast<QDialog&>(dlg).accept();
      } else {
        dlg.reject();
      }
    });
    frm.btnPathDatos->click();
    EXPECT_TRUE(seen);
  }
  EXPECT_EQ(QDir(frm.lblDirDatos->Caption()).canonicalPath(), QDir(folder + "Datos").canonicalPath());
  EXPECT_FALSE(frm.lblDirDatos->Caption().endsWith('/'));
}

TEST_F(ConfigDialogTest, ColourButtonOpensTheColourPickerOnTheSwatchColour) {
  SetColorAnswerer({});
  ConfigAgenda.WorkTimeColor = clInfoBk;  // a system colour opens on its current value
  TfrmConfig frm;
  frm.show();
  for (bool accept : {false, true}) {
    SCOPED_TRACE(accept);
    bool seen = false;
    WhenModalOpens<QColorDialog>([&](QColorDialog& dlg) {
      seen = true;
      EXPECT_EQ(dlg.currentColor(), ToQColor(clInfoBk));
      if (accept) {
        dlg.setCurrentColor(QColor(12, 34, 56));
        dlg.accept();
      } else {
        dlg.reject();
      }
    });
    frm.btnSetColorWT->click();
    EXPECT_TRUE(seen);
    EXPECT_EQ(frm.shColorFondoWT->Color(), accept ? RGBColor(12, 34, 56) : clInfoBk);
  }
}
