// Speed of the time view offscreen: painting a busy month, laying out a
// crowded day, adding many items in one batch, reading a copied collection.
#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

#include "timeview/RBTimeView.h"

namespace {
const TDate Start = dt::EncodeDate(2026, 3, 1);

void Populate(TRBTimeView& view, int perDay) {
  view.Items()->BeginUpdate();
  for (int day = 0; day < view.DaysCount(); ++day)
    for (int k = 0; k < perDay; ++k) {
      const double start = Start + day + dt::EncodeTime(7 + (k * 5) % 12, (k % 4) * 15);
      view.Items()->Add(QString("Cita número %1 del día %2").arg(k).arg(day), false, start,
                        start + dt::EncodeTime(1 + k % 2, 0));
    }
  view.Items()->EndUpdate();
}

// A month of 31 days, 20 overlapping items a day, 1200 x 800: one full paint.
void BM_PaintMonth(benchmark::State& state) {
  TRBTimeView view;
  view.SetBorderStyle(bsNone);
  view.resize(1200, 800);
  view.SetDays(31, Start);
  view.show();
  QApplication::processEvents();
  Populate(view, 20);
  view.ScrollToTime(dt::EncodeTime(8, 0));
  QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    QPainter p(&image);
    view.Paint(p);
  }
  state.counters["items"] = view.Items()->Count();
}
BENCHMARK(BM_PaintMonth)->Unit(benchmark::kMillisecond);

// A month of 31 days in 1200 x 800, not shown.
void Month(TRBTimeView& view) {
  view.SetBorderStyle(bsNone);
  view.resize(1200, 800);
  view.SetDays(31, Start);
}

// A full layout of a day holding 2,000 items.
void BM_LayoutCrowdedDay(benchmark::State& state) {
  TRBTimeView view;
  Month(view);
  view.Items()->BeginUpdate();
  for (int k = 0; k < 2000; ++k) {
    const double start = Start + dt::EncodeTime(k % 20, (k * 7) % 60);
    view.Items()->Add("x", false, start, start + (30 + k % 90) * dt::OneMinute);
  }
  view.Items()->EndUpdate();
  for (auto _ : state) view.UpdateLayout();
  state.counters["columns"] = view.Days(0)->Columns();
}
BENCHMARK(BM_LayoutCrowdedDay)->Unit(benchmark::kMillisecond);

// 10,000 items added inside one batch (one layout at its end).
void BM_AddInBatch(benchmark::State& state) {
  TRBTimeView view;
  Month(view);
  for (auto _ : state) {
    view.Items()->BeginUpdate();
    for (int k = 0; k < 10000; ++k) {
      const double start = Start + k % 31 + dt::EncodeTime(k % 22, 0);
      view.Items()->Add("Cita", false, start, start + dt::EncodeTime(1, 0));
    }
    view.Items()->EndUpdate();
    state.PauseTiming();
    view.Items()->Clear();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_AddInBatch)->Unit(benchmark::kMillisecond);

// 5,000 items read back from their stream into a shown month.
void BM_ReadData(benchmark::State& state) {
  TRBTimeView view;
  Month(view);
  view.Items()->BeginUpdate();
  for (int k = 0; k < 5000; ++k) {
    const double start = Start + k % 31 + dt::EncodeTime(k % 22, 0);
    view.Items()->Add("Cita", false, start, start + dt::EncodeTime(1, 0));
  }
  view.Items()->EndUpdate();
  QByteArray bytes;
  {
    QBuffer out(&bytes);
    out.open(QIODevice::WriteOnly);
    view.Items()->WriteData(out);
  }
  for (auto _ : state) {
    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);
    view.Items()->ReadData(in);
  }
  state.counters["items"] = view.Items()->Count();
}
BENCHMARK(BM_ReadData)->Unit(benchmark::kMillisecond);
}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
