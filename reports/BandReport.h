#pragma once
// A small banded report renderer over QPainter.
//
// A report is a title band (first page only), a page header band (every
// page, after the title on the first), fixed-height detail bands (one per
// row) and a page footer band at the foot of every page. The page is A4
// portrait with 10 mm margins; every band is kBandWidth wide and every
// position is in millimetres from the band's top-left corner.
//
// A detail band that does not fit above the footer goes to the next page
// whole; a detail band taller than an empty page is drawn there anyway and
// cut at the page. Items never paint outside their band.
//
//   BandReport r;
//   r.pageHeader = [](int) { return ReportBand{20.9, {Label(1.1, 1.6, "Agenda", {18, true})}}; };
//   r.detailCount = rows.size(); r.detailHeight = 5.3;
//   r.detail = [&](int i) { return ReportBand{5.3, {Label(0, 0, rows[i])}}; };
//   r.Render(printer);

#include <QColor>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

class QFont;
class QPagedPaintDevice;
class QPaintDevice;
class QPainter;

namespace reports {

constexpr double kPageWidth = 210.0;   // A4 portrait, mm
constexpr double kPageHeight = 297.0;
constexpr double kMargin = 10.0;
constexpr double kBandWidth = 189.97;
constexpr double kBodyHeight = kPageHeight - 2 * kMargin;

// Reports are measured in Arial; Liberation Sans has its metrics.
struct ReportFont {
  double points = 10;
  bool bold = false;
};
QFont ToQFont(const ReportFont& f);

enum class ItemKind { Text, Bar, Line };
enum class TextAlign { Left, Right, Center };

struct ReportItem {
  ItemKind kind = ItemKind::Text;
  // Text: the box the text is drawn in and cut at (left, right or centred
  // in it; a height of 0 is one line of the font). Bar: the filled
  // rectangle. Line: from (left, top) to (right, bottom).
  QRectF rect;
  QString text;
  ReportFont font;
  TextAlign align = TextAlign::Left;
  bool wordWrap = false;  // in the box, lines below it cut off
  QColor color = Qt::black;
};

struct ReportBand {
  double height = 0;
  std::vector<ReportItem> items;
};

// Item builders for the layouts. A label runs from `left` to the band's
// right edge; a right label ends at `right`; a centred one is centred
// between `left` and `right`.
ReportItem Label(double left, double top, const QString& text, ReportFont font = {});
ReportItem RightLabel(double right, double top, const QString& text, ReportFont font = {});
ReportItem CenteredLabel(double left, double right, double top, const QString& text, ReportFont font = {});
// A one-line text cut at the right edge of a box `width` wide.
ReportItem BoxedLabel(double left, double top, double width, const QString& text, ReportFont font = {});
// A word-wrapped text in a box; lines that start below the box are dropped
// and the last visible line is cut at the box.
ReportItem Memo(double left, double top, double width, double height, const QString& text, ReportFont font = {});
ReportItem Bar(double left, double top, double width, double height, QColor fill);
ReportItem HLine(double left, double right, double top);

// Where a band lands on a page.
struct BandPlacement {
  enum Kind { Title, PageHeader, Detail, PageFooter };
  Kind kind;
  int row;     // Detail: the row; otherwise -1
  double top;  // mm below the top margin
};
using PagePlan = std::vector<BandPlacement>;

class BandReport {
 public:
  std::optional<ReportBand> title;
  std::function<ReportBand(int page)> pageHeader;  // pages count from 1
  std::function<ReportBand(int page)> pageFooter;  // same height on every page
  int detailCount = 0;
  double detailHeight = 0;
  std::function<ReportBand(int row)> detail;

  // The bands of every page, in order. Always at least one page.
  std::vector<PagePlan> Paginate() const;
  int PageCount() const { return static_cast<int>(Paginate().size()); }

  // Lays the report out and paints it on `device` (a printer or PDF writer),
  // whose page layout is set to A4 portrait with 10 mm margins. `progress`
  // hears each page before it is painted and may return false to stop.
  void Render(QPagedPaintDevice& device, const std::function<bool(int page, int pages)>& progress = {}) const;

  // Paints one band with its top-left corner at `origin` (mm from the
  // device's painting origin); for tests and the renderer itself.
  static void PaintBand(QPainter& painter, const QPaintDevice& device, const ReportBand& band, QPointF origin);
};

}  // namespace reports
