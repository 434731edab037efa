// The main window over a table of a million appointments, 10,000 of them in
// the three months the calendar shows:
//  - BM_SwitchToMonth: the calendar's selection goes to a 31-day month (July
//    and August in turn) until the time view and the calendar have painted;
//  - BM_Refresh: the periodic refresh of the shown range (reminders off: the
//    reminders window is a benchmark of its own), with one day or the month
//    shown; BM_CargarCitasShownRange its loading step alone, and
//    BM_ScanShownRange the table's share of that step;
//  - BM_StartUp: from creating the window to its first painting, less the
//    splash window's one-second minimum (manual time).
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>
#include <vector>

#include "BenchData.h"
#include "ShownMonthsData.h"
#include "app/ALMailSlot.h"
#include "app/AppPaths.h"
#include "app/UMainAgenda.h"
#include "calendar/RBCalendar.h"
#include "core/Clock.h"
#include "core/Messages.h"
#include "data/Table.h"
#include "timeview/RBTimeView.h"

namespace {
constexpr int kTableRows = 1000000;
constexpr int kShownRows = 10000;
constexpr int kShownMonths = 3;

const std::string kDataFolder = std::string(QUILLAR_BENCH_CACHE) + "agenda/";
int gWindowHeight = 620;

std::unique_ptr<TfrmAgenda> Open() {
  auto frm = std::make_unique<TfrmAgenda>();
  frm->resize(825, gWindowHeight);
  frm->show();
  QApplication::processEvents();
  return frm;
}

void Paint(TfrmAgenda& frm) {
  frm.TimeView->repaint();
  frm.Calendar->repaint();
  QApplication::processEvents();
}

void BM_SwitchToMonth(benchmark::State& state) {
  auto frm = Open();
  const TDate months[2] = {dt::EncodeDate(2025, 7, 1), dt::EncodeDate(2025, 8, 1)};
  int i = 0;
  for (auto _ : state) {
    const TDate first = months[i++ % 2];
    frm->Calendar->ClearSelections();
    frm->Calendar->SelectRange(first, dt::EndOfTheMonth(first));
    Paint(*frm);
  }
  state.counters["days"] = frm->TimeView->DaysCount();
  state.counters["items"] = frm->TimeView->Items()->Count();
}

// Arg: the days shown (today alone, or today's whole month).
void BM_Refresh(benchmark::State& state) {
  auto frm = Open();
  if (state.range(0) > 1) frm->acVerMesExecute();
  Paint(*frm);
  for (auto _ : state) frm->tmrRefreshTimer();
  state.counters["days"] = frm->TimeView->DaysCount();
  state.counters["items"] = frm->TimeView->Items()->Count();
}

// The loading step of the refresh alone: the shown range from the table.
void BM_CargarCitasShownRange(benchmark::State& state) {
  auto frm = Open();
  if (state.range(0) > 1) frm->acVerMesExecute();
  for (auto _ : state) frm->CargarCitas(frm->Calendar->StartDay(), frm->Calendar->EndDay());
  state.counters["days"] = frm->TimeView->DaysCount();
}

void BM_StartUp(benchmark::State& state) {
  for (auto _ : state) {
    QElapsedTimer clock;
    clock.start();
    auto frm = Open();
    Paint(*frm);
    const double seconds = clock.nsecsElapsed() / 1e9 - 1.0;  // less the splash's second
    state.SetIterationTime(seconds > 0 ? seconds : 0);
    state.PauseTiming();
    frm.reset();
    state.ResumeTiming();
  }
}

// The table's part of that step: walking the shown range on the FECHA_INI
// index and reading the fields an item shows.
void BM_ScanShownRange(benchmark::State& state) {
  auto frm = Open();
  const TDate desde = frm->Calendar->StartDay(), hasta = frm->Calendar->EndDay();
  frm.reset();
  data::Table t(kDataFolder, "AGENDA");
  t.Open();
  t.SetIndexName("FECHA_INI");
  const char* const names[] = {"ID", "FECHA_FIN", "HORA_INI", "HORA_FIN", "ASUNTO", "AVISO", "TIPO"};
  std::vector<data::Field> fields;
  for (const char* n : names) fields.push_back(t.FieldByName(n));
  const data::Field fecha = t.FieldByName("FECHA_INI");
  int rows = 0;
  for (auto _ : state) {
    rows = 0;
    for (t.FindNearest(desde); !t.Eof() && fecha.AsDate() <= hasta; t.Next(), ++rows)
      for (const data::Field& f : fields) benchmark::DoNotOptimize(f.AsString());
  }
  state.counters["rows"] = rows;
}

BENCHMARK(BM_SwitchToMonth)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Refresh)->Unit(benchmark::kMillisecond)->Arg(1)->Arg(30);
BENCHMARK(BM_ScanShownRange)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CargarCitasShownRange)->Unit(benchmark::kMillisecond)->Arg(1)->Arg(30);
BENCHMARK(BM_StartUp)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

// A window that shows exactly three months: the calendar's height decides.
void FitThreeMonths() {
  auto frm = Open();
  const int shown = frm->Calendar->MonthsInHeight();
  gWindowHeight -= (shown - kShownMonths) * frm->Calendar->MonthHeight();
  frm.reset();
  frm = Open();
  if (frm->Calendar->MonthsInHeight() != kShownMonths) {
    std::fprintf(stderr, "the window shows %d months, not %d\n", frm->Calendar->MonthsInHeight(), kShownMonths);
    std::exit(1);
  }
  benchdata::FillRange(kDataFolder, frm->Calendar->StartDay(), frm->Calendar->EndDay(), kShownRows);
}
}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain));
  benchmark::Initialize(&argc, argv);
  benchdata::EnsureData(kDataFolder, kTableRows);

  QTemporaryDir program;
  AppPaths::SetProgramFolder(program.path());
  {
    QFile ini(program.filePath("config.ini"));
    if (!ini.open(QIODevice::WriteOnly)) return 1;
    ini.write("[General]\nDataPath=" + QByteArray::fromStdString(kDataFolder) +
              "\nWindowState=0\nShowReminder=0\nDaysSelected=1\nRulerMarkMinutes=2\n");
  }
  Clock::SetSource([] { return benchdata::kToday + dt::EncodeTime(10, 7); });
  SetMessageAnswerer([](const MessageRequest& r) {
    std::fprintf(stderr, "message: %s\n", r.text.toUtf8().constData());
    return int(mrOk);
  });
  SetNoticeWait([](int) {});
  FitThreeMonths();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
