#pragma once
// The in-place editor laid over an item's block: multi-line, wrapping at its
// width, flat, centred for all-day items. Enter accepts and Esc cancels, each
// through a queued end-edit request so the key's own handling finishes first.

#include <QTextEdit>

class TRBTimeView;

class TRBTVEditor : public QTextEdit {
 public:
  TRBTVEditor(TRBTimeView* view, bool centred);

  QString Text() const { return toPlainText(); }
  void SetText(const QString& text);
  void SetColor(const QColor& color);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  bool event(QEvent* event) override;

 private:
  static bool CommandKey(const QKeyEvent* event);
  void RequestEndEdit(bool accept);
  TRBTimeView* view_;
  bool centred_;
};
