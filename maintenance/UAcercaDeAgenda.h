#pragma once
// The About box: version, logo and the two web links. A right click on the
// version with Ctrl held opens the test-data generator.

#include <QDialog>

#include "maintenance/MainWindowLink.h"

class QLabel;
class QPushButton;
class TLinkLabel;

// The addresses behind the two links and the maker's name.
extern const char* const kWebProducto;
extern const char* const kWebAutor;
extern const char* const kNombreAutor;

class TfrmAcercaDeAgenda : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmAcercaDeAgenda(MainWindowLink link = {}, QWidget* parent = nullptr);

  // Handlers.
  void FormShow();
  void lblWebClick();
  void lblWebAutorClick();
  void lblVersionMouseDown(Qt::MouseButton Button, Qt::KeyboardModifiers Shift);

  // Controls.
  TLinkLabel* lblWeb;
  QLabel* lblVersion;
  QLabel* Image1;
  QLabel* Label1;
  TLinkLabel* lblWebAutor;
  QPushButton* Button1;

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  MainWindowLink link_;
};

// Shows the About box modally and frees it (menu "Acerca de ...").
void AcercaDe(const MainWindowLink& link, QWidget* parent = nullptr);
