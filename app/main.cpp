#include <QApplication>

#include "app/Help.h"
#include "app/Idioma.h"
#include "app/UMainAgenda.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  InstalarIdioma(app);
  Help::InstallF1Handler(&app);
  TfrmAgenda frmAgenda;
  frmAgenda.show();
  return app.exec();
}
