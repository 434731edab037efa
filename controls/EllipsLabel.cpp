#include "controls/EllipsLabel.h"

#include <QEvent>
#include <QPainter>
#include <QStyle>

#include "core/Colors.h"

namespace {

const QString Ellipsis = QStringLiteral("...");

bool Fits(const QString& text, const QFontMetrics& metrics, int width) {
  return metrics.horizontalAdvance(text) <= width;
}

// The longest start of text followed by suffix that fits; k runs over the
// number of characters kept. Longer starts are never narrower, so a binary
// search finds it.
QString LongestStart(const QString& text, const QString& suffix, const QFontMetrics& metrics, int width) {
  int lo = 0, hi = static_cast<int>(text.size());  // answer in [lo, hi]
  if (!Fits(suffix, metrics, width)) return QString();
  while (lo < hi) {
    const int mid = (lo + hi + 1) / 2;
    if (Fits(text.left(mid) + suffix, metrics, width))
      lo = mid;
    else
      hi = mid - 1;
  }
  // Never split a surrogate pair.
  if (lo > 0 && lo < text.size() && text[lo - 1].isHighSurrogate()) --lo;
  return text.left(lo) + suffix;
}

QString EndEllipsis(const QString& text, const QFontMetrics& metrics, int width) {
  const QString shortened = LongestStart(text, Ellipsis, metrics, width);
  return shortened.isEmpty() ? Ellipsis : shortened;
}

}  // namespace

QString EllipsisText(const QString& caption, TEllipsType type, const QFontMetrics& metrics, int width) {
  if (type == etNone || Fits(caption, metrics, width)) return caption;
  if (type == etEndEllips) return EndEllipsis(caption, metrics, width);

  // Path: keep the last component with its separator, and as much of the
  // start as fits before "...". A folder path ending in its separator keeps
  // its last folder, separators on both sides. When even "..." and the last
  // component are too wide, that pair is itself cut at the end.
  const auto isSeparator = [](QChar c) { return c == '/' || c == '\\'; };
  qsizetype end = caption.size();
  while (end > 0 && isSeparator(caption[end - 1])) --end;
  qsizetype sep = end - 1;
  while (sep >= 0 && !isSeparator(caption[sep])) --sep;
  if (sep < 0) return EndEllipsis(caption, metrics, width);
  const QString head = caption.left(sep);
  const QString tail = caption.mid(sep);
  const QString shortened = LongestStart(head, Ellipsis + tail, metrics, width);
  if (!shortened.isEmpty()) return shortened;
  return EndEllipsis(Ellipsis + tail, metrics, width);
}

TEllipsLabel::TEllipsLabel(QWidget* parent) : QWidget(parent) {}

TEllipsLabel::TEllipsLabel(const QString& caption, QWidget* parent) : QWidget(parent), FCaption(caption) {}

void TEllipsLabel::SetCaption(const QString& value) {
  if (value == FCaption) return;
  FCaption = value;
  Changed();
}

void TEllipsLabel::SetEllipsType(TEllipsType value) {
  if (value == FEllipsType) return;
  FEllipsType = value;
  Changed();
}

void TEllipsLabel::SetAlignment(Qt::Alignment value) {
  if (value == FAlignment) return;
  FAlignment = value;
  update();
}

void TEllipsLabel::Changed() {
  updateGeometry();
  update();
}

QString TEllipsLabel::DisplayText() const {
  return EllipsisText(FCaption, FEllipsType, fontMetrics(), contentsRect().width());
}

QRect TEllipsLabel::TextRect() const {
  const QFontMetrics metrics = fontMetrics();
  const QRect area = contentsRect();
  const QSize size(metrics.horizontalAdvance(DisplayText()), metrics.height());
  return QStyle::alignedRect(layoutDirection(), FAlignment, size, area);
}

QSize TEllipsLabel::sizeHint() const {
  const QFontMetrics metrics = fontMetrics();
  const QMargins m = contentsMargins();
  return QSize(metrics.horizontalAdvance(FCaption) + m.left() + m.right() + 1,
               metrics.height() + m.top() + m.bottom());
}

QSize TEllipsLabel::minimumSizeHint() const {
  if (FEllipsType == etNone) return sizeHint();
  const QMargins m = contentsMargins();
  return QSize(fontMetrics().horizontalAdvance(Ellipsis) + m.left() + m.right(), sizeHint().height());
}

void TEllipsLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setFont(font());
  const QString text = DisplayText();
  const QRect area = contentsRect();
  const int flags = static_cast<int>(FAlignment) | Qt::TextSingleLine;
  if (isEnabled()) {
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(area, flags, text);
    return;
  }
  // Engraved: the highlight one pixel down and right, the shadow on top.
  painter.setPen(ToQColor(clBtnHighlight));
  painter.drawText(area.translated(1, 1), flags, text);
  painter.setPen(ToQColor(clBtnShadow));
  painter.drawText(area, flags, text);
}

void TEllipsLabel::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::FontChange || event->type() == QEvent::ContentsRectChange) Changed();
}

void TEllipsLabel::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  update();
}
