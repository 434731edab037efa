#pragma once
// "Reorganizar información": rebuilds both data tables, with the main
// window's table closed and its refresh stopped meanwhile.

#include <QDialog>

#include "maintenance/MainWindowLink.h"

class QLabel;
class QProgressBar;
class QPushButton;

class TfrmReindex : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmReindex(MainWindowLink link = {}, QWidget* parent = nullptr);

  // Closing is refused while the work runs (it lets window messages run).
  void reject() override;

  // Handlers.
  void btnOkClick();
  // Advances the bar and names the table about to be rebuilt, when present.
  void ReorganizarTabla(const QString& Fichero);

  // Controls.
  QLabel* pnlInfo;
  QLabel* lblMsg;
  QProgressBar* prbReindex;
  QLabel* lblTabla;
  QPushButton* btnOk;
  QPushButton* btnCancel;

 private:
  MainWindowLink link_;
  bool busy_ = false;
};

// Shows the reorganise dialog modally and frees it.
void Reorganizar(const MainWindowLink& link, QWidget* parent = nullptr);
