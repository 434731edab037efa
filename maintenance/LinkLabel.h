#pragma once
// A label that behaves as a web link: blue and bold, underlined on a yellow
// background while the mouse is over it, with a hand cursor. Clicking it, or
// pressing Space or Enter while it has the focus, runs OnClick.

#include <QLabel>
#include <functional>

class TLinkLabel : public QLabel {
  Q_OBJECT
 public:
  explicit TLinkLabel(const QString& text, QWidget* parent = nullptr);

  bool Hot() const { return hot_; }
  std::function<void()> OnClick;

 protected:
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void SetHot(bool hot);
  bool hot_ = false;
};
