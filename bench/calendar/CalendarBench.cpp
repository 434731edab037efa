// How long the calendar takes to rebuild its month blocks (every shown day
// asks the owner for its mark) and to paint, for the main window's size and
// for the largest grid.

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

#include "calendar/RBCalendar.h"

namespace {
void Configure(TRBCalendar& cal, int wide, int high) {
  cal.SetFirstWeekDay(fwdMonday);
  cal.SetMonthsInWidth(wide);
  cal.SetMonthsInHeight(high);
  cal.SetShowWeekNumbers(true);
  cal.SetOnMark([](TRBCalendar*, TDate day, bool& mark) { mark = static_cast<long long>(day) % 3 == 0; });
  cal.SelectRange(cal.StartDay() + 10, cal.StartDay() + 16);
}

void BM_RefreshMarks(benchmark::State& state) {
  TRBCalendar cal;
  Configure(cal, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  for (auto _ : state) cal.RefreshMarks();
  state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(1));
}
BENCHMARK(BM_RefreshMarks)->Args({1, 3})->Args({4, 3})->Args({10, 10});

void BM_Paint(benchmark::State& state) {
  TRBCalendar cal;
  Configure(cal, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  QImage target(cal.size(), QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    cal.render(&target);
    benchmark::DoNotOptimize(target.bits());
  }
}
BENCHMARK(BM_Paint)->Args({1, 3})->Args({4, 3})->Args({10, 10});
}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
