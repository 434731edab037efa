#include "timeview/RBImageList.h"

#include <QPainter>

TRBImageList::TRBImageList(int width, int height, QObject* parent)
    : QObject(parent), width_(width), height_(height) {}

int TRBImageList::Add(const QPixmap& image) {
  images_.push_back(image.size() == QSize(width_, height_) ? image : image.scaled(width_, height_));
  emit Changed();
  return Count() - 1;
}

void TRBImageList::Clear() {
  if (images_.isEmpty()) return;
  images_.clear();
  emit Changed();
}

void TRBImageList::Draw(QPainter& painter, int x, int y, int index) const {
  if (index < 0 || index >= Count()) return;
  painter.drawPixmap(x, y, images_[index]);
}
