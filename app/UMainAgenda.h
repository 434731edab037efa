#pragma once
#include <QMainWindow>
#include <functional>
#include <memory>

namespace data {
class Table;
}
class QFrame;
class QLabel;
class QMenu;
class QSplitter;
class QStatusBar;
class QTimer;
class TfrmSplash;

// The main window: lives from the program's start to its end.
class TfrmAgenda : public QMainWindow {
  Q_OBJECT
 public:
  explicit TfrmAgenda(QWidget* parent = nullptr);
  ~TfrmAgenda() override;

  // Handlers.
  void FormCreate();
  void FormShow();
  void FormClose();
  void tmrAvisosTimer();
  void tmrMaximizeTimer();
  void Cerrar1Click();
  void Ayuda2Click();

  // Makes sure a newly chosen data folder holds both tables, asking before
  // creating them.
  bool ComprobarTablas(const QString& Carpeta);

  // Status bar: panel 0 shows the data folder, panel 1 transient messages.
  void MostrarDirDatos();
  void MostrarEstado(const QString& Texto);

  // Controls.
  QStatusBar* StatusBar;
  QLabel* StatusPanel0;
  QLabel* StatusPanel1;
  QFrame* pnlSup;
  QSplitter* splHor;
  QFrame* pnlTimeView;
  QFrame* pnlCalendar;
  QMenu* mnuArchivo;
  QMenu* mnuAyuda;
  std::unique_ptr<data::Table> tblAgenda;
  QTimer* tmrRefresh;
  QTimer* tmrAvisos;
  QTimer* tmrMaximize;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void AbrirTablas();

  TfrmSplash* splash_ = nullptr;
  bool shown_ = false;
};

// Shortens a folder to fit a width: leading folders give way to "..." while
// the last folder name is kept whole. `fits` tells whether a text fits.
QString AcortarRuta(const QString& ruta, const std::function<bool(const QString&)>& fits);
