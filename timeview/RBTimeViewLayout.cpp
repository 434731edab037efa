// Layout, hit tests and scrolling of the control: the state-holding side of
// the pure functions in RBTimeViewGeometry.
#include <QScrollBar>
#include <QStyle>

#include "timeview/RBTimeViewControl.h"

int TRBTimeView::ClientWidth() const {
  const int bar = scrollBar_ && !scrollBar_->isHidden() ? scrollBar_->width() : 0;
  return std::max(0, width() - 2 * ClientOrigin().x() - bar);
}

int TRBTimeView::ClientHeight() const { return std::max(0, height() - 2 * ClientOrigin().y()); }

QPoint TRBTimeView::ClientOrigin() const {
  const int border = borderStyle_ == bsSingle ? 2 : 0;
  return QPoint(border, border);
}

TVMetrics TRBTimeView::Metrics() const {
  TVMetrics m;
  m.CaptionHeight = captionHeight_;
  m.TopSpace = showTopSpace_ ? topSpaceHeight_ : 0;
  m.Scroll = scrollOffset_;
  m.DayHeight = dayHeight_;
  m.RulerMarkHeight = rulerMarkHeight_;
  m.GapWidth = daysGapWidth_;
  m.RulerWidth = rulerWidth_;
  m.ClientWidth = ClientWidth();
  m.ClientHeight = ClientHeight();
  m.ShowDaysGapCover = options_.Contains(tvoShowDaysGapCover);
  return m;
}

int TRBTimeView::TimeToY(int resolution, TTime time) const { return tvgeo::TimeToY(Metrics(), resolution, time); }

TTime TRBTimeView::YToTime(int y, int resolution, bool roundToNearest) const {
  return tvgeo::YToTime(Metrics(), y, resolution, roundToNearest);
}

TRBTimeviewDay* TRBTimeView::DayAtX(int x) const {
  std::vector<tvgeo::DayBounds> bounds;
  bounds.reserve(days_.size());
  for (const auto& d : days_) bounds.push_back({d->Left(), d->Width()});
  const int i = tvgeo::DayIndexAtX(bounds, x, rulerWidth_, ClientWidth());
  return i < 0 ? nullptr : days_[static_cast<size_t>(i)].get();
}

TRect TRBTimeView::ItemRect(const TRBTimeviewDay* day, const TRBTimeViewItem* item) const {
  const int index = DayIndex(day);
  if (index < 0 || !item) return TRect{};
  return tvgeo::ItemRect(Metrics(), *day, index, *item);
}

TRBTimeViewItem* TRBTimeView::ItemAt(const TRBTimeviewDay* day, int x, int y) const {
  const int index = DayIndex(day);
  if (index < 0) return nullptr;
  return tvgeo::ItemAt(Metrics(), *day, index, x, y);
}

TRect TRBTimeviewDay::ItemRect(const TRBTimeViewItem* item) const {
  return View() ? View()->ItemRect(this, item) : TRect{};
}

TRBTimeViewItem* TRBTimeviewDay::ItemAt(int x, int y) const { return View() ? View()->ItemAt(this, x, y) : nullptr; }

void TRBTimeView::UpdateLayout() {
  if (items_->UpdateCount() > 0) return;
  const auto bounds = tvgeo::DayColumns(ClientWidth(), rulerWidth_, showRuler_, DaysCount());
  for (int i = 0; i < items_->Count(); ++i) items_->Items(i)->SetAllDayRow(-1);
  int maxAllDay = 0;
  for (size_t i = 0; i < days_.size(); ++i) {
    TRBTimeviewDay& day = *days_[i];
    day.SetBounds(bounds[i].Left, bounds[i].Width);
    tvgeo::LayoutDayItems(day, static_cast<int>(i));
    maxAllDay = std::max(maxAllDay, day.AllDayCount());
  }
  const int height = tvgeo::TopSpaceHeightFor(maxAllDay, rulerMarkHeight_);
  if (height != topSpaceHeight_) {
    topSpaceHeight_ = height;
    UpdateScrollBar();
    UpdateLayout();
    Invalidate();
  }
}

void TRBTimeView::PlaceScrollBar() {
  const QPoint o = ClientOrigin();
  const int w = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, scrollBar_);
  scrollBar_->setGeometry(width() - o.x() - w, o.y(), w, std::max(0, height() - 2 * o.y()));
}

// Like a window scroll bar: range 0..DH with a page of the time area's height,
// shown only while the 24 hours do not fit. Showing or hiding it changes the
// client width, so the layout follows.
void TRBTimeView::UpdateScrollBar() {
  const TVMetrics m = Metrics();
  const int page = m.ClientHeight - m.CaptionHeight - m.TopSpace + 1;
  const bool fits = tvgeo::DayFits(m);
  if (!fits) {
    scrollOffset_ = std::min(scrollOffset_, m.DayHeight);
  } else {
    scrollOffset_ = 0;
  }
  {
    const QSignalBlocker block(scrollBar_);
    scrollBar_->setPageStep(std::max(1, page));
    scrollBar_->setSingleStep(rulerMarkHeight_);
    scrollBar_->setRange(0, fits ? 0 : tvgeo::MaxScrollPos(m));
  }
  if (scrollBar_->isHidden() == !fits) {
    scrollBar_->setVisible(!fits);
    UpdateLayout();
    Invalidate();
  }
  SetVScrollPosition(scrollOffset_);
}

int TRBTimeView::VScrollPosition() const { return scrollBar_->value(); }

// The in-place editor does not scroll with the blocks: any scroll (the
// host's wheel included, not only the scroll bar) ends an edit, accepting it,
// rather than leave the editor over another time.
void TRBTimeView::SetVScrollPosition(int v) {
  const TVMetrics m = Metrics();
  const int position = tvgeo::ClampScrollPosition(m, v);
  const int offset = tvgeo::DrawnOffset(position, smoothScroll_, rulerMarkHeight_);
  if (offset != scrollOffset_) {
    EndEdit(true);
    scrollOffset_ = offset;
    Invalidate();
  }
  if (scrollBar_->value() != position) {
    const QSignalBlocker block(scrollBar_);
    scrollBar_->setValue(position);
  }
}

// The user's scroll bar actions end an edit first, then move by marks.
void TRBTimeView::ScrollBarAction(int action) {
  setFocus();
  EndEdit(true);
  const TVMetrics m = Metrics();
  int target = scrollOffset_;
  switch (action) {
    case QAbstractSlider::SliderSingleStepSub: target = scrollOffset_ - rulerMarkHeight_; break;
    case QAbstractSlider::SliderSingleStepAdd: target = scrollOffset_ + rulerMarkHeight_; break;
    case QAbstractSlider::SliderPageStepSub: target = scrollOffset_ - 3 * rulerMarkHeight_; break;
    case QAbstractSlider::SliderPageStepAdd: target = scrollOffset_ + 3 * rulerMarkHeight_; break;
    case QAbstractSlider::SliderMove: target = scrollBar_->sliderPosition(); break;
    case QAbstractSlider::SliderToMinimum: target = 0; break;
    case QAbstractSlider::SliderToMaximum: target = tvgeo::MaxScrollPos(m); break;
    default: return;
  }
  SetVScrollPosition(target);
  // The slider applies its own tentative position after this signal: make it ours.
  scrollBar_->setSliderPosition(scrollBar_->value());
}

void TRBTimeView::ScrollToTime(TTime time) { SetVScrollPosition(tvgeo::ScrollPositionForTime(dayHeight_, time)); }

void TRBTimeView::MakeItemVisible(TRBTimeViewItem* item, TRBTimeviewDay* day) {
  if (!item || !day || item->AllDay()) return;
  const int delta = tvgeo::MakeVisibleDelta(Metrics(), ItemRect(day, item));
  SetVScrollPosition(VScrollPosition() + delta);
}
