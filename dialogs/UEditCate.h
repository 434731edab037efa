#pragma once
// The category editor: one category's name and colour, with a sample text
// drawn on the chosen colour.

#include <QDialog>
#include <QString>

#include "core/Colors.h"

class QLabel;
class QLineEdit;
class QPushButton;
class TColorSwatch;

class TfrmEditCate : public QDialog {
 public:
  explicit TfrmEditCate(QWidget* parent = nullptr);

  QLineEdit* edtCate;
  TColorSwatch* shColor;
  QLabel* lblEjemplo;  // "Texto de ejemplo", transparent, centred on shColor
  QPushButton* btnColor;
  QPushButton* btnOk;
  QPushButton* btnCancel;

  void FormShow();
  // Also a double click on the sample text.
  void btnColorClick();

 protected:
  void showEvent(QShowEvent* event) override;
};

// Shows the editor modally on Nombre and Color; when it closes with OK they
// take what the user entered and the result is true.
bool EditarCategoria(QWidget* owner, QString& Nombre, TColor& Color);
