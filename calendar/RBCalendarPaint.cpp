// Painting of TRBCalendar. Reads the month blocks, the selection and the
// geometry and changes nothing: the blocks (dates, marks, today flags, week
// numbers) were computed at the last rebuild, so painting never asks OnMark.
// Order: background, then per block caption, weekday titles, day cells, week
// numbers and divider, then the arrow buttons over the first block row.

#include <QPaintEvent>
#include <QPainter>
#include <QPolygon>
#include <QStyle>
#include <QStyleOption>
#include <qdrawutil.h>

#include "calendar/RBCalendar.h"
#include "core/DateFormat.h"

namespace {
// A horizontal or vertical 1-pixel line whose end point is not drawn.
void HLine(QPainter& p, int x1, int x2, int y) {
  if (x2 > x1) p.drawLine(x1, y, x2 - 1, y);
}
void VLine(QPainter& p, int x, int y1, int y2) {
  if (y2 > y1) p.drawLine(x, y1, x, y2 - 1);
}
}  // namespace

int TRBCalendar::TextFlags() const {
  const int h = FDayAlignment == taLeftJustify    ? Qt::AlignLeft
                : FDayAlignment == taRightJustify ? Qt::AlignRight
                                                  : Qt::AlignHCenter;
  return h | Qt::AlignVCenter | Qt::TextSingleLine;
}

void TRBCalendar::paintEvent(QPaintEvent*) {
  QPainter p(this);
  PaintFrame(p);
  const QRect client = ClientRect();
  p.setClipRect(client);
  p.translate(client.topLeft());
  p.fillRect(QRect(QPoint(0, 0), client.size()), ToQColor(FColor));
  for (int r = 0; r < FGeo.MonthsInHeight; ++r) {
    for (int c = 0; c < FGeo.MonthsInWidth; ++c) {
      if (FMonths[c][r].Month == 0) continue;  // past the end of the date range
      PaintCaption(p, c, r);
      PaintTitles(p, c, r);
      PaintDays(p, c, r);
      PaintWeekNumbers(p, c, r);
      PaintDivider(p, c, r);
    }
  }
  PaintArrows(p);
}

void TRBCalendar::PaintFrame(QPainter& p) {
  const int f = FrameWidth();
  if (f == 0) return;
  const int w = width(), h = height();
  auto edge = [&](int inset, TColor topLeft, TColor bottomRight) {
    p.setPen(ToQColor(topLeft));
    HLine(p, inset, w - inset, inset);
    VLine(p, inset, inset, h - inset);
    p.setPen(ToQColor(bottomRight));
    HLine(p, inset, w - inset, h - 1 - inset);
    VLine(p, w - 1 - inset, inset, h - inset);
  };
  if (FFlatBorder) {
    edge(0, clBtnShadow, clBtnHighlight);
  } else if (FCtl3D) {
    edge(0, clBtnShadow, clBtnHighlight);
    edge(1, cl3DDkShadow, cl3DLight);
  } else {
    edge(0, clWindowFrame, clWindowFrame);
  }
}

void TRBCalendar::PaintCaption(QPainter& p, int c, int r) {
  const TRBMonthData& m = FMonths[c][r];
  const int CH = FGeo.CaptionHeight;
  QRect R = FGeo.CaptionRect(c, r);
  if (FCustomCaptionsDraw && OnCaptionDraw) {
    p.save();
    OnCaptionDraw(this, m.Month, m.Year, &p, R);
    p.restore();
    return;
  }
  if (FFlatLook) {
    p.fillRect(R, ToQColor(clBtnFace));
    const int left = R.left(), top = R.top(), right = R.left() + R.width(), bottom = R.top() + R.height();
    p.setPen(ToQColor(clBtnHighlight));
    HLine(p, left, right, top);
    VLine(p, left, top, bottom);
    p.setPen(ToQColor(clBtnShadow));
    HLine(p, left, right, bottom - 1);
    VLine(p, right - 1, top, bottom);
    HLine(p, left, right, top - 1);  // separates the block from the one above
  } else {
    R.setWidth(R.width() + 1);
    p.setPen(ToQColor(cl3DDkShadow));
    HLine(p, R.left(), R.left() + R.width(), R.top() - 1);
    const bool lastColumn = c == FGeo.MonthsInWidth - 1;
    if (lastColumn) R.setWidth(R.width() - 1);
    if (r == 0 && c == 0 && FPrevMonthButton) R.setLeft(R.left() + CH);
    if (r == 0 && lastColumn && FNextMonthButton) R.setRight(R.right() - (CH - 1));
    qDrawWinButton(&p, R, palette(), false, &palette().button());
    R.adjust(2, 2, -2, -2);
  }
  const QString text = LongMonthName(m.Month) + QLatin1Char(' ') + QString::number(m.Year);
  p.setFont(font());
  p.setPen(ToQColor(FCaptionsColor));
  p.drawText(R, Qt::AlignCenter | Qt::TextSingleLine, p.fontMetrics().elidedText(text, Qt::ElideRight, R.width()));
}

void TRBCalendar::PaintTitles(QPainter& p, int c, int r) {
  const TRBMonthData& m = FMonths[c][r];
  for (int i = 0; i < 7; ++i) {
    const QRect R = FGeo.TitleRect(c, r, i);
    const int d = ((i + FFirstDay) % 7) + 1;
    if (FCustomTitlesDraw && OnTitleDraw) {
      p.save();
      OnTitleDraw(this, m.Month, m.Year, d, &p, R);
      p.restore();
    } else {
      p.setFont(font());
      p.setPen(ToQColor(FTitlesColor));
      p.drawText(R, TextFlags(), ShortDayName(d).left(1));
    }
  }
  if (FShowLines) {
    p.setPen(ToQColor(FLinesColor));
    const int MW = FGeo.MonthWidth(), BW = FGeo.BorderWidth;
    HLine(p, c * MW + BW - 1, (c + 1) * MW - BW, r * FGeo.MonthHeight() + FGeo.CaptionHeight + FGeo.TitlesHeight - 1);
  }
}

void TRBCalendar::PaintDays(QPainter& p, int c, int r) {
  const TRBMonthData& m = FMonths[c][r];
  const QColor textColor = palette().color(foregroundRole());
  QFont plainFont = font(), boldFont = font();
  plainFont.setBold(false);
  boldFont.setBold(true);
  const bool custom = FCustomCellsDraw && OnCellDraw;
  for (int w = 0; w < 6; ++w) {
    for (int i = 0; i < 7; ++i) {
      const TRBDayData& cell = m.Days[i][w];
      if (!(cell.Flags & dfShown)) continue;
      const QRect R = FGeo.CellRect(c, r, i, w);
      const bool marked = cell.Flags & dfMarked;
      const bool selected = IsSelected(cell.Date);
      QColor pen = selected ? ToQColor(FSelectionTextColor) : textColor;
      bool inMonth = true;
      if (cell.Flags & dfPrevMonth) {
        pen = ToQColor(FPrevMonthColor);
        inMonth = false;
      } else if (cell.Flags & dfNextMonth) {
        pen = ToQColor(FNextMonthColor);
        inMonth = false;
      }
      // The canvas the owner draws on: brush = background, pen = text colour.
      if (custom) p.save();
      p.setFont(marked ? boldFont : plainFont);
      p.setBrush(ToQColor(selected ? FSelectionColor : FColor));
      p.setPen(pen);
      if (custom) {
        OnCellDraw(this, cell.Date, selected, marked, inMonth, &p, R);
        p.restore();
        continue;
      }
      if (selected) p.fillRect(R, p.brush());
      p.drawText(R.adjusted(2, 2, -2, -2), TextFlags(), QString::fromLatin1(cell.Text, cell.TextLength));
      if ((cell.Flags & dfToday) && FShowToday) {
        p.setPen(ToQColor(FTodayColor));
        p.setBrush(Qt::NoBrush);
        p.drawRect(R.adjusted(0, 0, -1, -1));
      }
    }
  }
}

void TRBCalendar::PaintWeekNumbers(QPainter& p, int c, int r) {
  if (!FShowWeekNumbers) return;
  const TRBMonthData& m = FMonths[c][r];
  p.setFont(FWeekNumbersFont);
  p.setPen(palette().color(foregroundRole()));
  for (int w = 0; w < 6; ++w)
    p.drawText(FGeo.WeekNumberRect(c, r, w), Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine,
               QString::fromStdString(m.WeekNumbers[w]));
  if (FShowLines) {
    const int MH = FGeo.MonthHeight();
    p.setPen(ToQColor(FLinesColor));
    VLine(p, c * FGeo.MonthWidth() + FGeo.BorderWidth - 2, r * MH + FGeo.CaptionHeight + FGeo.TitlesHeight - 1,
          (r + 1) * MH - 1);
  }
}

void TRBCalendar::PaintDivider(QPainter& p, int c, int r) {
  if (!FShowDividers) return;
  p.setPen(ToQColor(FDividersColor));
  const int MH = FGeo.MonthHeight();
  VLine(p, (c + 1) * FGeo.MonthWidth(), r * MH + FGeo.CaptionHeight, (r + 1) * MH);
}

void TRBCalendar::PaintArrows(QPainter& p) {
  const int CH = FGeo.CaptionHeight;
  const int cw = ClientRect().width();
  if (FFlatLook) {
    p.save();
    p.setPen(ToQColor(clBtnText));
    p.setBrush(ToQColor(clBtnText));
    // B is (left, top) to (right, bottom), right and bottom exclusive.
    auto triangle = [&](int left, int top, int right, int bottom, bool pointsLeft) {
      const int a = (right - left) / 4, h = bottom - top, mid = (top + bottom) / 2;
      QPolygon poly;
      if (pointsLeft)
        poly << QPoint(left + a, mid) << QPoint(right - a - 2, top + h / 8) << QPoint(right - a - 2, bottom - h / 8);
      else
        poly << QPoint(right - a, mid) << QPoint(left + a + 2, top + h / 8) << QPoint(left + a + 2, bottom - h / 8);
      p.drawPolygon(poly);
    };
    if (FPrevMonthButton) triangle(2, 2, CH - 4, CH - 4, true);
    if (FNextMonthButton) triangle(cw - CH + 2, 2, cw - 4, CH - 4, false);
    p.restore();
    return;
  }
  auto arrowButton = [&](const QRect& R, QStyle::PrimitiveElement arrow) {
    qDrawWinButton(&p, R, palette(), false, &palette().button());
    QStyleOption opt;
    opt.initFrom(this);
    opt.rect = R.adjusted(3, 3, -3, -3);
    style()->drawPrimitive(arrow, &opt, &p, this);
  };
  if (FPrevMonthButton) arrowButton(QRect(QPoint(-1, -1), QPoint(CH - 1, CH - 1)), QStyle::PE_IndicatorArrowLeft);
  if (FNextMonthButton) arrowButton(QRect(QPoint(cw - CH, -1), QPoint(cw - 1, CH - 1)), QStyle::PE_IndicatorArrowRight);
}
