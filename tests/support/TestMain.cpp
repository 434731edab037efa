// GoogleTest main for every test executable: an offscreen QApplication with
// the Spanish locale, so widgets, fonts and names behave as for a user.
#include <QApplication>
#include <QLocale>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain));
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
