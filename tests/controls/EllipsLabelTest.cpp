#include <QApplication>
#include <QImage>
#include <QPalette>
#include <gtest/gtest.h>

#include "controls/EllipsLabel.h"

namespace {

QFont TestFont() {
  QFont font("Liberation Sans");
  font.setPixelSize(14);
  return font;
}

int Width(const QString& text) { return QFontMetrics(TestFont()).horizontalAdvance(text); }

struct Box {
  int left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;
  bool empty() const { return right < 0; }
};

Box PixelsOf(const QImage& image, const QColor& colour) {
  Box box;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixelColor(x, y).rgb() == colour.rgb()) {
        box.left = std::min(box.left, x);
        box.top = std::min(box.top, y);
        box.right = std::max(box.right, x);
        box.bottom = std::max(box.bottom, y);
      }
  return box;
}

}  // namespace

TEST(EllipsisText, TextThatFitsOrNoEllipsisTypeIsUnchanged) {
  const QFontMetrics fm(TestFont());
  const QString path = "/home/usuario/datos/agenda";
  for (TEllipsType type : {etNone, etEndEllips, etPathEllips})
    EXPECT_EQ(EllipsisText(path, type, fm, Width(path)), path) << type;
  EXPECT_EQ(EllipsisText(path, etNone, fm, 10), path);
  EXPECT_EQ(EllipsisText("", etPathEllips, fm, 0), "");
}

TEST(EllipsisText, EndEllipsisKeepsTheLongestStartThatFits) {
  const QFontMetrics fm(TestFont());
  const QString caption = "Directorio de datos compartido";
  for (int cut : {4, 8, 12, 25}) {
    const QString expected = caption.left(caption.size() - cut) + "...";
    ASSERT_LT(Width(expected), Width(caption));
    // Exactly wide enough for the expected text, and one pixel less.
    EXPECT_EQ(EllipsisText(caption, etEndEllips, fm, Width(expected)), expected) << cut;
    const QString narrower = EllipsisText(caption, etEndEllips, fm, Width(expected) - 1);
    EXPECT_TRUE(narrower.endsWith("...") && narrower.size() < expected.size()) << narrower.toStdString();
  }
  EXPECT_EQ(EllipsisText(caption, etEndEllips, fm, Width("...")), "...");
  EXPECT_EQ(EllipsisText(caption, etEndEllips, fm, 2), "...");
}

TEST(EllipsisText, PathEllipsisLeavesOutTheMiddleAndKeepsTheLastComponent) {
  const QFontMetrics fm(TestFont());
  struct Case {
    const char* path;
    const char* expected;  // the widest shortened form; the width is fitted to it
  } cases[] = {
      {"/home/usuario/datos/agenda", "/home/usu.../agenda"},
      {"/home/usuario/datos/agenda", ".../agenda"},
      // A folder path ending in its separator keeps its last folder's name.
      {"/home/usuario/datos/agenda/", "/home/usu.../agenda/"},
      {"/home/usuario/datos/agenda/", ".../agenda/"},
      {"C:\\Datos\\Agenda\\2004\\", "C:\\Da...\\2004\\"},
      {"C:\\Datos\\Agenda\\2004", "C:\\Da...\\2004"},
      {"\\\\servidor\\compartido\\agenda", "\\\\serv...\\agenda"},
      {"/mnt/red/a/b", "/mnt/r.../b"},
  };
  for (const Case& c : cases) {
    const QString path = c.path;
    EXPECT_EQ(EllipsisText(path, etPathEllips, fm, Width(c.expected)), c.expected) << c.path;
  }
}

TEST(EllipsisText, PathWithoutRoomForItsLastComponentOrWithoutSeparatorIsCutAtTheEnd) {
  const QFontMetrics fm(TestFont());
  const QString path = "/datos/una_carpeta_con_nombre_largo";
  const QString expected = ".../una_carpeta...";
  EXPECT_EQ(EllipsisText(path, etPathEllips, fm, Width(expected)), expected);
  EXPECT_EQ(EllipsisText("agenda_compartida", etPathEllips, fm, Width("agenda...")), "agenda...");
}

TEST(EllipsLabel, DisplayTextFollowsTheWidthAndTheType) {
  TEllipsLabel label("/home/usuario/datos/agenda");
  label.setFont(TestFont());
  label.SetEllipsType(etPathEllips);
  label.resize(Width("/home/usu.../agenda"), 20);
  EXPECT_EQ(label.DisplayText(), "/home/usu.../agenda");
  label.resize(Width("/home/usuario/datos/agenda"), 20);
  EXPECT_EQ(label.DisplayText(), "/home/usuario/datos/agenda");
  label.resize(Width("/home/usuario/da..."), 20);
  label.SetEllipsType(etEndEllips);
  EXPECT_EQ(label.DisplayText(), "/home/usuario/da...");
  label.SetEllipsType(etNone);
  EXPECT_EQ(label.DisplayText(), "/home/usuario/datos/agenda");
  label.SetCaption("/tmp");
  EXPECT_EQ(label.Caption(), "/tmp");
  EXPECT_EQ(label.DisplayText(), "/tmp");
  EXPECT_GE(label.sizeHint().width(), Width("/tmp"));
}

TEST(EllipsLabel, EnabledTextIsDrawnOnceInTheTextColour) {
  TEllipsLabel label("Agenda");
  QFont font = TestFont();
  font.setPixelSize(24);
  font.setStyleStrategy(QFont::NoAntialias);
  label.setFont(font);
  label.resize(200, 40);
  QPalette pal = label.palette();
  pal.setColor(QPalette::WindowText, QColor(0, 128, 0));
  pal.setColor(QPalette::Window, Qt::white);
  label.setPalette(pal);
  label.setAutoFillBackground(true);
  const QImage image = label.grab().toImage();
  const Box text = PixelsOf(image, QColor(0, 128, 0));
  ASSERT_FALSE(text.empty());
  const QRect where = label.TextRect();
  EXPECT_GE(text.left, where.left());
  EXPECT_LE(text.right, where.right());
}

TEST(EllipsLabel, DisabledTextIsEngravedInHighlightAndShadowOnePixelApart) {
  const QPalette saved = QApplication::palette();
  QPalette pal = saved;
  pal.setColor(QPalette::Light, QColor(255, 0, 0));  // button highlight
  pal.setColor(QPalette::Dark, QColor(0, 0, 255));   // button shadow
  pal.setColor(QPalette::Window, Qt::white);
  QApplication::setPalette(pal);

  TEllipsLabel label("Agenda");
  QFont font = TestFont();
  font.setPixelSize(24);
  font.setStyleStrategy(QFont::NoAntialias);
  label.setFont(font);
  label.resize(200, 40);
  label.setAutoFillBackground(true);
  label.setEnabled(false);
  const QImage image = label.grab().toImage();
  QApplication::setPalette(saved);

  const Box highlight = PixelsOf(image, QColor(255, 0, 0));
  const Box shadow = PixelsOf(image, QColor(0, 0, 255));
  ASSERT_FALSE(shadow.empty());
  ASSERT_FALSE(highlight.empty());
  // The highlight copy lies one pixel right of and below the shadow copy,
  // which is drawn over it.
  EXPECT_EQ(highlight.right, shadow.right + 1);
  EXPECT_EQ(highlight.bottom, shadow.bottom + 1);
  const QRect where = label.TextRect();
  EXPECT_GE(shadow.left, where.left());
}
