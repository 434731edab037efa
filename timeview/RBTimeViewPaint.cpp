// Painting of the time view: reads the model and the geometry, changes nothing.
// Order: background, ruler, then each day (gap strip, working hours, time
// selection, time lines, timed items with the selected one last, top space,
// all-day items, caption), so that later parts cover what scrolled under them.
//
// Rectangles exclude their right and bottom edges; lines exclude their end
// point, and a framed rectangle has its outline on its outermost pixels.
#include <QFontInfo>
#include <QFontMetrics>
#include <QLocale>
#include <QPainter>
#include <QPaintEvent>
#include <QTextLayout>
#include <cmath>

#include "timeview/RBTimeViewControl.h"

namespace {
QRect ToQRect(const TRect& r) { return QRect(r.Left, r.Top, r.Width(), r.Height()); }

void Fill(QPainter& p, const TRect& r, const QColor& c) {
  if (!r.IsEmpty()) p.fillRect(ToQRect(r), c);
}

// Filled with the brush colour inside a one-pixel outline in the pen colour:
// the whole in the pen colour, then the inside (two fills instead of five;
// a month of items makes thousands of frames).
void Frame(QPainter& p, const TRect& r, const QColor& brush, const QColor& pen = Qt::black) {
  if (r.IsEmpty()) return;
  const QRect whole = ToQRect(r);
  p.fillRect(whole, pen);
  if (r.Width() > 2 && r.Height() > 2) p.fillRect(whole.adjusted(1, 1, -1, -1), brush);
}

// A horizontal or vertical line from the first point up to, not including, the second.
void Line(QPainter& p, int x1, int y1, int x2, int y2, const QColor& c) {
  if (y1 == y2) {
    if (x2 > x1) p.fillRect(QRect(x1, y1, x2 - x1, 1), c);
    else if (x2 < x1) p.fillRect(QRect(x2 + 1, y1, x1 - x2, 1), c);
  } else if (x1 == x2) {
    if (y2 > y1) p.fillRect(QRect(x1, y1, 1, y2 - y1), c);
    else p.fillRect(QRect(x1, y2 + 1, 1, y1 - y2), c);
  }
}

QFont DoubledFont(const QFont& font) {
  QFont big = font;
  if (font.pixelSize() > 0) big.setPixelSize(font.pixelSize() * 2);
  else big.setPointSizeF(font.pointSizeF() * 2);
  return big;
}

// The doubled hour font, made smaller when two digits would not fit the
// hour's box, with a pixel to spare: a clipped "1" of "10" reads as another
// hour.
QFont HourFont(const QFont& font, int boxWidth) {
  QFont big = DoubledFont(font);
  int px = QFontInfo(big).pixelSize();
  constexpr int smallest = 6;
  while (px > smallest && QFontMetrics(big).horizontalAdvance(QStringLiteral("00")) >= boxWidth) big.setPixelSize(--px);
  return big;
}

QString TwoDigits(int v) { return QString::number(v).rightJustified(2, u'0'); }

// Word-wrapped text in a rectangle: a last line that would be cut off is left
// out and a line too long for the width ends with an ellipsis.
void DrawWrappedText(QPainter& p, const QRect& r, const QString& text, Qt::Alignment align, bool rightToLeft) {
  if (r.width() <= 0 || r.height() <= 0 || text.isEmpty()) return;
  QString body = text;
  body.replace(QLatin1String("\r\n"), QString(QChar::LineSeparator));
  body.replace(QLatin1Char('\n'), QChar::LineSeparator);
  QTextLayout layout(body, p.font());
  QTextOption option;
  option.setWrapMode(QTextOption::WordWrap);
  option.setTextDirection(rightToLeft ? Qt::RightToLeft : Qt::LeftToRight);
  layout.setTextOption(option);
  const QFontMetrics fm(p.font());
  qreal y = 0;
  layout.beginLayout();
  for (;;) {
    QTextLine line = layout.createLine();
    if (!line.isValid()) break;
    line.setLineWidth(r.width());
    if (y + line.height() > r.height()) break;
    QString part = body.mid(line.textStart(), line.textLength());
    while (!part.isEmpty() && (part.back().isSpace() || part.back() == QChar::LineSeparator)) part.chop(1);
    const QRect lineRect(r.left(), r.top() + static_cast<int>(y), r.width(), static_cast<int>(line.height()));
    p.drawText(lineRect, align | Qt::AlignTop | Qt::TextSingleLine, fm.elidedText(part, Qt::ElideRight, r.width()));
    y += line.height();
  }
  layout.endLayout();
}
}  // namespace

QImage DefaultItemsAboveMark() {
  QImage image(20, 8, QImage::Format_RGB32);
  image.fill(Qt::black);
  for (int y = 1; y < 7; ++y)
    for (int x = 1; x < 19; ++x) image.setPixel(x, y, qRgb(255, 255, 0));
  for (int row = 0; row < 4; ++row)  // apex at the top
    for (int x = 5 - row; x <= 5 + row; ++x) image.setPixel(x, 2 + row, qRgb(0, 0, 0));
  for (int x0 : {10, 13, 16})
    for (int y = 3; y < 5; ++y)
      for (int x = x0; x < x0 + 2; ++x) image.setPixel(x, y, qRgb(0, 0, 0));
  return image;
}

QImage DefaultItemsBelowMark() { return DefaultItemsAboveMark().mirrored(false, true); }

void TRBTimeView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (borderStyle_ == bsSingle) {
    const QRect outer = rect();
    p.fillRect(outer, palette().color(QPalette::Dark));
    p.fillRect(outer.adjusted(1, 1, 0, 0), palette().color(QPalette::Light));
    p.fillRect(outer.adjusted(1, 1, -1, -1), palette().color(QPalette::Shadow));
    p.fillRect(outer.adjusted(2, 2, -1, -1), palette().color(QPalette::Midlight));
  }
  const QPoint o = ClientOrigin();
  p.translate(o);
  p.setClipRect(QRect(0, 0, ClientWidth(), ClientHeight()));
  Paint(p);
}

void TRBTimeView::Paint(QPainter& p) {
  const TVMetrics m = Metrics();
  p.fillRect(QRect(0, 0, m.ClientWidth, m.ClientHeight), ToQColor(color_));
  if (showRuler_) PaintRuler(p, m);
  for (int i = 0; i < DaysCount(); ++i) PaintDay(p, m, i);
}

void TRBTimeView::PaintRuler(QPainter& p, const TVMetrics& m) {
  const bool clock24 = Ruler24Hours();
  const QString am = QLocale().amText();
  const QString pm = QLocale().pmText();
  const int RW = m.RulerWidth, RMH = m.RulerMarkHeight, S = m.Scroll, CH = m.CaptionHeight, TS = m.TopSpace;
  const TRect rulerRect{0, TS + CH, RW, m.ClientHeight};
  if (customDrawOptions_.Contains(cdoRuler) && OnDrawRuler) {
    TRect r = rulerRect;
    r.Top = 0;
    OnDrawRuler(this, &p, r, S);
    return;
  }
  Fill(p, rulerRect, ToQColor(rulerColor_));
  const QColor marks = ToQColor(rulerMarksColor_);
  p.setFont(rulerFont_);
  p.setPen(ToQColor(clWindowText));
  const int mmw = QFontMetrics(rulerFont_).horizontalAdvance(QStringLiteral("MM"));
  const auto rect = [](int l, int t, int r, int b) { return QRect(l, t, r - l, b - t); };
  if (rulerMarkMinutes_ == rmm60Minutes) {
    for (int i = 0; i <= 24; ++i) {
      const int y = TS + i * RMH + CH - S - 1;
      Line(p, 4, y, RW - 4, y, marks);
      QString label;
      if (clock24) label = TwoDigits(i) + QStringLiteral(":00");
      else if (i == 0) label = QStringLiteral("12 ") + am;
      else if (i == 12) label = QStringLiteral("12 ") + pm;
      else label = TwoDigits(i > 11 ? i - 12 : i) + QStringLiteral(":00");
      p.drawText(rect(4, y + 2, RW - 4, y + RMH - 2), Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, label);
    }
  } else {
    const QFont big = HourFont(rulerFont_, RW - mmw - 8 - 2);
    const int H = m.DayHeight / 24;
    for (int i = 0; i < 24; ++i) {
      const int y = TS + i * H + CH - S - 1;
      Line(p, 4, y, RW - 4, y, marks);
      p.setFont(big);
      const QString hour = clock24 ? TwoDigits(i) : (i == 0 || i == 12) ? QStringLiteral("12") : TwoDigits(i > 11 ? i - 12 : i);
      p.drawText(rect(2, y + 2, RW - mmw - 8, y + 2 * RMH - 2), Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine,
                 hour);
      p.setFont(rulerFont_);
      QString minutes = QStringLiteral("00");
      if (!clock24) {
        const bool firstVisible = i * H - S >= 0 && (i - 1) * H - S < 0;
        if (firstVisible && i < 12) minutes = am;
        else if (firstVisible && i > 11) minutes = pm;
        else if (i == 0) minutes = am;
        else if (i == 12) minutes = pm;
      }
      p.drawText(rect(RW - mmw - 4, y + 2, RW - 4, y + RMH), Qt::AlignCenter | Qt::TextSingleLine, minutes);
    }
    for (int mark = 0; mark < m.DayHeight; mark += RMH) {
      const int y = TS + mark + CH - S - 1;
      Line(p, RW - mmw - 4, y, RW - 4, y, marks);
    }
  }
  PaintItemMarks(p, m);
  Fill(p, TRect{0, 0, RW, TS + CH}, ToQColor(rulerColor_));
  Line(p, 4, TS + CH - 1, RW - 4, TS + CH - 1, marks);
}

// Marks at the foot of the ruler telling that timed blocks lie scrolled out
// above or below. Either option enables both marks.
void TRBTimeView::PaintItemMarks(QPainter& p, const TVMetrics& m) {
  if (!options_.Contains(tvoItemsAboveMark) && !options_.Contains(tvoItemsBelowMark)) return;
  bool above = false, below = false;
  for (int i = 0; i < DaysCount() && !(above && below); ++i) {
    const TRBTimeviewDay& day = *days_[static_cast<size_t>(i)];
    for (const TRBTimeViewItem* item : day.Items()) {
      if (item->AllDay()) continue;
      const TRect r = tvgeo::ItemRect(m, day, i, *item);
      above = above || r.Bottom <= m.TopSpace + m.CaptionHeight;
      below = below || r.Top > m.ClientHeight;
    }
  }
  if (above && !itemsAboveMark_.isNull())
    p.drawImage(m.RulerWidth - itemsAboveMark_.width(), m.TopSpace + m.CaptionHeight, itemsAboveMark_);
  if (below && !itemsBelowMark_.isNull())
    p.drawImage(m.RulerWidth - itemsBelowMark_.width(), m.ClientHeight - itemsBelowMark_.height(), itemsBelowMark_);
}

void TRBTimeView::PaintDay(QPainter& p, const TVMetrics& m, int dayIndex) {
  TRBTimeviewDay* day = days_[static_cast<size_t>(dayIndex)].get();
  const int L = day->Left(), W = day->Width(), gap = m.GapWidth;
  const int CH = m.CaptionHeight, TS = m.TopSpace, S = m.Scroll, DH = m.DayHeight;
  if (customDrawOptions_.Contains(cdoDays) && OnDrawDay) OnDrawDay(this, &p, day, TRect{L, TS + CH, L + W, m.ClientHeight}, S);

  Fill(p, TRect{L, TS + CH - S, L + gap, TS + DH + CH - S}, ToQColor(daysGapColor_));
  Line(p, L, TS + CH - S, L, TS + DH + CH - S, Qt::black);
  Line(p, L + gap - 1, TS + CH - S, L + gap - 1, TS + DH + CH - S, Qt::black);

  if (day->WorkingDay())
    Fill(p, TRect{L + gap, tvgeo::TimeToY(m, 1, day->StartWork()), L + W, tvgeo::TimeToY(m, 1, day->EndWork())},
         ToQColor(workingHoursColor_));

  const TDate date = day->Date();
  if (timeSelectionStart_ != -1 && timeSelectionEnd_ != -1 && timeSelectionStart_ < date + 1 &&
      timeSelectionEnd_ >= date) {
    const double s = timeSelectionStart_ >= date ? timeSelectionStart_ - std::trunc(timeSelectionStart_) : 0.0;
    const double e = date + 1 > timeSelectionEnd_ ? timeSelectionEnd_ - std::trunc(timeSelectionEnd_) : 1.0;
    Fill(p, TRect{L + gap, tvgeo::TimeToY(m, 1, s), L + W, tvgeo::TimeToY(m, 1, e)}, ToQColor(timeSelectionColor_));
  }

  if (showTimeLines_) {
    const QColor lines = ToQColor(timeLinesColor_);
    for (int k = 1; k <= DH / m.RulerMarkHeight; ++k) {
      const int y = TS + CH - S - 1 + k * m.RulerMarkHeight;
      if (y < 0) continue;
      if (y >= m.ClientHeight) break;
      Line(p, L + gap, y, L + W, y, lines);
    }
  }

  for (TRBTimeViewItem* item : day->Items())
    if (!item->AllDay() && item != selectedItem_ && !item->Dragging()) PaintItem(p, m, dayIndex, item);
  if (selectedItem_ && !selectedItem_->AllDay() && day->Contains(selectedItem_)) PaintItem(p, m, dayIndex, selectedItem_);

  const TRect top{L, CH, L + W, TS + CH};
  if (customDrawOptions_.Contains(cdoDays) && OnDrawTopSpace) {
    OnDrawTopSpace(this, &p, day, top);
  } else {
    const bool selected = allDaySelectionStart_ <= date && date <= allDaySelectionEnd_;
    Fill(p, top, ToQColor(selected ? allDaySelectionColor_ : topSpaceColor_));
    Line(p, L, top.Top, L, top.Bottom, Qt::black);
    Line(p, L + 1, top.Bottom - 1, L + W, top.Bottom - 1, ToQColor(rulerMarksColor_));
  }

  for (TRBTimeViewItem* item : day->Items())
    if (item->AllDay()) PaintItem(p, m, dayIndex, item);

  PaintCaption(p, m, day);
}

void TRBTimeView::PaintItem(QPainter& p, const TVMetrics& m, int dayIndex, TRBTimeViewItem* item) {
  const TRBTimeviewDay& day = *days_[static_cast<size_t>(dayIndex)];
  const TRect r = tvgeo::ItemRect(m, day, dayIndex, *item);
  const int L = r.Left, T = r.Top, R = r.Right, B = r.Bottom, gap = m.GapWidth;
  const bool timed = !item->AllDay();
  const bool selected = item == selectedItem_;
  const QColor fill = ToQColor(timed ? item->Color() : selected ? allDayItemSelectionColor_ : item->AllDayColor());
  if (customDrawOptions_.Contains(cdoItems) && OnDrawItem) {
    p.setPen(QPen(Qt::black, 1, Qt::SolidLine));
    p.setBrush(fill);
    OnDrawItem(this, &p, item, r);
    return;
  }
  // Cheap rejection: a timed block wholly scrolled out has nothing to show.
  if (timed && (B + gap < 0 || T - gap > m.ClientHeight)) return;
  if (selected && timed) {
    const QColor handles = ToQColor(itemSelectionColor_);
    Frame(p, TRect{L - gap + 1, T - gap, R, T + 1}, handles);
    Frame(p, TRect{L - gap + 1, B - 1, R, B + gap}, handles);
  }
  Frame(p, r, fill);
  if (timed) {
    const QColor cover = ToQColor(daysGapCoverColor_);
    if (item->DayColumn(dayIndex) != 0 && options_.Contains(tvoShowDaysGapCover)) Frame(p, TRect{L - gap + 1, T, L + 1, B}, cover);
    Frame(p, TRect{day.Left(), T, day.Left() + gap, B}, cover);
  }

  TRect t{L + gap - 1, T, R, B};
  const bool reminderImage = item->ShowsReminderImage();
  const bool privateImage = item->ShowsPrivateImage();
  const bool rtl = RightToLeft();
  TRect clip;
  const int iw = images_ ? images_->Width() : 0, ih = images_ ? images_->Height() : 0;
  if (reminderImage || privateImage) {
    if (rtl) {
      t.Right = std::max(t.Right - iw - 2, t.Left);
      clip = TRect{t.Right, T, R, B - 1};
    } else {
      t.Left = std::min(t.Left + iw + 2, t.Right);
      clip = TRect{L, T, t.Left, B - 1};
    }
  }
  t = TRect{t.Left + 3, t.Top + 2, t.Right - 3, t.Bottom - 2};
  p.setFont(font());
  p.setPen(ToQColor(clWindowText));
  Qt::Alignment align = timed ? (rtl ? Qt::AlignRight : Qt::AlignLeft) : Qt::AlignHCenter;
  DrawWrappedText(p, ToQRect(t), item->Text(), align, rtl);

  if (reminderImage || privateImage) {
    p.save();
    p.setClipRect(ToQRect(clip), Qt::IntersectClip);
    const int x = rtl ? R - iw - 2 : L + gap + 1;
    if (reminderImage) images_->Draw(p, x, T + 2, reminderImageIndex_);
    if (privateImage) images_->Draw(p, x, reminderImage ? T + 2 + ih + 1 : T + 2, privateImageIndex_);
    p.restore();
  }
}

void TRBTimeView::PaintCaption(QPainter& p, const TVMetrics& m, TRBTimeviewDay* day) {
  const int L = day->Left(), W = day->Width(), CH = m.CaptionHeight;
  const TRect r{L, 0, L + W, CH - 1};
  if (customDrawOptions_.Contains(cdoCaptions) && OnDrawCaption) {
    OnDrawCaption(this, &p, r, day);
    return;
  }
  Fill(p, r, ToQColor(clBtnFace));
  const QColor light = ToQColor(clBtnHighlight), shadow = ToQColor(clBtnShadow);
  Line(p, L + W - 1, 0, L, 0, light);
  Line(p, L, 0, L, CH - 2, light);
  Line(p, L, CH - 2, L + W - 1, CH - 2, shadow);
  Line(p, L + W - 1, CH - 2, L + W - 1, -1, shadow);
  Line(p, L, CH - 1, L + W, CH - 1, ToQColor(cl3DDkShadow));
  const QRect text(L + 2, 1, W - 4, CH - 3);
  if (text.width() <= 0 || text.height() <= 0) return;
  p.setFont(font());
  p.setPen(ToQColor(clBtnText));
  const QString caption = CaptionText(day->Date(), text.width());
  p.setLayoutDirection(RightToLeft() ? Qt::RightToLeft : Qt::LeftToRight);
  p.drawText(text, Qt::AlignCenter | Qt::TextSingleLine,
             QFontMetrics(font()).elidedText(caption, Qt::ElideRight, text.width()));
}
