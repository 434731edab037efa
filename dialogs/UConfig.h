#pragma once
// The configuration dialog: the settings on the page "General" and the
// category list on the page "Categorías". The category commands change the
// global list at once; "Aceptar" stores the settings and saves the list and
// config.ini, "Cancelar" stores no setting.

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QListWidget;
class QPainter;
class QPushButton;
class QTabWidget;
class QToolButton;
class TAdvSpinEdit;
class TCategoria;
class TColorSwatch;
class TEllipsLabel;

class TfrmConfig : public QDialog {
 public:
  explicit TfrmConfig(QWidget* parent = nullptr);

  QTabWidget* pcConfig;
  QWidget* tsGeneral;
  QWidget* tsCategorias;

  QGroupBox* rgWindowState;  // " Ventana ": "Normal", "Maximizada"
  QCheckBox* chkMostrarAvisos;
  QGroupBox* gbWorkTime;
  TAdvSpinEdit* edtWorkTimeFrom;
  TAdvSpinEdit* edtWorkTimeTo;
  QCheckBox* cbxWTLun;
  QCheckBox* cbxWTMar;
  QCheckBox* cbxWTMie;
  QCheckBox* cbxWTJue;
  QCheckBox* cbxWTVie;
  QCheckBox* cbxWTSab;
  QCheckBox* cbxWTDom;
  TColorSwatch* shColorFondoWT;
  QToolButton* btnSetColorWT;
  TColorSwatch* shMarkDayColor;
  QToolButton* btnMarkDayColor;
  QCheckBox* chkWindowsRun;
  QCheckBox* chkAvisarRed;  // change notices to the other computers
  TEllipsLabel* lblDirDatos;
  QToolButton* btnPathDatos;

  QListWidget* lbCategorias;  // one row per current category, in list order
  QPushButton* btnNewCate;
  QPushButton* btnEditCate;
  QPushButton* btnDelCate;

  QPushButton* btnOk;
  QPushButton* BitBtn1;  // "Cancelar"

  // Index of the checked window state (0 normal, 1 maximised).
  int WindowStateIndex() const;
  void SetWindowStateIndex(int Index);
  // The category a row stands for; nullptr outside the list or when the row's
  // category is no longer in the list.
  TCategoria* CategoriaDeFila(int Row) const;

  void FormShow();
  void LlenarLista();
  void pcConfigChange();
  void btnPathDatosClick();
  void btnSetColorWTClick();
  void btnMarkDayColorClick();
  void btnOkClick();
  void btnNewCateClick();
  void btnEditCateClick();  // also a double click in the list
  void btnDelCateClick();
  void lbCategoriasDrawItem(QPainter& Canvas, int Index, const QRect& Rect, bool Selected);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QWidget* CrearPaginaGeneral();
  QWidget* CrearPaginaCategorias();
  void AnadirFila(TCategoria* Cat);
  TCategoria* FilaCruda(int Row) const;  // the row's pointer, unchecked
  bool Vigente(const TCategoria* Cat) const;
  // True while row i stands for the list's category i, for every i.
  bool FilasAlDia() const;
  // The selected row's category; nullptr when none is selected or the rows
  // no longer match the list (they are then filled again).
  TCategoria* CategoriaSeleccionada();

  QButtonGroup* FWindowStates;
  int cargaFilas_ = -1;  // the list's load the rows were filled from
};

// Shows the configuration dialog modally over owner. True when it closed with
// "Aceptar": ConfigAgenda then holds the new settings (already written to
// config.ini and the autostart entry) and the category list is saved; the
// caller applies them (working hours, colours, a changed data folder).
bool EjecutarConfiguracion(QWidget* owner);
