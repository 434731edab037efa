#include "calendar/AnnualViewData.h"

namespace {
AnnualViewSource& Installed() {
  static AnnualViewSource source;
  return source;
}
}  // namespace

void SetAnnualViewSource(AnnualViewSource source) { Installed() = std::move(source); }
const AnnualViewSource& CurrentAnnualViewSource() { return Installed(); }
