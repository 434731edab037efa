// From a change in one copy to the other copy's repainted view: two main
// windows on one data folder in one process, with the real change notices
// over loopback and the real file watching.
//  - BM_StoreToOtherCopysView: copy A moves a block and stores it (its
//    notice goes out); timed from the start of A's store to B's time view
//    painted with the block at its new time.
//  - BM_WriteWithoutNoticeToView: the table written by another program
//    (the engine directly, no notice); timed from the write to B's repaint.
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

#include "app/ALMailSlot.h"
#include "app/AppPaths.h"
#include "app/UAgendaUtil.h"
#include "app/UMainAgenda.h"
#include "core/Clock.h"
#include "core/Messages.h"
#include "data/Table.h"
#include "timeview/RBTimeView.h"

namespace {
TfrmAgenda* gA = nullptr;
TfrmAgenda* gB = nullptr;
TDateTime gNow = 0;
QString gFolder;

// Tells when B's time view starts a paint showing item `id` at `start`.
class Paints : public QObject {
 public:
  int id = 0;
  TDateTime start = 0;
  bool paintedNew = false;
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint && !paintedNew) {
      TRBTimeViewItem* it = gB->ItemDeID(id);
      paintedNew = it && std::abs(it->StartTime() - start) < dt::OneSecond;
    }
    return false;
  }
};
Paints* gPaints = nullptr;

// Runs the event loop until B has painted its view with item `id` starting
// at `start`; the seconds since `since`.
double UntilRepainted(const QElapsedTimer& since, int id, TDateTime start) {
  gPaints->id = id;
  gPaints->start = start;
  gPaints->paintedNew = false;
  while (!gPaints->paintedNew && since.elapsed() < 10000)
    QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
  if (!gPaints->paintedNew) std::fprintf(stderr, "no repaint within 10 s\n");
  return static_cast<double>(since.nsecsElapsed()) / 1e9;
}

// Lets both windows settle (the reloads of the change before, which follow
// one another at most every quarter of a second), untimed, so that every
// change is timed on its own as a user's change is.
void Settle() {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < 500) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
}

TRBTimeViewItem* Block(TfrmAgenda* w) {
  TRBTimeView* tv = w->TimeView;
  TRBTimeViewItem* item = tv->Items()->Add(QString(), false, Clock::Today() + dt::EncodeTime(10, 0),
                                           Clock::Today() + dt::EncodeTime(11, 0));
  QString subject = QStringLiteral("Reunión de prueba");
  w->TimeViewEditedItem(item, subject);
  return item;
}

void BM_StoreToOtherCopysView(benchmark::State& state) {
  const int id = Block(gA)->ItemID();
  int i = 0;
  for (auto _ : state) {
    gNow += 3.0 / 86400.0;  // each notice may go out at once
    const TDateTime start = Clock::Today() + dt::EncodeTime(12 + (++i % 2), 0);
    Settle();
    // Found again each time: A may have reloaded its own view meanwhile.
    TRBTimeViewItem* item = gA->ItemDeID(id);
    item->MoveTo(start);
    QElapsedTimer t;
    t.start();
    gA->GuardarItem(item);
    state.SetIterationTime(UntilRepainted(t, id, start));
  }
}

void BM_WriteWithoutNoticeToView(benchmark::State& state) {
  const int id = Block(gA)->ItemID();
  int i = 0;
  for (auto _ : state) {
    const int hour = 14 + (++i % 2);
    Settle();
    QElapsedTimer t;
    t.start();
    {
      data::Table tabla(gFolder.toStdString(), "AGENDA");
      tabla.Open();
      tabla.SetIndexName("ID");
      tabla.FindKey(id);
      tabla.Edit();
      tabla.FieldByName("HORA_INI").SetAsString(QStringLiteral("%1:00").arg(hour).toStdString());
      tabla.FieldByName("HORA_FIN").SetAsString(QStringLiteral("%1:30").arg(hour).toStdString());
      tabla.Post();
    }
    state.SetIterationTime(UntilRepainted(t, id, Clock::Today() + dt::EncodeTime(hour, 0)));
  }
}

BENCHMARK(BM_StoreToOtherCopysView)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(30);
BENCHMARK(BM_WriteWithoutNoticeToView)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(30);
}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  QTemporaryDir program, datos;
  if (!program.isValid() || !datos.isValid()) return 1;
  gFolder = datos.path() + "/";
  AppPaths::SetProgramFolder(program.path());
  {
    QFile ini(program.filePath("config.ini"));
    if (!ini.open(QIODevice::WriteOnly)) return 1;
    ini.write("[General]\nDataPath=" + gFolder.toUtf8() + "\nWindowState=0\nShowReminder=0\nDaysSelected=7\n");
  }
  gNow = Clock::Now();
  Clock::SetSource([] { return gNow; });
  SetMessageAnswerer([](const MessageRequest& r) {
    std::fprintf(stderr, "message: %s\n", r.text.toUtf8().constData());
    return int(mrOk);
  });
  // Nothing of this run leaves the computer: the network is off.
  auto a = std::make_unique<TfrmAgenda>();
  auto b = std::make_unique<TfrmAgenda>();
  for (TfrmAgenda* w : {a.get(), b.get()}) {
    w->resize(825, 620);
    w->show();
  }
  QApplication::processEvents();
  gA = a.get();
  gB = b.get();
  Paints paints;
  gPaints = &paints;
  b->TimeView->installEventFilter(&paints);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  SetNoticeWait([](int) {});
  b.reset();
  a.reset();
  return 0;
}
