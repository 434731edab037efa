#pragma once
// Backup of the data files into a zip archive, and restore from one.

#include <QDialog>
#include <cstdint>

class QFileDialog;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QToolButton;

class TfrmCopSeg : public QDialog {
  Q_OBJECT
 public:
  enum TModo { mdCopia = 1, mdRestauracion = 2 };

  explicit TfrmCopSeg(QWidget* parent = nullptr);

  int Modo() const { return modo_; }
  void SetModo(int modo);

  // Closing is refused while the work runs (it lets window messages run).
  void reject() override;

  // Handlers.
  void FormShow();
  void btnOKClick();
  void btnFolderClick();

  // Both return 0 on success, otherwise the code the user is shown.
  int HacerCopia(const QString& Carpeta);
  int HacerRestauracion(const QString& Archivo);

  // Text of the last failure of the archive operations.
  const QString& ErrorText() const { return errorText_; }

  // Controls.
  QLabel* Label3;
  QLineEdit* edtPath;
  QToolButton* btnFolder;
  QLabel* lblProceso;
  QProgressBar* ProgressBar;
  QLabel* lblFileName;
  QPushButton* btnOK;
  QPushButton* btnCancel;
  QFileDialog* OpenDialog;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  // The backup or the restore behind "Aceptar", with the boxes that report it.
  void Ejecutar(const QString& folder, bool& closeOk);
  void ProgressTotal(std::int64_t total);
  void ProgressNewFile(const QString& name);
  void ProgressBytes(std::int64_t bytes);

  int modo_ = mdCopia;
  bool busy_ = false;
  std::int64_t total_ = 0;
  std::int64_t processed_ = 0;
  QString errorText_;
};

// Create the dialog in backup or restore mode, show it modally and free it.
// The caller closes its own appointments table before and opens it after.
void CopiarDatos(QWidget* parent = nullptr);
void RestaurarDatos(QWidget* parent = nullptr);
