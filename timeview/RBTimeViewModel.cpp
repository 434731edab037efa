#include "timeview/RBTimeViewModel.h"

#include <QBuffer>
#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "data/CodePage.h"

// ---------------------------------------------------------------- item

TRBTimeViewItem::TRBTimeViewItem(TRBTimeViewItems* collection) : collection_(collection) {}

TRBTimeViewItem::~TRBTimeViewItem() {
  if (owned_ && collection_) collection_->ItemDestroyed(this);
}

TRBTimeView* TRBTimeViewItem::View() const { return collection_ ? collection_->View() : nullptr; }

TRBTimeViewLink* TRBTimeViewItem::Link() const { return collection_ ? collection_->Link() : nullptr; }

// Only owned items tell the control; a free item just stores values.
void TRBTimeViewItem::Changed(bool refile) {
  if (!owned_ || !collection_) return;
  if (refile) {
    collection_->FileItem(this);
    collection_->Layout();
  }
  collection_->Invalidate();
}

void TRBTimeViewItem::SetStartTime(TDateTime v) {
  if (v == startTime_ || v >= endTime_) return;
  startTime_ = v;
  Changed(true);
}

void TRBTimeViewItem::SetEndTime(TDateTime v) {
  if (v == endTime_ || v <= startTime_) return;
  endTime_ = v;
  Changed(true);
}

void TRBTimeViewItem::SetTimes(TDateTime start, TDateTime end) {
  if ((start == startTime_ && end == endTime_) || start >= end) return;
  startTime_ = start;
  endTime_ = end;
  Changed(true);
}

void TRBTimeViewItem::MoveTo(TDateTime start) {
  if (start == startTime_) return;
  SetTimes(start, start + Duration());
}

void TRBTimeViewItem::SetText(const QString& v) {
  if (v == text_) return;
  text_ = v;
  if (owned_ && Link()) Link()->LinkItemTextChanged(this);
  Changed(false);
}

void TRBTimeViewItem::SetColor(TColor v) {
  if (v == color_) return;
  color_ = v;
  if (owned_ && Link()) Link()->LinkItemColorChanged(this);
  Changed(false);
}

void TRBTimeViewItem::SetAllDay(bool v) {
  if (v == allDay_) return;
  allDay_ = v;
  Changed(true);
}

void TRBTimeViewItem::SetReminder(bool v) {
  if (v == reminder_) return;
  reminder_ = v;
  Changed(false);
}

TRBTimeviewDay* TRBTimeViewItem::FirstDay() const {
  TRBTimeViewLink* link = Link();
  if (!link) return nullptr;
  for (int i = 0; i < link->LinkDayCount(); ++i)
    if (OverlapsDay(link->LinkDay(i)->Date())) return link->LinkDay(i);
  return nullptr;
}

TRBTimeviewDay* TRBTimeViewItem::LastDay() const {
  TRBTimeViewLink* link = Link();
  if (!link) return nullptr;
  for (int i = link->LinkDayCount() - 1; i >= 0; --i)
    if (OverlapsDay(link->LinkDay(i)->Date())) return link->LinkDay(i);
  return nullptr;
}

bool TRBTimeViewItem::Selected() const { return owned_ && Link() && Link()->LinkIsSelected(this); }

bool TRBTimeViewItem::ShowsReminderImage() const {
  return owned_ && reminder_ && Link() && Link()->LinkShowsImage(true);
}

bool TRBTimeViewItem::ShowsPrivateImage() const {
  return owned_ && isPrivate_ && Link() && Link()->LinkShowsImage(false);
}

void TRBTimeViewItem::Assign(const TRBTimeViewItem& s) {
  text_ = s.text_;
  startTime_ = s.startTime_;
  endTime_ = s.endTime_;
  color_ = s.color_;
  allDayColor_ = s.allDayColor_;
  allDay_ = s.allDay_;
  reminder_ = s.reminder_;
  isPrivate_ = s.isPrivate_;
  userData_ = s.userData_;
  userIndex_ = s.userIndex_;
  userText_ = s.userText_;
  userFlag_ = s.userFlag_;
  dayColumns_ = s.dayColumns_;
  Changed(true);  // an owned item moves to the days of its new times
}

bool TRBTimeViewItem::IsEqual(const TRBTimeViewItem& o) const {
  return text_ == o.text_ && userData_ == o.userData_ && color_ == o.color_ && startTime_ == o.startTime_ &&
         endTime_ == o.endTime_ && allDay_ == o.allDay_ && reminder_ == o.reminder_;
}

// ---------------------------------------------------------------- collection

TRBTimeViewItems::TRBTimeViewItems(TRBTimeViewLink* view) : link_(view) {}

TRBTimeViewItems::~TRBTimeViewItems() {
  // Each item's destructor takes it out of items_ (and fires OnDeletion).
  ++updateCount_;
  while (!items_.empty()) delete items_.front();
}

TRBTimeViewItem* TRBTimeViewItems::Add(const QString& text, bool allDay, TDateTime startTime, TDateTime endTime,
                                       int userData) {
  if (startTime < 0 || endTime < 0) throw ERBTimeViewError("Invalid time range");
  auto* item = new TRBTimeViewItem(this);
  items_.push_back(item);
  item->owned_ = true;
  item->text_ = text;
  item->startTime_ = startTime;
  item->endTime_ = endTime;
  item->allDay_ = allDay;
  item->userData_ = userData;
  // A new item is in no day yet: append it where it overlaps.
  if (link_)
    for (int i = 0; i < link_->LinkDayCount(); ++i)
      if (item->OverlapsDay(link_->LinkDay(i)->Date())) link_->LinkDay(i)->Items().push_back(item);
  Layout();
  Invalidate();
  return item;
}

void TRBTimeViewItems::Delete(TRBTimeViewItem* item) {
  if (item && item->collection_ == this && item->owned_) delete item;
}

void TRBTimeViewItems::Clear() {
  BeginUpdate();
  while (!items_.empty()) delete items_.front();
  EndUpdate();
}

TRBTimeViewItem* TRBTimeViewItems::Items(int index) const {
  if (index < 0 || index >= Count())
    throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
  return items_[static_cast<size_t>(index)];
}

int TRBTimeViewItems::IndexOf(const TRBTimeViewItem* item) const {
  const auto it = std::find(items_.begin(), items_.end(), item);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TRBTimeViewItems::EndUpdate() {
  if (updateCount_ == 0) return;
  if (--updateCount_ == 0) {
    Layout();
    Invalidate();
  }
}

void TRBTimeViewItems::Layout() {
  if (link_ && updateCount_ == 0) link_->LinkLayout();
}

void TRBTimeViewItems::Invalidate() {
  if (link_ && updateCount_ == 0) link_->LinkInvalidate();
}

void TRBTimeViewItems::FileItem(TRBTimeViewItem* item) {
  if (!link_) return;
  for (int i = 0; i < link_->LinkDayCount(); ++i) {
    TRBTimeviewDay* day = link_->LinkDay(i);
    auto& list = day->Items();
    const auto it = std::find(list.begin(), list.end(), item);
    const bool overlaps = item->OverlapsDay(day->Date());
    if (overlaps && it == list.end())
      list.push_back(item);
    else if (!overlaps && it != list.end())
      list.erase(it);
  }
}

// A day lists exactly the items that overlap it (FileItem keeps it so at
// every change of times or days), so only those days are searched, and from
// the end: a host clearing a range deletes the newest items first.
void TRBTimeViewItems::UnfileItem(TRBTimeViewItem* item) {
  if (!link_) return;
  for (int i = 0; i < link_->LinkDayCount(); ++i) {
    TRBTimeviewDay* day = link_->LinkDay(i);
    if (!item->OverlapsDay(day->Date())) continue;
    auto& list = day->Items();
    const auto it = std::find(list.rbegin(), list.rend(), item);
    if (it != list.rend()) list.erase(std::next(it).base());
  }
}

void TRBTimeViewItems::UpdateAllDays() {
  if (!link_) return;
  // A day with no items yet (new days) takes its items in collection order
  // without searching its list for each: the result FileItem would give,
  // without its walks of thousands of items times the days.
  std::vector<TRBTimeviewDay*> empty;
  for (int i = 0; i < link_->LinkDayCount(); ++i)
    if (link_->LinkDay(i)->Items().empty()) empty.push_back(link_->LinkDay(i));
  if (empty.size() != static_cast<size_t>(link_->LinkDayCount())) {
    for (TRBTimeViewItem* item : items_) FileItem(item);
    return;
  }
  for (TRBTimeViewItem* item : items_)
    for (TRBTimeviewDay* day : empty)
      if (item->OverlapsDay(day->Date())) day->Items().push_back(item);
}

void TRBTimeViewItems::ItemDestroyed(TRBTimeViewItem* item) {
  if (link_) link_->LinkItemDestroying(item);
  UnfileItem(item);
  // The first item is what Clear and the destructor take; otherwise searched
  // from the end: a host that clears a range deletes from the end. Either
  // way each deletion is constant time instead of a walk of thousands.
  if (!items_.empty() && items_.front() == item) {
    items_.pop_front();
  } else {
    const auto it = std::find(items_.rbegin(), items_.rend(), item);
    if (it != items_.rend()) items_.erase(std::next(it).base());
  }
  if (link_) link_->LinkItemRemoved(item);
  Layout();
  Invalidate();
}

// ---------------------------------------------------------------- the Data stream
//
// Little-endian throughout. Header: version (int32, 110), count (int32).
// Each item: version (int32, 110), text (int32 length + single-byte text in
// the tables' code page, 1252, where a character it lacks becomes "?"),
// start and end (double), colour, user index (int32), all day (byte),
// all-day colour (int32), reminder, private (bytes), user data (int32),
// user flag (byte), user text (length + text), and, only in version 110
// records, the item id (int32). Older records have no id: it stays 0.

namespace {
constexpr std::int32_t StreamVersion = 110;
constexpr int kStreamCodePage = 1252;

class Writer {
 public:
  explicit Writer(QIODevice& s) : s_(s) {}
  void Raw(const void* p, qint64 n) { s_.write(static_cast<const char*>(p), n); }
  void Int(std::int32_t v) {
    unsigned char b[4];
    for (int i = 0; i < 4; ++i) b[i] = static_cast<unsigned char>(static_cast<std::uint32_t>(v) >> (8 * i));
    Raw(b, 4);
  }
  void Double(double v) {
    std::uint64_t bits;
    std::memcpy(&bits, &v, 8);
    unsigned char b[8];
    for (int i = 0; i < 8; ++i) b[i] = static_cast<unsigned char>(bits >> (8 * i));
    Raw(b, 8);
  }
  void Bool(bool v) {
    const unsigned char b = v ? 1 : 0;
    Raw(&b, 1);
  }
  void String(const QString& v) {
    const std::string bytes = data::FromUtf8(v.toStdString(), kStreamCodePage);
    Int(static_cast<std::int32_t>(bytes.size()));
    Raw(bytes.data(), static_cast<qint64>(bytes.size()));
  }

 private:
  QIODevice& s_;
};

class Reader {
 public:
  explicit Reader(QIODevice& s) : s_(s) {}
  void Raw(void* p, qint64 n) {
    if (n == 0) return;
    if (s_.read(static_cast<char*>(p), n) != n) throw ERBTimeViewError("Stream read error");
  }
  std::int32_t Int() {
    unsigned char b[4];
    Raw(b, 4);
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(b[i]) << (8 * i);
    return static_cast<std::int32_t>(v);
  }
  double Double() {
    unsigned char b[8];
    Raw(b, 8);
    std::uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) bits |= static_cast<std::uint64_t>(b[i]) << (8 * i);
    double v;
    std::memcpy(&v, &bits, 8);
    return v;
  }
  bool Bool() {
    unsigned char b;
    Raw(&b, 1);
    return b != 0;
  }
  // A length that is negative or runs past the end of a finite stream is a
  // damaged record: refuse it instead of allocating what it claims.
  QString String() {
    const std::int32_t n = Int();
    if (n < 0 || (!s_.isSequential() && n > s_.bytesAvailable())) throw ERBTimeViewError("Stream read error");
    QByteArray bytes(n, Qt::Uninitialized);
    Raw(bytes.data(), n);
    return QString::fromStdString(data::ToUtf8(std::string_view(bytes.constData(), bytes.size()), kStreamCodePage));
  }

 private:
  QIODevice& s_;
};
}  // namespace

void TRBTimeViewItems::WriteData(QIODevice& stream) const {
  Writer w(stream);
  w.Int(StreamVersion);
  w.Int(Count());
  for (const TRBTimeViewItem* it : items_) {
    w.Int(StreamVersion);
    w.String(it->text_);
    w.Double(it->startTime_);
    w.Double(it->endTime_);
    w.Int(it->color_);
    w.Int(it->userIndex_);
    w.Bool(it->allDay_);
    w.Int(it->allDayColor_);
    w.Bool(it->reminder_);
    w.Bool(it->isPrivate_);
    w.Int(it->userData_);
    w.Bool(it->userFlag_);
    w.String(it->userText_);
    w.Int(it->itemID_);
  }
}

// One layout and one repaint for the whole stream, also when it ends early.
void TRBTimeViewItems::ReadData(QIODevice& stream) {
  BeginUpdate();
  try {
    ReadRecords(stream);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TRBTimeViewItems::ReadRecords(QIODevice& stream) {
  Clear();
  Reader r(stream);
  r.Int();  // version of the header: not checked
  const std::int32_t count = r.Int();
  for (std::int32_t i = 0; i < count; ++i) {
    const std::int32_t version = r.Int();
    TRBTimeViewItem* it = Add(QString(), false, 0, 0);
    it->text_ = r.String();
    it->startTime_ = r.Double();
    it->endTime_ = r.Double();
    it->color_ = r.Int();
    it->userIndex_ = r.Int();
    it->allDay_ = r.Bool();
    it->allDayColor_ = r.Int();
    it->reminder_ = r.Bool();
    it->isPrivate_ = r.Bool();
    it->userData_ = r.Int();
    it->userFlag_ = r.Bool();
    it->userText_ = r.String();
    if (version == StreamVersion) it->itemID_ = r.Int();
    FileItem(it);
  }
}

bool TRBTimeViewItems::HasData(const TRBTimeViewItems* ancestor) const {
  if (!ancestor) return Count() > 0;
  if (ancestor->Count() != Count()) return true;
  for (int i = 0; i < Count(); ++i)
    if (!items_[static_cast<size_t>(i)]->IsEqual(*ancestor->items_[static_cast<size_t>(i)])) return true;
  return false;
}

void TRBTimeViewItems::Assign(const TRBTimeViewItems& source) {
  if (&source == this) return;
  BeginUpdate();
  QByteArray buffer;
  {
    QBuffer out(&buffer);
    out.open(QIODevice::WriteOnly);
    source.WriteData(out);
  }
  QBuffer in(&buffer);
  in.open(QIODevice::ReadOnly);
  try {
    ReadData(in);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

// ---------------------------------------------------------------- day

TRBTimeviewDay::TRBTimeviewDay(TRBTimeViewLink* view, TDate date) : link_(view), date_(date) {}

int TRBTimeviewDay::Index() const {
  if (!link_) return -1;
  for (int i = 0; i < link_->LinkDayCount(); ++i)
    if (link_->LinkDay(i) == this) return i;
  return -1;
}

bool TRBTimeviewDay::Contains(const TRBTimeViewItem* item) const {
  return std::find(items_.begin(), items_.end(), item) != items_.end();
}

void TRBTimeviewDay::SetWorkingDay(bool v) {
  if (v == workingDay_) return;
  workingDay_ = v;
  if (link_) link_->LinkInvalidateDay(this);
}

void TRBTimeviewDay::SetStartWork(TTime v) {
  if (v == startWork_ || v >= endWork_) return;
  startWork_ = v;
  if (link_) {
    link_->LinkInvalidateDay(this);
    link_->LinkWorkChanged(this, true);
  }
}

void TRBTimeviewDay::SetEndWork(TTime v) {
  if (v == endWork_ || v <= startWork_) return;
  endWork_ = v;
  if (link_) {
    link_->LinkInvalidateDay(this);
    link_->LinkWorkChanged(this, false);
  }
}
