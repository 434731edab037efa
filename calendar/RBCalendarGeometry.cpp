#include "calendar/RBCalendarGeometry.h"

#include <algorithm>

void TRBCGeometry::FitDaysTo(int clientWidth, int clientHeight) {
  DayWidth = std::max(1, (clientWidth - 2 * BorderWidth * MonthsInWidth) / (7 * MonthsInWidth));
  DayHeight = std::max(
      1, (clientHeight - (CaptionHeight + TitlesHeight + 3) * MonthsInHeight) / (6 * MonthsInHeight));
}

QRect TRBCGeometry::BlockRect(int c, int r) const {
  return QRect(c * MonthWidth(), r * MonthHeight(), MonthWidth(), MonthHeight());
}

QRect TRBCGeometry::CaptionRect(int c, int r) const {
  return QRect(c * MonthWidth(), r * MonthHeight(), MonthWidth(), CaptionHeight);
}

QRect TRBCGeometry::TitleRect(int c, int r, int i) const {
  return QRect(c * MonthWidth() + BorderWidth + i * DayWidth, r * MonthHeight() + CaptionHeight, DayWidth,
               TitlesHeight);
}

QRect TRBCGeometry::CellRect(int c, int r, int i, int w) const {
  return QRect(c * MonthWidth() + BorderWidth + i * DayWidth,
               r * MonthHeight() + CaptionHeight + TitlesHeight + 1 + w * DayHeight, DayWidth, DayHeight);
}

QRect TRBCGeometry::WeekNumberRect(int c, int r, int w) const {
  const int left = c * MonthWidth();
  const int top = r * MonthHeight() + CaptionHeight + TitlesHeight + 3 + w * DayHeight;
  return QRect(QPoint(left, top), QPoint(left + BorderWidth - 3 - 1, top + DayHeight - 4 - 1));
}

bool TRBCGeometry::InPrevButton(QPoint p) const {
  return p.x() >= 0 && p.x() < CaptionHeight && p.y() >= 0 && p.y() < CaptionHeight;
}

bool TRBCGeometry::InNextButton(QPoint p, int clientWidth) const {
  return p.x() >= clientWidth - CaptionHeight && p.x() < clientWidth && p.y() >= 0 && p.y() < CaptionHeight;
}

TRBCGeometry::Hit TRBCGeometry::Locate(QPoint p) const {
  Hit h;
  if (p.x() < 0 || p.y() < 0) return h;
  h.c = p.x() / MonthWidth();
  h.r = p.y() / MonthHeight();
  h.InGrid = h.c < MonthsInWidth && h.r < MonthsInHeight;
  h.x = p.x() - h.c * MonthWidth();
  h.y = p.y() - h.r * MonthHeight();
  h.InCaption = h.y < CaptionHeight;
  h.InDayRows = h.y >= CaptionHeight + TitlesHeight + 1 && h.y < MonthHeight() - 2;
  h.i = (h.x - BorderWidth) / DayWidth;
  h.w = (h.y - CaptionHeight - TitlesHeight - 1) / DayHeight;
  return h;
}
