// In-place editing of an item's text.
#include "timeview/RBTimeViewControl.h"
#include "timeview/RBTimeViewEditor.h"

QTextEdit* TRBTimeView::Editor() const { return editor_; }

bool TRBTimeView::EditItem(TRBTimeViewItem* item, TRBTimeviewDay* day) {
  EndEdit(true);
  if (!item || item == editingItem_ || !DoEditingItem(item) || !day) return false;
  MakeItemVisible(item, day);
  editingItem_ = item;
  editor_ = new TRBTVEditor(this, item->AllDay());
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
  const bool hadFocus = editor->hasFocus();
  editor_ = nullptr;
  editor->hide();
  editor->deleteLater();
  TRBTimeViewItem* item = editingItem_;
  if (item) {
    if (accept) {
      if (OnEditedItem) OnEditedItem(this, item, text);
      item->SetText(text);
      item->SetCreatedOnType(false);
    } else if (item->CreatedOnType()) {
      items_->Delete(item);
    }
  }
  editingItem_ = nullptr;
  if (hadFocus) setFocus();  // typing goes on in the view
}

void TRBTimeView::LinkItemTextChanged(TRBTimeViewItem* item) {
  if (item == editingItem_ && editor_ && editor_->Text() != item->Text()) editor_->SetText(item->Text());
}

void TRBTimeView::LinkItemColorChanged(TRBTimeViewItem* item) {
  if (item == editingItem_ && editor_) editor_->SetColor(ToQColor(item->Color()));
}
