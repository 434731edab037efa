#pragma once
// A colour swatch: a rectangle filled with a colour inside a one-pixel black
// frame. System colours follow the palette.

#include <QWidget>
#include <functional>

#include "core/Colors.h"

class TColorSwatch : public QWidget {
 public:
  explicit TColorSwatch(QWidget* parent = nullptr);

  TColor Color() const { return FColor; }
  void SetColor(TColor value);

  std::function<void(TColorSwatch* Sender)> OnDblClick;

  QSize sizeHint() const override { return minimumSize(); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  TColor FColor = clWhite;
};
