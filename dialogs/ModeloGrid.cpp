#include "dialogs/ModeloGrid.h"

TModeloGrid::TModeloGrid(std::vector<Columna> Columnas, Celda celda, QObject* parent)
    : QAbstractTableModel(parent), FColumnas(std::move(Columnas)), FCelda(std::move(celda)) {
  FFuenteTitulos.setBold(true);
}

void TModeloGrid::Recargar(int Filas) {
  beginResetModel();
  FFilas = Filas;
  endResetModel();
}

int TModeloGrid::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : FFilas; }

int TModeloGrid::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(FColumnas.size());
}

QVariant TModeloGrid::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= FFilas) return {};
  switch (role) {
    case Qt::DisplayRole:
      return FCelda(index.row(), index.column());
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(FColumnas[index.column()].alineacion | Qt::AlignVCenter);
    case Qt::BackgroundRole:
      if (FFondo) {
        const QColor c = FFondo(index.row());
        if (c.isValid()) return c;
      }
      return {};
    default:
      return {};
  }
}

QVariant TModeloGrid::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Vertical) return role == Qt::DisplayRole ? QVariant(QString()) : QVariant();
  if (section < 0 || section >= static_cast<int>(FColumnas.size())) return {};
  switch (role) {
    case Qt::DisplayRole:
      return FColumnas[section].titulo;
    case Qt::FontRole:
      return FFuenteTitulos;
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    default:
      return {};
  }
}
