#pragma once
// Where things lie in the time view: pure functions of the model and a few
// sizes, in client pixels with y growing downwards.
//
// Vertical bands: captions 0..CH-1, the top space (all-day rows) CH..CH+TS-1,
// then the time area. Minute 0 of a day is the row CH + TS - S - 1 and 24:00
// lies DayHeight rows below it. "round" is to the nearest integer with halves
// going to the even neighbour; "single" values are 32-bit floats on purpose,
// so columns come out exactly as the control has always drawn them.

#include <vector>

#include "core/DateTime.h"
#include "timeview/RBTimeViewModel.h"
#include "timeview/RBTimeViewTypes.h"

struct TVMetrics {
  int CaptionHeight = 22;     // CH
  int TopSpace = 0;           // TS: TopSpaceHeight when the top space is shown, else 0
  int Scroll = 0;             // S, the drawn scroll offset
  int DayHeight = 960;        // DH, the height of 24 hours
  int RulerMarkHeight = 20;   // RMH
  int GapWidth = 6;           // the gap strip at the left of each day column
  int RulerWidth = 50;        // RW
  int ClientWidth = 0;
  int ClientHeight = 0;
  bool ShowDaysGapCover = true;

  int TimeTop() const { return CaptionHeight + TopSpace; }  // first row of the time area
};

namespace tvgeo {

// Round to nearest, halves to even.
int Round(double v);

// DayHeight of a scale: (60 div markMinutes) * markHeight * 24.
int DayHeightFor(int markMinutes, int markHeight);

// Row of a time of day. Times are clamped to 0..1; a time within one second
// of 1 is 24:00; seconds are dropped and the minutes rounded down to a
// multiple of resolution.
int TimeToY(const TVMetrics& m, int resolution, TTime time);

// Time of day at a row, in whole minutes clamped to 0..1440, rounded to the
// resolution (to the nearest multiple, or down). 24:00 comes back as 1.0.
TTime YToTime(const TVMetrics& m, int y, int resolution, bool roundToNearest);

struct DayBounds {
  int Left = 0;
  int Width = 0;
};
// Day columns share the width right of the ruler (or all of it), each width
// accumulated as a single so that the rounding error spreads over the days.
std::vector<DayBounds> DayColumns(int clientWidth, int rulerWidth, bool showRuler, int count);

// Sub-columns of the timed items and rows of the all-day items of one day,
// in the day's list order (greedy: leftmost sub-column free of earlier items
// overlapping by more than one minute; the first item keeps sub-column 0).
// All-day rows must have been reset to -1 before the first day of a pass.
void LayoutDayItems(TRBTimeviewDay& day, int dayIndex);

// Height of the top space for the largest all-day count of the days.
int TopSpaceHeightFor(int maxAllDayCount, int markHeight);

// Block rectangle of an item in a day. All-day items span from their first to
// their last shown day in their row; timed items run from their start (or
// 00:00 in a later day) to their end (or 24:00 when they go on).
TRect ItemRect(const TVMetrics& m, const TRBTimeviewDay& day, int dayIndex, const TRBTimeViewItem& item);

// Index of the day at x: 0 left of the ruler's right edge, the last day at or
// past the client width.
int DayIndexAtX(const std::vector<DayBounds>& days, int x, int rulerWidth, int clientWidth);

// The first item of the day's list whose block, grown by 4 rows above and
// below, holds the point, all-day items only in the caption and top space.
TRBTimeViewItem* ItemAt(const TVMetrics& m, const TRBTimeviewDay& day, int dayIndex, int x, int y);

// Scrolling. MaxPos is the largest offset: DH + CH + TS - client height.
bool DayFits(const TVMetrics& m);
int MaxScrollPos(const TVMetrics& m);
// The scroll position a wanted one becomes: 0..MaxPos, 0 when the day fits.
int ClampScrollPosition(const TVMetrics& m, int wanted);
// The drawn offset of a scroll position: itself when scrolling smoothly, else
// rounded down to a whole ruler mark.
int DrawnOffset(int position, bool smoothScroll, int markHeight);
// Scroll position that puts a time of day at the top of the time area.
int ScrollPositionForTime(int dayHeight, TTime time);
// How far to scroll so that a timed block is seen (its top when it is taller
// than the view).
int MakeVisibleDelta(const TVMetrics& m, TRect r);

}  // namespace tvgeo
