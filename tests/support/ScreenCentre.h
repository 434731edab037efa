#pragma once
// Where a dialog opens: in the middle of the screen, not over its owner,
// which the test puts in a corner.
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>

namespace testsupport {

// Makes the dialog with `make(owner)`, shows it and checks where it lies.
inline void ExpectOpensInTheMiddleOfTheScreen(const std::function<QWidget*(QWidget* owner)>& make) {
  QWidget owner;
  owner.setGeometry(0, 0, 320, 240);
  owner.show();
  QWidget* dialog = make(&owner);
  dialog->show();
  const QPoint middle = QGuiApplication::primaryScreen()->availableGeometry().center();
  ASSERT_GT((middle - owner.geometry().center()).manhattanLength(), 100);  // the two can be told apart
  // Within the window frame's few pixels.
  const QPoint centre = dialog->geometry().center();
  EXPECT_LE((centre - middle).manhattanLength(), 10)
      << dialog->objectName().toStdString() << " at " << centre.x() << "," << centre.y();
  dialog->hide();
  delete dialog;
}

}  // namespace testsupport
