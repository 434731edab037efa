#pragma once
// The test-data generator: empties the appointments table and fills it with
// random appointments (reached from the About box).

#include <QDialog>

#include "maintenance/MainWindowLink.h"
#include "maintenance/TestData.h"

class QProgressBar;
class QPushButton;
class QSpinBox;

class TfrmGenerarDatos : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmGenerarDatos(MainWindowLink link = {}, QWidget* parent = nullptr);

  // Closing is refused while the work runs (it lets window messages run).
  void reject() override;

  // Handlers.
  void FormCreate();
  void btnGenerarClick();

  // Controls.
  QSpinBox* edtCantidad;
  QProgressBar* ProgressBar;
  QPushButton* btnGenerar;
  QPushButton* btnCancel;

 private:
  MainWindowLink link_;
  TextosPrueba textos_;
  bool textosCargados_ = false;
  QString errorTextos_;
  bool busy_ = false;
};

// Shows the generator modally and frees it.
void GenerarDatos(const MainWindowLink& link, QWidget* parent = nullptr);
