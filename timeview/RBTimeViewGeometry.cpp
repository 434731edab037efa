#include "timeview/RBTimeViewGeometry.h"

#include <algorithm>
#include <cfenv>
#include <cmath>

namespace tvgeo {

int Round(double v) { return static_cast<int>(std::nearbyint(v)); }

int DayHeightFor(int markMinutes, int markHeight) { return (60 / std::max(1, markMinutes)) * markHeight * 24; }

namespace {
// Minutes since midnight of a time of day, seconds dropped, 24:00 within a second of the end.
int MinutesOf(TTime time) {
  time = std::clamp(time, 0.0, 1.0);
  if (1.0 - time < dt::OneSecond) return 1440;
  int h, mi, s, ms;
  dt::DecodeTime(time, h, mi, s, ms);
  return h * 60 + mi;
}

double Frac(double v) { return v - std::trunc(v); }
}  // namespace

int TimeToY(const TVMetrics& m, int resolution, TTime time) {
  resolution = std::max(1, resolution);
  const int minutes = MinutesOf(time) / resolution * resolution;
  return m.TimeTop() - m.Scroll - 1 + Round(minutes * static_cast<double>(m.DayHeight) / 1440.0);
}

TTime YToTime(const TVMetrics& m, int y, int resolution, bool roundToNearest) {
  resolution = std::max(1, resolution);
  int minutes = Round((y - m.CaptionHeight - m.TopSpace + m.Scroll) * 1440.0 / m.DayHeight);
  minutes = std::clamp(minutes, 0, 1440);
  minutes = roundToNearest ? (minutes + resolution / 2) / resolution * resolution : minutes / resolution * resolution;
  if (minutes / 60 == 24) return 1.0;
  return dt::EncodeTime(minutes / 60, minutes % 60);
}

std::vector<DayBounds> DayColumns(int clientWidth, int rulerWidth, bool showRuler, int count) {
  count = std::max(1, count);
  std::vector<DayBounds> days(static_cast<size_t>(count));
  float x = showRuler ? static_cast<float>(rulerWidth) : 0.0f;
  const float w = static_cast<float>((clientWidth - static_cast<double>(x)) / count);
  for (auto& d : days) {
    d.Left = Round(x);
    x = x + w;
    d.Width = Round(x) - d.Left;
  }
  return days;
}

void LayoutDayItems(TRBTimeviewDay& day, int dayIndex) {
  const auto& list = day.Items();
  const size_t n = list.size();
  day.SetAllDayCount(0);
  for (TRBTimeViewItem* item : list) {
    item->SetDayColumn(dayIndex, 0);
    if (!item->AllDay()) continue;
    day.SetAllDayCount(day.AllDayCount() + 1);
    if (item->AllDayRow() != -1) continue;
    for (int row = 0;; ++row) {
      const bool used = std::any_of(list.begin(), list.end(), [&](const TRBTimeViewItem* other) {
        return other != item && other->AllDay() && other->AllDayRow() == row;
      });
      if (!used) {
        item->SetAllDayRow(row);
        break;
      }
    }
  }
  day.SetColumns(1);
  std::vector<char> taken;
  const double minute = dt::OneMinute;
  for (size_t p = 1; p < n; ++p) {
    TRBTimeViewItem* item = list[p];
    if (item->Dragging() || item->AllDay()) continue;
    taken.assign(n, 0);
    for (size_t q = 0; q < p; ++q) {
      const TRBTimeViewItem* other = list[q];
      if (other->Dragging() || other->AllDay()) continue;
      if (other->EndTime() > item->StartTime() + minute && other->StartTime() < item->EndTime() - minute) {
        const int c = other->DayColumn(dayIndex);
        if (c >= 0 && static_cast<size_t>(c) < n) taken[static_cast<size_t>(c)] = 1;
      }
    }
    int column = 0;
    while (static_cast<size_t>(column) < n && taken[static_cast<size_t>(column)]) ++column;
    item->SetDayColumn(dayIndex, column);
    day.SetColumns(std::max(day.Columns(), column + 1));
  }
}

int TopSpaceHeightFor(int maxAllDayCount, int markHeight) { return (std::max(1, maxAllDayCount) + 1) * markHeight; }

TRect ItemRect(const TVMetrics& m, const TRBTimeviewDay& day, int dayIndex, const TRBTimeViewItem& item) {
  TRect r;
  if (item.AllDay()) {
    const TRBTimeviewDay* first = item.FirstDay();
    const TRBTimeviewDay* last = item.LastDay();
    if (!first || !last) return r;
    r.Left = first->Left() + 3;
    r.Right = last->Left() + last->Width() - 2;
    r.Top = m.CaptionHeight + m.RulerMarkHeight * item.AllDayRow() + 2;
    r.Bottom = m.CaptionHeight + m.RulerMarkHeight * (item.AllDayRow() + 1);
    return r;
  }
  const TDate date = day.Date();
  const double s = item.StartTime() >= date ? Frac(item.StartTime()) : 0.0;
  const double e = date + 1 > item.EndTime() ? Frac(item.EndTime()) : 1.0;
  r.Top = TimeToY(m, 1, s);
  r.Bottom = TimeToY(m, 1, e);
  const int coverShift = m.ShowDaysGapCover ? m.GapWidth - 1 : 0;
  if (item.Dragging()) {
    r.Left = day.Left() + coverShift;
    r.Right = day.Left() + day.Width() - m.GapWidth;
    return r;
  }
  const float cw = static_cast<float>(static_cast<double>(day.Width()) / std::max(1, day.Columns()));
  const int c = item.DayColumn(dayIndex);
  r.Left = Round(c * static_cast<double>(cw)) + day.Left() + coverShift;
  r.Right = Round((c + 1) * static_cast<double>(cw)) + day.Left() - m.GapWidth;
  return r;
}

int DayIndexAtX(const std::vector<DayBounds>& days, int x, int rulerWidth, int clientWidth) {
  if (days.empty()) return -1;
  if (x < rulerWidth) return 0;
  if (x >= clientWidth) return static_cast<int>(days.size()) - 1;
  for (size_t i = 0; i < days.size(); ++i)
    if (days[i].Left <= x && x <= days[i].Left + days[i].Width) return static_cast<int>(i);
  return static_cast<int>(days.size()) - 1;
}

TRBTimeViewItem* ItemAt(const TVMetrics& m, const TRBTimeviewDay& day, int dayIndex, int x, int y) {
  const bool inTop = y <= m.TopSpace + m.CaptionHeight;
  for (TRBTimeViewItem* item : day.Items()) {
    if (item->AllDay() != inTop) continue;
    TRect r = ItemRect(m, day, dayIndex, *item);
    r.Top -= 4;
    r.Bottom += 4;
    if (r.Contains(x, y)) return item;
  }
  return nullptr;
}

bool DayFits(const TVMetrics& m) { return m.ClientHeight - m.CaptionHeight - m.TopSpace >= m.DayHeight; }

int MaxScrollPos(const TVMetrics& m) { return std::max(0, m.DayHeight + m.CaptionHeight + m.TopSpace - m.ClientHeight); }

int ClampScrollPosition(const TVMetrics& m, int wanted) {
  if (DayFits(m)) return 0;
  return std::clamp(wanted, 0, MaxScrollPos(m));
}

int DrawnOffset(int position, bool smoothScroll, int markHeight) {
  if (smoothScroll || markHeight <= 0) return position;
  return position / markHeight * markHeight;
}

int ScrollPositionForTime(int dayHeight, TTime time) {
  return Round(MinutesOf(time) * static_cast<double>(dayHeight) / 1440.0);
}

int MakeVisibleDelta(const TVMetrics& m, TRect r) {
  if (r.Top < m.TimeTop()) return r.Top - m.TimeTop();
  if (r.Bottom > m.ClientHeight) {
    if (r.Height() > m.ClientHeight) r.Bottom = m.ClientHeight + r.Top - m.TimeTop();
    return r.Bottom - m.ClientHeight;
  }
  return 0;
}

}  // namespace tvgeo
