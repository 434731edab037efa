#include <QApplication>

#include "app/UMainAgenda.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  TfrmAgenda frm;
  frm.show();
  return app.exec();
}
