#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include "ConfigTestSupport.h"
#include "app/UCategoriaClass.h"
#include "app/UConfigAgenda.h"
#include "controls/EllipsLabel.h"
#include "data/Table.h"
#include "dialogs/ColorSwatch.h"
#include "dialogs/UConfig.h"
#include "dialogs/UEditCate.h"
#include "support/Dbfread.h"

namespace {
const QString kBase = "Esta categoría no se puede eliminar.\r\nEs la categoría base.";
const QString kEnUso =
    "La categoría que va a eliminar\r\nestá siendo utilizada en las citas.\r\n"
    "Si la elimina, las citas que tengan\r\ndicha categoría se pasarán a la \r\n"
    "categoría \"Normal\".\r\n¿Esta seguro/a de querer eliminarla?";

QStringList Filas(TfrmConfig& frm) {
  QStringList rows;
  for (int i = 0; i < frm.lbCategorias->count(); ++i) rows << frm.lbCategorias->item(i)->text();
  return rows;
}

// The dialog shown on its categories page.
struct Dialogo {
  TfrmConfig frm;
  Dialogo() {
    frm.show();
    frm.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&frm));
    frm.pcConfig->setCurrentWidget(frm.tsCategorias);
  }
  void Seleccionar(int row) { frm.lbCategorias->setCurrentRow(row); }
  // "Nueva" answered with a name and colour in the editor.
  void Nueva(const QString& nombre, TColor color) {
    WhenModalOpens<TfrmEditCate>([=](TfrmEditCate& e) {
      e.edtCate->setText(nombre);
      e.shColor->SetColor(color);
      e.btnOk->click();
    });
    frm.btnNewCate->click();
  }
};

}  // namespace

TEST_F(ConfigDialogTest, ListShowsTheCategoriesInOrderWithTheFirstSelected) {
  const int trabajo = CategoriaGuardada("Trabajo", clRed);
  CategoriaGuardada("Casa", clAqua);
  Dialogo d;
  EXPECT_EQ(Filas(d.frm), QStringList({"Normal", "Trabajo", "Casa"}));
  EXPECT_EQ(d.frm.lbCategorias->currentRow(), 0);
  EXPECT_EQ(d.frm.CategoriaDeFila(1), Categorias->BuscarID(trabajo));
  EXPECT_EQ(d.frm.CategoriaDeFila(3), nullptr);
}

TEST_F(ConfigDialogTest, RowsAreFourteenPixelsInTheirCategoryColourOrHighlighted) {
  CategoriaGuardada("Trabajo", clRed);
  CategoriaGuardada("Casa", clAqua);
  Dialogo d;
  d.Seleccionar(1);
  QListWidget* lb = d.frm.lbCategorias;
  const QImage img = lb->viewport()->grab().toImage();
  const TColor expected[] = {kColorNormal, clHighlight, clAqua};
  for (int row = 0; row < 3; ++row) {
    const QRect r = lb->visualItemRect(lb->item(row));
    EXPECT_EQ(r.height(), 14) << row;
    // The right end of a row holds no text: only its background.
    EXPECT_EQ(img.pixelColor(r.right() - 1, r.center().y()), ToQColor(expected[row])) << row;
  }
}

TEST_F(ConfigDialogTest, DrawItemPutsTheTextTwoPixelsInAndCentred) {
  CategoriaGuardada("WWWW", clWhite);
  Dialogo d;
  QImage img(100, 30, QImage::Format_RGB32);
  img.fill(Qt::gray);
  {
    QPainter p(&img);
    p.setFont(d.frm.lbCategorias->font());
    d.frm.lbCategoriasDrawItem(p, 1, QRect(10, 8, 80, 14), false);
  }
  // Inside the row only; text starts 2 pixels from the row's left edge.
  EXPECT_EQ(img.pixelColor(5, 15), QColor(Qt::gray));
  EXPECT_EQ(img.pixelColor(50, 5), QColor(Qt::gray));
  int firstInk = -1;
  for (int x = 10; x < 90 && firstInk < 0; ++x) {
    for (int y = 8; y < 22; ++y) {
      if (img.pixelColor(x, y) != QColor(Qt::white)) {
        firstInk = x;
        break;
      }
    }
  }
  EXPECT_GE(firstInk, 12);
  EXPECT_LE(firstInk, 14);
  EXPECT_EQ(img.pixelColor(11, 15), QColor(Qt::white));
}

TEST_F(ConfigDialogTest, BorrarOnTheBaseCategoryOnlyInforms) {
  AddCita(folder, 1, 0);
  Dialogo d;
  d.Seleccionar(0);
  d.frm.btnDelCate->click();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, kBase);
  EXPECT_EQ(messages[0].type, mtInformation);
  EXPECT_EQ(messages[0].buttons, mbOK);
  EXPECT_EQ(Categorias->Count(), 1);
  EXPECT_EQ(Filas(d.frm), QStringList({"Normal"}));
}

TEST_F(ConfigDialogTest, DeletingAsksOnlyWhenAppointmentsUseTheCategory) {
  const int usada = CategoriaGuardada("Usada", clRed);
  CategoriaGuardada("Libre", clBlue);
  AddCita(folder, 1, 0);
  AddCita(folder, 2, usada);
  AddCita(folder, 3, usada);
  Dialogo d;

  d.Seleccionar(2);  // "Libre": no question
  d.frm.btnDelCate->click();
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(Filas(d.frm), QStringList({"Normal", "Usada"}));
  EXPECT_EQ(d.frm.lbCategorias->currentRow(), 0);

  for (int reply : {mrNo, mrYes}) {
    messages.clear();
    answer = reply;
    d.Seleccionar(1);
    d.frm.btnDelCate->click();
    ASSERT_EQ(messages.size(), 1u);  // asked once, however many appointments
    EXPECT_EQ(messages[0].text, kEnUso);
    EXPECT_EQ(messages[0].type, mtConfirmation);
    EXPECT_EQ(messages[0].buttons, mbYes | mbNo);
  }
  EXPECT_EQ(Filas(d.frm), QStringList({"Normal"}));
  EXPECT_EQ(Categorias->Count(), 1);

  // Not stored until "Aceptar".
  EXPECT_EQ(FilasCategorias(folder).size(), 3u);
  d.frm.btnOk->click();
  EXPECT_EQ(FilasCategorias(folder), (std::vector<Fila>{{0, "Normal", kColorNormal}}));
}

TEST_F(ConfigDialogTest, DeletingWhenTheAppointmentsCannotBeReadRemovesNothing) {
  CategoriaGuardada("Trabajo", clRed);
  ASSERT_TRUE(QFile::remove(folder + "AGENDA.DBF"));
  Dialogo d;
  d.Seleccionar(1);
  d.frm.btnDelCate->click();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].type, mtError);
  EXPECT_FALSE(messages[0].text.isEmpty());
  EXPECT_EQ(Filas(d.frm), QStringList({"Normal", "Trabajo"}));
  EXPECT_EQ(Categorias->Count(), 2);
}

TEST_F(ConfigDialogTest, NewCategoryStartsFromTheDefaultsAndIsStoredOnAceptar) {
  Dialogo d;
  WhenModalOpens<TfrmEditCate>([](TfrmEditCate& e) {
    EXPECT_EQ(e.edtCate->text(), "(Nueva categoria)");
    EXPECT_EQ(e.shColor->Color(), clWindow);
    e.edtCate->setText("Médico");
    e.shColor->SetColor(clLime);
    e.btnOk->click();
  });
  d.frm.btnNewCate->click();
  WhenModalOpens<TfrmEditCate>([](TfrmEditCate& e) {
    e.edtCate->setText("Descartada");
    e.btnCancel->click();
  });
  d.frm.btnNewCate->click();
  EXPECT_EQ(Filas(d.frm), QStringList({"Normal", "Médico"}));
  ASSERT_EQ(Categorias->Count(), 2);
  EXPECT_EQ(Categorias->CategoriaEn(1)->ID, -1);
  EXPECT_EQ(d.frm.lbCategorias->currentRow(), 0);  // adding keeps the selection

  d.frm.btnOk->click();
  EXPECT_EQ(FilasCategorias(folder),
            (std::vector<Fila>{{0, "Normal", kColorNormal}, {1, "Médico", clLime}}));
  if (HasPython3Dbfread()) {
    // An independent reader sees the stored row as written.
    EXPECT_EQ(CategoriasSegunDbfread(folder + "CATEGORIAS.DBF"), QString("0 Normal 15790320\n1 Médico 65280\n"));
  }
}

TEST_F(ConfigDialogTest, EditingRenamesAndRecoloursTheSelectedCategory) {
  CategoriaGuardada("Trabajo", clRed);
  Dialogo d;
  d.Seleccionar(1);
  WhenModalOpens<TfrmEditCate>([](TfrmEditCate& e) {
    EXPECT_EQ(e.edtCate->text(), "Trabajo");
    EXPECT_EQ(e.shColor->Color(), clRed);
    e.edtCate->clear();  // an empty name is accepted
    e.shColor->SetColor(clTeal);
    e.btnOk->click();
  });
  d.frm.btnEditCate->click();
  EXPECT_EQ(Filas(d.frm), QStringList({"Normal", ""}));
  EXPECT_EQ(Categorias->CategoriaEn(1)->Color, clTeal);

  // A double click on a row edits it as well; "Cancelar" there changes nothing.
  QListWidget* lb = d.frm.lbCategorias;
  WhenModalOpens<TfrmEditCate>([](TfrmEditCate& e) {
    EXPECT_EQ(e.edtCate->text(), "Normal");
    e.edtCate->setText("Otra");
    e.btnCancel->click();
  });
  const QPoint p = lb->visualItemRect(lb->item(0)).center();
  QTest::mouseClick(lb->viewport(), Qt::LeftButton, {}, p);
  QTest::mouseDClick(lb->viewport(), Qt::LeftButton, {}, p);
  EXPECT_EQ(Filas(d.frm), QStringList({"Normal", ""}));

  d.frm.btnOk->click();
  EXPECT_EQ(FilasCategorias(folder), (std::vector<Fila>{{0, "Normal", kColorNormal}, {1, "", clTeal}}));
}

TEST_F(ConfigDialogTest, EditarOnAnEmptyListCreatesACategory) {
  Categorias = std::make_unique<TCategorias>();  // nothing loaded
  Dialogo d;
  ASSERT_EQ(d.frm.lbCategorias->count(), 0);
  d.frm.btnDelCate->click();  // nothing to delete, nothing asked
  EXPECT_TRUE(messages.empty());
  WhenModalOpens<TfrmEditCate>([](TfrmEditCate& e) {
    EXPECT_EQ(e.edtCate->text(), "(Nueva categoria)");
    e.btnOk->click();
  });
  d.frm.btnEditCate->click();
  EXPECT_EQ(Filas(d.frm), QStringList({"(Nueva categoria)"}));
}

TEST_F(ConfigDialogTest, ACategoryAddedThenRemovedLeavesNoRow) {
  Dialogo d;
  d.Nueva("Efímera", clRed);
  d.Seleccionar(1);
  d.frm.btnDelCate->click();
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(Filas(d.frm), QStringList({"Normal"}));
  d.frm.btnOk->click();
  EXPECT_EQ(FilasCategorias(folder), (std::vector<Fila>{{0, "Normal", kColorNormal}}));
}

TEST_F(ConfigDialogTest, CategoryCommandsOutliveCancelarUntilTheListIsReloaded) {
  {
    Dialogo d;
    d.Nueva("Pendiente", clRed);
    d.frm.BitBtn1->click();
  }
  EXPECT_EQ(FilasCategorias(folder).size(), 1u);  // nothing stored by "Cancelar"
  {
    Dialogo d;
    EXPECT_EQ(Filas(d.frm), QStringList({"Normal", "Pendiente"}));
    d.frm.btnOk->click();
  }
  EXPECT_EQ(FilasCategorias(folder),
            (std::vector<Fila>{{0, "Normal", kColorNormal}, {1, "Pendiente", clRed}}));

  // Reloaded in between (the periodic refresh does it): the addition is gone.
  {
    Dialogo d;
    d.Nueva("Perdida", clBlue);
    d.frm.BitBtn1->click();
  }
  Categorias->Cargar();
  {
    Dialogo d;
    EXPECT_EQ(Filas(d.frm), QStringList({"Normal", "Pendiente"}));
    d.frm.btnOk->click();
  }
  EXPECT_EQ(FilasCategorias(folder).size(), 2u);
}

TEST_F(ConfigDialogTest, ChoosingAnotherDataFolderLeavesItsCategoriesAlone) {
  // The list read from the current folder is saved there, never into the
  // folder chosen: that folder's own categories stay as they are.
  const QString other = OtraCarpeta();
  {
    TCategorias ajena;
    ConfigAgenda.DataPath = other;
    ajena.Cargar();
    TCategoria* c = ajena.Nueva();
    c->Nombre = "Ajena";
    c->Color = clPurple;
    ajena.Guardar();
    ConfigAgenda.DataPath = folder;
  }
  CategoriaGuardada("Propia", clRed);
  Dialogo d;
  d.Seleccionar(1);
  WhenModalOpens<TfrmEditCate>([](TfrmEditCate& e) {
    e.edtCate->setText("Propia cambiada");
    e.btnOk->click();
  });
  d.frm.btnEditCate->click();
  folderAnswer = other;
  d.frm.btnPathDatos->click();
  d.frm.btnOk->click();

  EXPECT_EQ(ConfigAgenda.DataPath, other);
  EXPECT_EQ(FilasCategorias(other), (std::vector<Fila>{{0, "Normal", kColorNormal}, {1, "Ajena", clPurple}}));
  EXPECT_EQ(FilasCategorias(folder),
            (std::vector<Fila>{{0, "Normal", kColorNormal}, {1, "Propia cambiada", clRed}}));
  EXPECT_TRUE(messages.empty());
}

TEST_F(ConfigDialogTest, AFailedCategorySaveShowsTheErrorsOwnTextAndSavesNoSettings) {
  Dialogo d;
  d.Nueva("Nueva", clRed);
  ASSERT_TRUE(QFile::remove(folder + "CATEGORIAS.DBF"));
  QString failure;  // what the engine says of the missing table
  try {
    data::Table t(folder.toStdString(), "CATEGORIAS.DBF");
    t.Open();
  } catch (const std::exception& e) {
    failure = QString::fromStdString(e.what());
  }
  ASSERT_FALSE(failure.isEmpty());
  QFile::remove(ConfigFileName());
  d.frm.chkMostrarAvisos->setChecked(true);
  d.frm.btnOk->click();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].type, mtError);
  EXPECT_EQ(messages[0].text, failure);
  EXPECT_EQ(d.frm.result(), QDialog::Accepted);
  EXPECT_TRUE(ConfigAgenda.ShowReminder);  // taken before the list was saved
  EXPECT_FALSE(QFile::exists(ConfigFileName()));
  EXPECT_EQ(Categorias->Count(), 2);  // kept for a later "Aceptar"
}

TEST_F(ConfigDialogTest, AListReloadedUnderTheDialogIsShownAgainAndNothingStaleIsTouched) {
  // The main window's refresh reloads the list while the dialog is open.
  CategoriaGuardada("Trabajo", clRed);
  CategoriaGuardada("Casa", clAqua);
  Dialogo d;
  int editorsOpened = 0;
  WhenModalOpens<TfrmEditCate>([&](TfrmEditCate& e) {
    ++editorsOpened;
    e.edtCate->setText("Oficina");
    e.btnOk->click();
  });

  Categorias->Cargar();
  d.Seleccionar(1);
  d.frm.btnEditCate->click();  // the row's category is gone: the list is shown again
  EXPECT_EQ(editorsOpened, 0);
  EXPECT_EQ(d.frm.lbCategorias->currentRow(), 0);
  EXPECT_EQ(d.frm.CategoriaDeFila(1), Categorias->CategoriaEn(1));
  d.Seleccionar(1);
  d.frm.btnEditCate->click();
  EXPECT_EQ(editorsOpened, 1);
  EXPECT_EQ(Categorias->CategoriaEn(1)->Nombre, "Oficina");
  EXPECT_EQ(Filas(d.frm), QStringList({"Normal", "Oficina", "Casa"}));

  Categorias->Cargar();
  d.Seleccionar(2);
  d.frm.btnDelCate->click();
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(Categorias->Count(), 3);
  EXPECT_EQ(Filas(d.frm), QStringList({"Normal", "Trabajo", "Casa"}));

  // Reloaded while the editor of a new category is open.
  WhenModalOpens<TfrmEditCate>([&](TfrmEditCate& e) {
    Categorias->Cargar();
    e.edtCate->setText("Nueva");
    e.btnOk->click();
  });
  d.frm.btnNewCate->click();
  EXPECT_EQ(Filas(d.frm), QStringList({"Normal", "Trabajo", "Casa", "Nueva"}));
  EXPECT_TRUE(d.frm.CategoriaDeFila(3) == Categorias->CategoriaEn(3));

  // And while the editor of an existing one is open: the edit is dropped.
  d.Seleccionar(1);
  WhenModalOpens<TfrmEditCate>([&](TfrmEditCate& e) {
    Categorias->Cargar();
    e.edtCate->setText("Perdida");
    e.btnOk->click();
  });
  d.frm.btnEditCate->click();
  EXPECT_EQ(Filas(d.frm), QStringList({"Normal", "Trabajo", "Casa"}));
}
