// Where the renderer puts bands: no painting, only the page plan.
#include <gtest/gtest.h>

#include "reports/BandReport.h"

using namespace reports;

namespace {

BandReport Report(double title, double header, double footer, double detail, int rows) {
  BandReport r;
  if (title > 0) r.title = ReportBand{title, {}};
  if (header > 0) r.pageHeader = [header](int) { return ReportBand{header, {}}; };
  if (footer > 0) r.pageFooter = [footer](int) { return ReportBand{footer, {}}; };
  r.detailHeight = detail;
  r.detailCount = rows;
  r.detail = [detail](int) { return ReportBand{detail, {}}; };
  return r;
}

// Kinds of band on each page, e.g. "TDDF" for title, two details, footer.
std::vector<std::string> Shape(const BandReport& r) {
  std::vector<std::string> pages;
  for (const PagePlan& plan : r.Paginate()) {
    std::string s;
    for (const BandPlacement& b : plan) s += "THDF"[b.kind];
    pages.push_back(s);
  }
  return pages;
}

}  // namespace

TEST(Paginate, BandsFillPagesAboveTheFooter) {
  struct Case {
    const char* what;
    BandReport report;
    std::vector<std::string> pages;
  };
  const Case cases[] = {
      {"no rows: header and footer only", Report(0, 20.9, 6.1, 5.3, 0), {"HF"}},
      {"title on the first page only", Report(20.9, 0, 6.1, 246.3, 2), {"TDF", "DF"}},
      {"title then header on the first page", Report(10, 20, 6.1, 100, 3), {"THDDF", "HDF"}},
      {"exact fit stays on the page", Report(0, 20.9, 6.1, 62.5, 5), {"HDDDDF", "HDF"}},
      {"a band taller than a page gets one to itself", Report(0, 20.9, 6.1, 300, 3), {"HDF", "HDF", "HDF"}},
      {"no footer: the page's foot is the limit", Report(0, 0, 0, 138.5, 3), {"DD", "D"}},
  };
  for (const Case& c : cases) EXPECT_EQ(Shape(c.report), c.pages) << c.what;
}

TEST(Paginate, FooterSitsAtTheFootAndDetailsFollowEachOther) {
  const auto pages = Report(0, 34.7, 6.1, 5.3, 50).Paginate();
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_NEAR(pages[0].back().top, kBodyHeight - 6.1, 1e-9);
  EXPECT_NEAR(pages[1].back().top, kBodyHeight - 6.1, 1e-9);
  EXPECT_NEAR(pages[0][1].top, 34.7, 1e-9);
  EXPECT_NEAR(pages[0][2].top, 34.7 + 5.3, 1e-9);
  EXPECT_EQ(pages[1][1].row, 44);  // (277 - 34.7 - 6.1) / 5.3 rows fit the first page
  EXPECT_NEAR(pages[1][1].top, 34.7, 1e-9);
}
