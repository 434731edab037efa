// In-place editing of an item's text, and creation by typing.
#include <cmath>

#include "timeview/RBTimeViewControl.h"
#include "timeview/RBTimeViewEditor.h"

QTextEdit* TRBTimeView::Editor() const { return editor_; }

bool TRBTimeView::EditItem(TRBTimeViewItem* item, TRBTimeviewDay* day) {
  EndEdit(true);
  if (!item || item == editingItem_ || !DoEditingItem(item) || !day) return false;
  MakeItemVisible(item, day);
  editingItem_ = item;
  editor_ = new TRBTVEditor(this, item->AllDay());
  editor_->installEventFilter(this);  // its focus is the view's (OnEnter, OnExit)
  editor_->SetColor(ToQColor(item->AllDay() ? allDayItemSelectionColor_ : item->Color()));
  editor_->setFont(font());
  TRect r = ItemRect(day, item);
  if (!item->AllDay()) {
    const TVMetrics m = Metrics();
    r.Top = std::max(r.Top, m.TimeTop());
    r.Bottom = std::min(r.Bottom, m.ClientHeight);
  }
  if (customEditing_ && OnGetEditRect) OnGetEditRect(this, day, item, r);
  const QPoint o = ClientOrigin();
  editor_->setGeometry(o.x() + r.Left, o.y() + r.Top, r.Width(), r.Height());
  editor_->SetText(item->Text());
  editor_->show();
  editor_->setFocus();
  editing_ = true;
  return true;
}

void TRBTimeView::EndEdit(bool accept) {
  editing_ = false;
  if (!editor_) return;
  QString text = editor_->Text();
  TRBTVEditor* editor = editor_;
  // The focus goes back to the view before the editor hides: hiding a
  // focused widget would pass the focus on to the next control of the window.
  if (editor->hasFocus()) setFocus();
  editor_ = nullptr;
  editor->hide();
  editor->deleteLater();
  TRBTimeViewItem* item = editingItem_;
  if (item) {
    if (accept) {
      if (OnEditedItem) OnEditedItem(this, item, text);
      // The host may have removed the item (an empty new one, say).
      if (items_->IndexOf(item) < 0) {
        editingItem_ = nullptr;
        return;
      }
      item->SetText(text);
      item->SetCreatedOnType(false);
    } else if (item->CreatedOnType()) {
      items_->Delete(item);
    }
  }
  editingItem_ = nullptr;
}

void TRBTimeView::LinkItemTextChanged(TRBTimeViewItem* item) {
  if (item == editingItem_ && editor_ && editor_->Text() != item->Text()) editor_->SetText(item->Text());
}

void TRBTimeView::LinkItemColorChanged(TRBTimeViewItem* item) {
  if (item == editingItem_ && editor_) editor_->SetColor(ToQColor(item->Color()));
}

// Creation by typing: a character typed over a selection makes an item
// there and opens the editor on it with that character.
bool TRBTimeView::TypeToCreate(QChar ch) {
  // Control characters (backspace, tab, Ctrl+letter) make no item.
  if (editor_ || !createOnType_ || readOnly_ || !ch.isPrint()) return false;
  if (ch == QChar(27) || ch == QChar(10) || ch == QChar(13)) return false;
  const bool timed = timeSelectionStart_ != -1 && timeSelectionEnd_ != -1;
  const bool allDay = !timed && allDaySelectionStart_ != -1 && allDaySelectionEnd_ != -1;
  if (!timed && !allDay) return false;
  // The host is told the range the item will take: for an all-day item the
  // whole days of the all-day selection (there is no time selection then).
  bool allow = true;
  if (OnCreateOnType) {
    if (timed) OnCreateOnType(this, timeSelectionStart_, timeSelectionEnd_, false, allow);
    else OnCreateOnType(this, allDaySelectionStart_, allDaySelectionEnd_ + 1, true, allow);
  }
  if (!allow) return false;
  TRBTimeViewItem* item;
  TDate day;
  if (timed) {
    item = items_->Add(QString(), false, timeSelectionStart_, timeSelectionEnd_);
    day = std::trunc(timeSelectionStart_);
    SetTimeSelection(-1, -1);
  } else {
    item = items_->Add(QString(), true, allDaySelectionStart_, allDaySelectionEnd_ + 1);
    day = allDaySelectionStart_;
    SetAllDaySelection(-1, -1);
  }
  item->SetCreatedOnType(true);
  if (OnCreatedOnType) OnCreatedOnType(this, item);
  if (items_->IndexOf(item) < 0) return true;  // the handler removed it
  if (EditItem(item, DayOfDate(day))) {
    editor_->SetText(QString(ch));  // the caret goes after it
  }
  return true;
}
