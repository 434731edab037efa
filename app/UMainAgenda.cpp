#include "app/UMainAgenda.h"

TfrmAgenda::TfrmAgenda(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("frmAgenda"));
  setWindowTitle(QStringLiteral("Quillar 1.30"));
  resize(825, 620);
}
