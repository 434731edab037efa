#pragma once
// Geometry of the multi-month calendar: where each block, caption, title,
// day cell and arrow button lies, and which of them a point hits. Pure
// functions of a few sizes; all coordinates are client coordinates (inside
// the control's border), rectangles are QRect(left, top, width, height).
//
// A block is MonthWidth = 7 DayWidth + 2 BorderWidth wide and MonthHeight =
// CaptionHeight + TitlesHeight + 6 DayHeight + 3 high: caption band, weekday
// titles, one pixel, six week rows, two dead pixel rows. The left side margin
// is the week margin (week numbers, week selection); the right one is empty.

#include <QPoint>
#include <QRect>

struct TRBCGeometry {
  int MonthsInWidth = 1, MonthsInHeight = 1;
  int DayWidth = 16, DayHeight = 16;
  int BorderWidth = 10, CaptionHeight = 16, TitlesHeight = 16;

  int MonthWidth() const { return 7 * DayWidth + 2 * BorderWidth; }
  int MonthHeight() const { return CaptionHeight + TitlesHeight + 6 * DayHeight + 3; }
  int GridWidth() const { return MonthsInWidth * MonthWidth(); }
  int GridHeight() const { return MonthsInHeight * MonthHeight(); }

  // Day size that makes the blocks fill a client area. Never below 1 pixel,
  // so that a control squeezed to nothing still has cells to hit-test.
  void FitDaysTo(int clientWidth, int clientHeight);

  QRect BlockRect(int c, int r) const;
  QRect CaptionRect(int c, int r) const;
  QRect TitleRect(int c, int r, int i) const;
  QRect CellRect(int c, int r, int i, int w) const;
  // Right-aligned week number text of row w; right edge 3 pixels inside the margin.
  QRect WeekNumberRect(int c, int r, int w) const;

  // The arrow buttons are CaptionHeight squares in the corners of the first block row.
  bool InPrevButton(QPoint p) const;
  bool InNextButton(QPoint p, int clientWidth) const;

  // Where a point falls. x, y are relative to the block's top-left corner;
  // column i and week row w are only meaningful inside the day rows
  // (InDayRows) — i may be 7 in the right margin, and both truncate toward
  // zero like the original integer division, so the week margin gives i 0.
  struct Hit {
    bool InGrid = false;  // false beyond the last block (a control larger than its grid)
    int c = 0, r = 0, x = 0, y = 0, i = 0, w = 0;
    bool InDayRows = false;  // CaptionHeight + TitlesHeight + 1 <= y < MonthHeight - 2
    bool InCaption = false;  // y < CaptionHeight
  };
  Hit Locate(QPoint p) const;
};
