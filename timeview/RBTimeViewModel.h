#pragma once
// The time view's data: items (appointment blocks), their collection with its
// binary stream, and the day objects the items are filed into. No painting
// and no widgets here; the control listens through TRBTimeViewLink.

#include <QIODevice>
#include <QString>
#include <array>
#include <deque>
#include <vector>

#include "core/Colors.h"
#include "core/DateTime.h"
#include "timeview/RBTimeViewTypes.h"

class TRBTimeView;
class TRBTimeViewItem;
class TRBTimeViewItems;
class TRBTimeviewDay;

// What the model asks of the control it belongs to. A collection without a
// link (no control) only stores its items.
class TRBTimeViewLink {
 public:
  virtual TRBTimeView* LinkView() = 0;
  virtual int LinkDayCount() const = 0;
  virtual TRBTimeviewDay* LinkDay(int index) const = 0;
  virtual void LinkLayout() = 0;
  virtual void LinkInvalidate() = 0;
  virtual void LinkInvalidateDay(TRBTimeviewDay* day) = 0;
  virtual void LinkWorkChanged(TRBTimeviewDay* day, bool beginWork) = 0;
  virtual void LinkItemTextChanged(TRBTimeViewItem* item) = 0;
  virtual void LinkItemColorChanged(TRBTimeViewItem* item) = 0;
  // Before an owned item leaves: ends its edit, unselects it, fires OnDeletion.
  virtual void LinkItemDestroying(TRBTimeViewItem* item) = 0;
  // After it left the days and the collection: drops every reference to it.
  virtual void LinkItemRemoved(TRBTimeViewItem* item) = 0;
  virtual bool LinkIsSelected(const TRBTimeViewItem* item) const = 0;
  virtual bool LinkShowsImage(bool reminderImage) const = 0;

 protected:
  ~TRBTimeViewLink() = default;
};

constexpr int MaxTimeViewDays = 31;

class TRBTimeViewItem {
 public:
  // A free item (not Owned): it only stores values. Collection's Add makes owned ones.
  explicit TRBTimeViewItem(TRBTimeViewItems* collection);
  // Destroying an owned item unselects it, fires OnDeletion and removes it
  // from the days and the collection.
  ~TRBTimeViewItem();
  TRBTimeViewItem(const TRBTimeViewItem&) = delete;
  TRBTimeViewItem& operator=(const TRBTimeViewItem&) = delete;

  bool Owned() const { return owned_; }
  TRBTimeViewItems* Collection() const { return collection_; }
  TRBTimeView* View() const;

  TColor Color() const { return color_; }
  void SetColor(TColor v);
  const QString& Text() const { return text_; }
  void SetText(const QString& v);
  TDateTime StartTime() const { return startTime_; }
  void SetStartTime(TDateTime v);  // ignored unless v differs and is before EndTime
  TDateTime EndTime() const { return endTime_; }
  void SetEndTime(TDateTime v);  // ignored unless v differs and is after StartTime
  void SetTimes(TDateTime start, TDateTime end);
  void MoveTo(TDateTime start);  // keeps the duration
  double Duration() const { return endTime_ - startTime_; }
  int UserIndex() const { return userIndex_; }
  void SetUserIndex(int v) { userIndex_ = v; }
  int UserData() const { return userData_; }
  void SetUserData(int v) { userData_ = v; }
  bool Dragging() const { return dragging_; }
  void SetDragging(bool v) { dragging_ = v; }
  // Sub-column of the item in the day of that index (layout).
  int DayColumn(int dayIndex) const { return dayColumns_[dayIndex]; }
  void SetDayColumn(int dayIndex, int column) { dayColumns_[dayIndex] = column; }
  int AllDayRow() const { return allDayRow_; }
  void SetAllDayRow(int v) { allDayRow_ = v; }
  bool AllDay() const { return allDay_; }
  void SetAllDay(bool v);
  TColor AllDayColor() const { return allDayColor_; }
  void SetAllDayColor(TColor v) { allDayColor_ = v; }
  bool Reminder() const { return reminder_; }
  void SetReminder(bool v);
  bool IsPrivate() const { return isPrivate_; }
  void SetIsPrivate(bool v) { isPrivate_ = v; }
  bool CreatedOnType() const { return createdOnType_; }
  void SetCreatedOnType(bool v) { createdOnType_ = v; }
  const QString& UserText() const { return userText_; }
  void SetUserText(const QString& v) { userText_ = v; }
  bool UserFlag() const { return userFlag_; }
  void SetUserFlag(bool v) { userFlag_ = v; }
  int ItemID() const { return itemID_; }
  void SetItemID(int v) { itemID_ = v; }

  // D + 1 > StartTime and D < EndTime: an item ending at midnight does not
  // reach the next day; one starting at midnight of D belongs to D.
  bool OverlapsDay(TDate d) const { return d + 1 > startTime_ && d < endTime_; }
  TRBTimeviewDay* FirstDay() const;  // first shown day overlapped, nullptr for none
  TRBTimeviewDay* LastDay() const;
  bool Selected() const;
  bool ShowsReminderImage() const;
  bool ShowsPrivateImage() const;
  // Copies the stored fields and sub-columns; not ItemID, ownership or run-time flags.
  void Assign(const TRBTimeViewItem& source);
  bool IsEqual(const TRBTimeViewItem& other) const;

 private:
  friend class TRBTimeViewItems;
  TRBTimeViewLink* Link() const;
  void Changed(bool refile);

  bool owned_ = false;
  TRBTimeViewItems* collection_;
  TColor color_ = clWindow;
  QString text_;
  TDateTime startTime_ = 8.0 / 24;
  TDateTime endTime_ = 10.0 / 24;
  int userIndex_ = -1;
  int userData_ = 0;
  bool dragging_ = false;
  std::array<int, 35> dayColumns_{};
  int allDayRow_ = 0;
  bool allDay_ = false;
  TColor allDayColor_ = clBtnFace;
  bool reminder_ = false;
  bool isPrivate_ = false;
  bool createdOnType_ = false;
  QString userText_;
  bool userFlag_ = false;
  int itemID_ = 0;
};

class TRBTimeViewItems {
 public:
  explicit TRBTimeViewItems(TRBTimeViewLink* view = nullptr);
  ~TRBTimeViewItems();  // destroys every item (OnDeletion for each)
  TRBTimeViewItems(const TRBTimeViewItems&) = delete;
  TRBTimeViewItems& operator=(const TRBTimeViewItems&) = delete;

  TRBTimeView* View() const { return link_ ? link_->LinkView() : nullptr; }
  TRBTimeViewLink* Link() const { return link_; }

  // Throws ERBTimeViewError("Invalid time range") for a negative start or end;
  // an end not after the start is accepted as given.
  TRBTimeViewItem* Add(const QString& text, bool allDay, TDateTime startTime, TDateTime endTime,
                       int userData = 0);
  void Delete(TRBTimeViewItem* item);
  void Clear();
  int Count() const { return static_cast<int>(items_.size()); }
  // Throws std::out_of_range for an index outside 0..Count-1.
  TRBTimeViewItem* Items(int index) const;
  TRBTimeViewItem* operator[](int index) const { return Items(index); }
  int IndexOf(const TRBTimeViewItem* item) const;

  void BeginUpdate() { ++updateCount_; }
  void EndUpdate();  // the outermost end runs the layout and repaints
  int UpdateCount() const { return updateCount_; }

  // Files every item, in collection order, into the shown days it overlaps.
  void UpdateAllDays();
  // Appends the item to the days it newly overlaps and removes it from those
  // it left; an item that stays keeps its place in a day's list.
  void FileItem(TRBTimeViewItem* item);

  void Assign(const TRBTimeViewItems& source);

  // The binary stream "Data": see the .cpp for its layout. ReadData throws
  // ERBTimeViewError("Stream read error") when the stream ends early (or a
  // length field points past its end); the items read until then stay.
  void WriteData(QIODevice& stream) const;
  void ReadData(QIODevice& stream);
  bool HasData(const TRBTimeViewItems* ancestor = nullptr) const;

 private:
  friend class TRBTimeViewItem;
  void ReadRecords(QIODevice& stream);
  void ItemDestroyed(TRBTimeViewItem* item);
  void UnfileItem(TRBTimeViewItem* item);
  void Layout();
  void Invalidate();

  std::deque<TRBTimeViewItem*> items_;  // erasing the first is cheap: Clear does it
  TRBTimeViewLink* link_;
  int updateCount_ = 0;
};

class TRBTimeviewDay {
 public:
  TRBTimeviewDay(TRBTimeViewLink* view, TDate date);

  std::vector<TRBTimeViewItem*>& Items() { return items_; }
  const std::vector<TRBTimeViewItem*>& Items() const { return items_; }
  TRBTimeView* View() const { return link_ ? link_->LinkView() : nullptr; }
  TDate Date() const { return date_; }
  int Index() const;  // position in the control's day list, -1 when not there

  int Left() const { return left_; }
  int Width() const { return width_; }
  void SetBounds(int left, int width) { left_ = left; width_ = width; }
  bool WorkingDay() const { return workingDay_; }
  void SetWorkingDay(bool v);
  TTime StartWork() const { return startWork_; }
  void SetStartWork(TTime v);  // ignored unless it differs and is before EndWork
  TTime EndWork() const { return endWork_; }
  void SetEndWork(TTime v);  // ignored unless it differs and is after StartWork
  int Columns() const { return columns_; }
  void SetColumns(int v) { columns_ = v; }
  int AllDayCount() const { return allDayCount_; }
  void SetAllDayCount(int v) { allDayCount_ = v; }

  bool Contains(const TRBTimeViewItem* item) const;

  // Hit test and block rectangle; geometry lives in the control.
  TRBTimeViewItem* ItemAt(int x, int y) const;
  TRect ItemRect(const TRBTimeViewItem* item) const;

 private:
  std::vector<TRBTimeViewItem*> items_;
  TRBTimeViewLink* link_;
  TDate date_;
  int left_ = 0;
  int width_ = 0;
  bool workingDay_ = false;
  TTime startWork_ = 8.0 / 24;
  TTime endWork_ = 17.5 / 24;
  int columns_ = 1;
  int allDayCount_ = 0;
};
