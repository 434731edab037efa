#pragma once
// The hint window of the time view: a frameless tool-tip popup next to the
// pointer that never takes the focus, showing the text its control's host
// composed for the running drag or selection.

#include <QWidget>

class TRBTimeViewHintWindow : public QWidget {
 public:
  explicit TRBTimeViewHintWindow(QWidget* owner);

  const QString& Text() const { return text_; }
  void SetRightToLeft(bool v) { rightToLeft_ = v; }
  // Size (w, h) of a text word-wrapped within maxWidth pixels in the hint font.
  QSize MeasureText(const QString& text, int maxWidth) const;
  // Takes the rectangle (global coordinates) and shows itself on top, unactivated.
  void ActivateHint(const QRect& rect, const QString& text);
  void HideHint();

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString text_;
  bool rightToLeft_ = false;
};
