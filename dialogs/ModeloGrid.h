#pragma once
// The read-only grids of the dialogs: a fixed list of columns over rows that
// the dialog keeps itself; cells and row colours are asked of the dialog
// whenever they are drawn. Column titles are bold and centred.

#include <QAbstractTableModel>
#include <QColor>
#include <QFont>
#include <QString>
#include <functional>
#include <vector>

class TModeloGrid : public QAbstractTableModel {
 public:
  struct Columna {
    QString titulo;
    Qt::Alignment alineacion = Qt::AlignLeft;
  };
  using Celda = std::function<QString(int Fila, int Columna)>;
  using Fondo = std::function<QColor(int Fila)>;  // invalid: the view's own

  TModeloGrid(std::vector<Columna> Columnas, Celda celda, QObject* parent = nullptr);
  void SetFondo(Fondo fondo) { FFondo = std::move(fondo); }
  void SetFuenteTitulos(const QFont& f) { FFuenteTitulos = f; }
  // The dialog's rows changed: now there are Filas of them.
  void Recargar(int Filas);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  std::vector<Columna> FColumnas;
  Celda FCelda;
  Fondo FFondo;
  QFont FFuenteTitulos;
  int FFilas = 0;
};
