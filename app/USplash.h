#pragma once
#include <QDialog>

class QLabel;
class QFrame;

// The window shown while the program starts: a picture with the version
// drawn in white over a grey shadow 4 pixels right and below.
class TfrmSplash : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmSplash(QWidget* parent = nullptr);
  void FormShow();

  QFrame* pnlSplash;
  QLabel* imgSplash;
  QLabel* lblVerSombra;
  QLabel* lblVersion;
};
