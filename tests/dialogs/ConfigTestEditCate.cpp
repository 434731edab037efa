#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "ConfigTestSupport.h"
#include "app/Help.h"
#include "dialogs/ColorSwatch.h"
#include "dialogs/UEditCate.h"

namespace {
// The editor's answers to the pickers, without the tables of the fixture.
class EditCateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetColorAnswerer([this](const ColorRequest& r) {
      requests.push_back(r.initial);
      return answer;
    });
  }
  void TearDown() override { SetColorAnswerer({}); }
  std::vector<TColor> requests;
  TColor answer = clNone;
};
}  // namespace

TEST_F(EditCateTest, ShowsItsCaptionSampleAndFocusesTheName) {
  TfrmEditCate frm;
  EXPECT_EQ(frm.windowTitle(), "Categoría");
  EXPECT_EQ(Help::HelpContext(&frm), 14);
  EXPECT_GE(frm.width(), 326);
  EXPECT_GE(frm.height(), 142);
  EXPECT_EQ(frm.minimumSize(), frm.maximumSize());  // fixed border
  EXPECT_EQ(frm.shColor->size(), QSize(105, 21));
  EXPECT_EQ(frm.btnColor->toolTip(), "Selecciona color fondo");
  EXPECT_EQ(frm.btnOk->text(), "&Aceptar");
  EXPECT_EQ(frm.btnCancel->text(), "Cancelar");
  // The sample text lies centred on the swatch, without a background of its own.
  EXPECT_EQ(frm.lblEjemplo->text(), "Texto de ejemplo");
  EXPECT_EQ(frm.lblEjemplo->parentWidget(), frm.shColor);
  EXPECT_EQ(frm.lblEjemplo->geometry().center(), frm.shColor->rect().center());
  EXPECT_FALSE(frm.lblEjemplo->autoFillBackground());

  frm.shColor->SetColor(clLime);
  frm.show();
  frm.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&frm));
  EXPECT_EQ(QApplication::focusWidget(), frm.edtCate);
  // The swatch shows the colour around the sample text.
  const QImage img = frm.shColor->grab().toImage();
  EXPECT_EQ(img.pixelColor(3, 3), ToQColor(clLime));
  EXPECT_EQ(img.pixelColor(0, 0), QColor(Qt::black));  // frame
}

TEST_F(EditCateTest, ColourPickerOpensOnTheSwatchAndOnlyAPickChangesIt) {
  TfrmEditCate frm;
  frm.shColor->SetColor(clWindow);
  frm.btnColor->click();  // cancelled
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0], clWindow);
  EXPECT_EQ(frm.shColor->Color(), clWindow);

  answer = RGBColor(10, 20, 30);
  frm.btnColor->click();
  EXPECT_EQ(frm.shColor->Color(), RGBColor(10, 20, 30));

  // A double click on the sample text opens the picker as well.
  answer = clYellow;
  frm.show();
  QTest::mouseDClick(frm.lblEjemplo, Qt::LeftButton, {}, frm.lblEjemplo->rect().center());
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[2], RGBColor(10, 20, 30));
  EXPECT_EQ(frm.shColor->Color(), clYellow);
}

TEST_F(EditCateTest, EditarCategoriaGivesTheEnteredValuesOnlyOnAceptar) {
  struct Case {
    bool aceptar;
    const char* typed;
    bool expected;
  } cases[] = {{true, "Trabajo", true}, {true, "", true}, {false, "Trabajo", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    QString nombre = "Viejo";
    TColor color = clRed;
    answer = clBlue;
    WhenModalOpens<TfrmEditCate>([&](TfrmEditCate& frm) {
      EXPECT_EQ(frm.edtCate->text(), "Viejo");
      EXPECT_EQ(frm.shColor->Color(), clRed);
      frm.edtCate->setText(c.typed);
      frm.btnColor->click();
      if (c.aceptar) {
        frm.btnOk->click();
      } else {
        QTest::keyClick(&frm, Qt::Key_Escape);
      }
    });
    EXPECT_EQ(EditarCategoria(nullptr, nombre, color), c.expected);
    EXPECT_EQ(nombre, c.expected ? QString(c.typed) : QString("Viejo"));
    EXPECT_EQ(color, c.expected ? clBlue : clRed);
  }
}

TEST_F(EditCateTest, NameIsLimitedToWhatTheTableHolds) {
  TfrmEditCate frm;
  frm.show();
  frm.edtCate->setFocus();
  QTest::keyClicks(frm.edtCate, QString(60, QChar('x')));
  EXPECT_EQ(frm.edtCate->text().size(), 50);
}
