#include "reports/BandReport.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QTextLayout>
#include <map>
#include <stdexcept>
#include <tuple>

namespace reports {

QFont ToQFont(const ReportFont& f) {
  QFont font(QStringLiteral("Liberation Sans"));
  font.setStyleHint(QFont::Helvetica);
  font.setPointSizeF(f.points);
  font.setBold(f.bold);
  // Positions are measured with unhinted metrics; hinting would move text by
  // device pixels and make PDF and paper differ.
  font.setHintingPreference(QFont::PreferNoHinting);
  font.setKerning(true);
  return font;
}

ReportItem Label(double left, double top, const QString& text, ReportFont font) {
  ReportItem it;
  it.rect = QRectF(left, top, kBandWidth - left, 0);
  it.text = text;
  it.font = font;
  return it;
}

ReportItem RightLabel(double right, double top, const QString& text, ReportFont font) {
  ReportItem it;
  it.rect = QRectF(0, top, right, 0);
  it.text = text;
  it.font = font;
  it.align = TextAlign::Right;
  return it;
}

ReportItem CenteredLabel(double left, double right, double top, const QString& text, ReportFont font) {
  ReportItem it;
  it.rect = QRectF(left, top, right - left, 0);
  it.text = text;
  it.font = font;
  it.align = TextAlign::Center;
  return it;
}

ReportItem BoxedLabel(double left, double top, double width, const QString& text, ReportFont font) {
  ReportItem it;
  it.rect = QRectF(left, top, width, 0);
  it.text = text;
  it.font = font;
  return it;
}

ReportItem Memo(double left, double top, double width, double height, const QString& text, ReportFont font) {
  ReportItem it;
  it.rect = QRectF(left, top, width, height);
  it.text = text;
  it.font = font;
  it.wordWrap = true;
  return it;
}

ReportItem Bar(double left, double top, double width, double height, QColor fill) {
  ReportItem it;
  it.kind = ItemKind::Bar;
  it.rect = QRectF(left, top, width, height);
  it.color = fill;
  return it;
}

ReportItem HLine(double left, double right, double top) {
  ReportItem it;
  it.kind = ItemKind::Line;
  it.rect = QRectF(QPointF(left, top), QPointF(right, top));
  return it;
}

std::vector<PagePlan> BandReport::Paginate() const {
  const double footerHeight = pageFooter ? pageFooter(1).height : 0;
  const double bottom = kBodyHeight - footerHeight;
  const double headerHeight = pageHeader ? pageHeader(1).height : 0;

  std::vector<PagePlan> pages;
  double y = 0;
  int detailsOnPage = 0;
  auto startPage = [&] {
    pages.emplace_back();
    y = 0;
    detailsOnPage = 0;
    if (pages.size() == 1 && title) {
      pages.back().push_back({BandPlacement::Title, -1, y});
      y += title->height;
    }
    if (pageHeader) {
      pages.back().push_back({BandPlacement::PageHeader, -1, y});
      y += headerHeight;
    }
  };
  auto endPage = [&] {
    if (pageFooter) pages.back().push_back({BandPlacement::PageFooter, -1, bottom});
  };

  startPage();
  for (int row = 0; row < detailCount; ++row) {
    // A band that cannot fit even on an empty page stays where it is, so a
    // page always takes at least one row and the report ends.
    if (y + detailHeight > bottom + 1e-9 && detailsOnPage > 0) {
      endPage();
      startPage();
    }
    pages.back().push_back({BandPlacement::Detail, row, y});
    y += detailHeight;
    ++detailsOnPage;
  }
  endPage();
  return pages;
}

namespace {

double PixelsPerMm(const QPaintDevice& device) { return device.logicalDpiX() / 25.4; }

// Fonts and their metrics on a device of a given resolution. A report uses a
// handful of fonts over thousands of items, and building metrics is costly.
struct FontOnDevice {
  QFont font;
  QFontMetricsF metrics;
};
const FontOnDevice& FontFor(const ReportFont& f, const QPaintDevice& device) {
  static std::map<std::tuple<double, bool, int>, FontOnDevice> cache;
  const auto key = std::make_tuple(f.points, f.bold, device.logicalDpiY());
  auto it = cache.find(key);
  if (it == cache.end()) {
    const QFont font = ToQFont(f);
    it = cache.emplace(key, FontOnDevice{font, QFontMetricsF(font, &device)}).first;
  }
  return it->second;
}

// The longest start of `text` whose characters begin inside `width`: what a
// box shows of a text wider than itself (the last character is then cut by
// the clip). Drawing no more keeps hidden text out of the output.
QString VisiblePrefix(const QString& text, const QFontMetricsF& fm, double width) {
  if (fm.horizontalAdvance(text) <= width) return text;
  int lo = 0, hi = text.size();  // prefix of lo chars starts inside; find the largest
  while (lo < hi) {
    int mid = (lo + hi + 1) / 2;
    if (fm.horizontalAdvance(text.left(mid - 1)) < width)
      lo = mid;
    else
      hi = mid - 1;
  }
  return text.left(lo);
}

void PaintText(QPainter& p, const QPaintDevice& device, const ReportItem& it, const QRectF& box,
               const QRectF& bandRect) {
  const FontOnDevice& fd = FontFor(it.font, device);
  const QFont& font = fd.font;
  const QFontMetricsF& fm = fd.metrics;
  p.setFont(font);
  p.setPen(it.color);
  QRectF area = box;
  if (area.height() <= 0) area.setHeight(fm.height());
  p.setClipRect(area.intersected(bandRect));

  if (it.wordWrap) {
    QString text = it.text;
    text.replace(QLatin1String("\r\n"), QString(QChar::LineSeparator));
    text.replace(QLatin1Char('\n'), QChar::LineSeparator);
    text.replace(QLatin1Char('\r'), QChar::LineSeparator);
    QTextLayout layout(text, font, &device);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    double y = 0;
    std::vector<QTextLine> lines;
    while (y < area.height()) {
      QTextLine line = layout.createLine();
      if (!line.isValid()) break;
      line.setLineWidth(area.width());
      line.setPosition(QPointF(0, y));
      y += line.height();
      lines.push_back(line);
    }
    layout.endLayout();
    for (const QTextLine& line : lines) line.draw(&p, area.topLeft());
  } else {
    const double width = fm.horizontalAdvance(it.text);
    double x = area.left();
    QString shown = it.text;
    switch (it.align) {
      case TextAlign::Left:
        shown = VisiblePrefix(it.text, fm, area.width());
        break;
      case TextAlign::Right:
        x = area.right() - width;
        break;
      case TextAlign::Center:
        x = area.left() + (area.width() - width) / 2;
        break;
    }
    p.drawText(QPointF(x, area.top() + fm.ascent()), shown);
  }
  p.setClipping(false);
}

}  // namespace

void BandReport::PaintBand(QPainter& p, const QPaintDevice& device, const ReportBand& band, QPointF origin) {
  const double k = PixelsPerMm(device);
  auto toDevice = [&](const QRectF& mm) {
    return QRectF((origin.x() + mm.left()) * k, (origin.y() + mm.top()) * k, mm.width() * k, mm.height() * k);
  };
  const QRectF bandRect = toDevice(QRectF(0, 0, kBandWidth, band.height));
  for (const ReportItem& it : band.items) {
    const QRectF r = toDevice(it.rect);
    switch (it.kind) {
      case ItemKind::Bar:
        p.fillRect(r, it.color);
        break;
      case ItemKind::Line: {
        QPen pen(it.color);
        pen.setWidthF(0.2 * k);
        p.setPen(pen);
        p.drawLine(r.topLeft(), r.bottomRight());
        break;
      }
      case ItemKind::Text:
        PaintText(p, device, it, r, bandRect);
        break;
    }
  }
}

void BandReport::Render(QPagedPaintDevice& device, const std::function<bool(int, int)>& progress) const {
  device.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                   QMarginsF(kMargin, kMargin, kMargin, kMargin), QPageLayout::Millimeter));
  const std::vector<PagePlan> pages = Paginate();
  QPainter p;
  if (!p.begin(&device)) throw std::runtime_error("No se pudo iniciar la impresión.");
  const int count = static_cast<int>(pages.size());
  for (int i = 0; i < count; ++i) {
    if (progress && !progress(i + 1, count)) break;
    if (i > 0) device.newPage();
    for (const BandPlacement& at : pages[i]) {
      ReportBand band;
      switch (at.kind) {
        case BandPlacement::Title: band = *title; break;
        case BandPlacement::PageHeader: band = pageHeader(i + 1); break;
        case BandPlacement::Detail: band = detail(at.row); break;
        case BandPlacement::PageFooter: band = pageFooter(i + 1); break;
      }
      PaintBand(p, device, band, QPointF(0, at.top));
    }
  }
  p.end();
}

}  // namespace reports
