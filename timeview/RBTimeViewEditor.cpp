#include "timeview/RBTimeViewEditor.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QPointer>

#include "timeview/RBTimeViewControl.h"

TRBTVEditor::TRBTVEditor(TRBTimeView* view, bool centred) : QTextEdit(view), view_(view), centred_(centred) {
  setObjectName("Editor");
  setFrameStyle(QFrame::NoFrame);
  setAcceptRichText(false);
  setLineWrapMode(QTextEdit::WidgetWidth);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setTabChangesFocus(true);
  setFocusPolicy(Qt::ClickFocus);  // not a tab stop
  document()->setDocumentMargin(1);
}

void TRBTVEditor::SetText(const QString& text) {
  setPlainText(text);
  if (centred_) {
    QTextCursor all(document());
    all.select(QTextCursor::Document);
    QTextBlockFormat format;
    format.setAlignment(Qt::AlignHCenter);
    all.mergeBlockFormat(format);
  }
  moveCursor(QTextCursor::End);
}

void TRBTVEditor::SetColor(const QColor& color) {
  QPalette pal = palette();
  pal.setColor(QPalette::Base, color);
  setPalette(pal);
}

void TRBTVEditor::RequestEndEdit(bool accept) {
  QPointer<TRBTimeView> view(view_);
  QMetaObject::invokeMethod(
      view_, [view, accept] { if (view) view->EndEdit(accept); }, Qt::QueuedConnection);
}

// A key the editor has no use for and the view takes as a command: a
// function key, or Insert alone (Ctrl+Insert and Shift+Insert copy and paste).
bool TRBTVEditor::CommandKey(const QKeyEvent* event) {
  const int key = event->key();
  if (key >= Qt::Key_F1 && key <= Qt::Key_F35) return true;
  return key == Qt::Key_Insert && !(event->modifiers() & ~Qt::KeypadModifier);
}

// Tab stays out (no tab stop); Enter, Esc and the arrows stay with the editor.
bool TRBTVEditor::event(QEvent* e) {
  if (e->type() == QEvent::ShortcutOverride) {
    auto* key = static_cast<QKeyEvent*>(e);
    if (key->key() == Qt::Key_Escape || key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      e->accept();
      return true;
    }
  }
  return QTextEdit::event(e);
}

void TRBTVEditor::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    RequestEndEdit(false);
    return;
  }
  if (CommandKey(event)) {
    // The subject typed so far is stored as Enter would store it, and the
    // key then goes on to the view as if no editor had been open (F5
    // refreshes, Insert opens a new appointment). The editor itself is only
    // deleted later, so going on from here is safe.
    TRBTimeView* view = view_;
    view->EndEdit(true);
    QCoreApplication::sendEvent(view, event);
    event->accept();
    return;
  }
  const QString text = event->text();
  QChar ch = text.isEmpty() ? QChar() : text[0];
  if (ch == QChar(13) || ch == QChar(10) || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    RequestEndEdit(true);
    ch = QChar(0);  // the character is dropped
  } else {
    QTextEdit::keyPressEvent(event);
  }
  if (!text.isEmpty() && view_->OnKeyPress) view_->OnKeyPress(view_, ch);
  // Every other key stops here: handed on to the view it would run the
  // view's keys over the text being typed.
  event->accept();
}

void TRBTVEditor::keyReleaseEvent(QKeyEvent* event) {
  QTextEdit::keyReleaseEvent(event);
  event->accept();
}
