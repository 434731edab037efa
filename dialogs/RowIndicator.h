#pragma once
// The row indicator of a grid: its vertical header, narrow and without
// numbers, with a triangle pointing at the grid's current row.
#include <QHeaderView>

class QTableView;

class TRowIndicator : public QHeaderView {
 public:
  // Becomes the view's vertical header; call it after the view has its model.
  explicit TRowIndicator(QTableView* view);

 protected:
  void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

 private:
  QTableView* view_;
};
