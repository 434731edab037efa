#pragma once
// A list of equally sized images drawn by index, as the time view's reminder
// and private marks need. Tells its users when it changes; a QPointer to it
// tells them when it is gone.

#include <QObject>
#include <QPixmap>
#include <QVector>

class QPainter;

class TRBImageList : public QObject {
  Q_OBJECT
 public:
  TRBImageList(int width, int height, QObject* parent = nullptr);

  int Width() const { return width_; }
  int Height() const { return height_; }
  int Count() const { return static_cast<int>(images_.size()); }
  // The image is scaled to the list's size when it differs. Returns its index.
  int Add(const QPixmap& image);
  void Clear();
  // Draws image index with its top-left corner at (x, y); nothing for an index out of range.
  void Draw(QPainter& painter, int x, int y, int index) const;

 signals:
  void Changed();

 private:
  int width_;
  int height_;
  QVector<QPixmap> images_;
};
