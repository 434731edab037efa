#include "dialogs/RowIndicator.h"

#include <QItemSelectionModel>
#include <QPainter>
#include <QTableView>
#include <algorithm>

#include "core/Colors.h"

TRowIndicator::TRowIndicator(QTableView* view) : QHeaderView(Qt::Vertical, view), view_(view) {
  setSectionsClickable(true);  // a click selects the row, as on the header it replaces
  setHighlightSections(true);
  view->setVerticalHeader(this);
  if (QItemSelectionModel* selection = view->selectionModel())
    connect(selection, &QItemSelectionModel::currentRowChanged, viewport(), [this] { viewport()->update(); });
}

void TRowIndicator::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
  // The section leaves the painter clipped to its text, which a section this
  // narrow has no room for.
  painter->save();
  QHeaderView::paintSection(painter, rect, logicalIndex);
  painter->restore();
  if (logicalIndex != view_->currentIndex().row()) return;
  // A triangle pointing right, centred in the section.
  const int h = std::min(8, rect.height() - 2), w = (h + 1) / 2;
  const int left = rect.left() + (rect.width() - w) / 2, top = rect.top() + (rect.height() - h) / 2;
  const QPoint points[3] = {{left, top}, {left + w, top + h / 2}, {left, top + h}};
  painter->save();
  painter->setClipRect(rect);
  painter->setRenderHint(QPainter::Antialiasing, false);
  painter->setPen(Qt::NoPen);
  painter->setBrush(ToQColor(clWindowText));
  painter->drawPolygon(points, 3);
  painter->restore();
}
