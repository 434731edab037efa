#include <QGuiApplication>
#include <QPalette>
#include <gtest/gtest.h>

#include "core/Colors.h"

TEST(Colors, RgbValuesHaveRedInTheLowByte) {
  EXPECT_EQ(ToQColor(clRed), QColor(255, 0, 0));
  EXPECT_EQ(ToQColor(15790320), QColor(240, 240, 240));
  EXPECT_EQ(FromQColor(QColor(1, 2, 3)), 0x030201);
}

TEST(Colors, SystemColoursComeFromThePalette) {
  const QPalette pal = QGuiApplication::palette();
  EXPECT_EQ(static_cast<std::uint32_t>(clInfoBk), 0x80000018u);
  EXPECT_EQ(clInfoBk, -2147483624);
  EXPECT_EQ(ToQColor(clInfoBk), pal.color(QPalette::ToolTipBase));
  EXPECT_EQ(ToQColor(clWindow), pal.color(QPalette::Base));
  EXPECT_EQ(ToQColor(clHighlight), pal.color(QPalette::Highlight));
  EXPECT_EQ(ToQColor(clBtnShadow), pal.color(QPalette::Dark));
}
