// From a stored change to the next command being handled: the window stores
// what the user did to a block (a drag ended, a subject typed in place),
// announces it, and then the next command waiting in the event loop runs.
//  - BM_DragThenCommand: a block moved and stored, then the posted command;
//  - BM_TypedThenCommand: a subject typed in place and stored, likewise.
// Change notices follow one another faster than three seconds apart here,
// so every notice after the first waits in the queue: that is the case that
// used to hold the window for three seconds. Run under LANG=es_ES.UTF-8 and
// LANG=C to compare the locales.
#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

#include "app/ALMailSlot.h"
#include "app/AppPaths.h"
#include "app/NoticeQueue.h"
#include "app/UAgendaUtil.h"
#include "app/UMainAgenda.h"
#include "core/Clock.h"
#include "core/Messages.h"
#include "data/Table.h"
#include "timeview/RBTimeView.h"

namespace {
TfrmAgenda* gFrm = nullptr;

// Posts a command behind whatever the store left in the event loop and runs
// the loop until the command has been handled.
void NextCommand() {
  bool handled = false;
  QMetaObject::invokeMethod(gFrm, [&handled] { handled = true; }, Qt::QueuedConnection);
  while (!handled) QApplication::processEvents(QEventLoop::AllEvents);
}

void BM_DragThenCommand(benchmark::State& state) {
  TRBTimeView* tv = gFrm->TimeView;
  TRBTimeViewItem* item = tv->Items()->Add(QString(), false, Clock::Today() + dt::EncodeTime(10, 0),
                                           Clock::Today() + dt::EncodeTime(11, 0));
  QString subject = QStringLiteral("Reunión de prueba");
  gFrm->TimeViewEditedItem(item, subject);
  int i = 0;
  for (auto _ : state) {
    item->MoveTo(Clock::Today() + dt::EncodeTime(10 + (++i % 2), 0));
    gFrm->TimeViewDragged(item, dmEnd);
    NextCommand();
  }
  state.counters["waiting_notices"] = gFrm->Avisos->Waiting();
}

void BM_TypedThenCommand(benchmark::State& state) {
  TRBTimeView* tv = gFrm->TimeView;
  int i = 0;
  for (auto _ : state) {
    const TDateTime start = Clock::Today() + dt::EncodeTime(12, 0) + (i % 20) / 96.0;
    TRBTimeViewItem* item = tv->Items()->Add(QString(), false, start, start + 1 / 96.0);
    gFrm->TimeViewCreatedOnType(item);
    QString text = QStringLiteral("Cita tecleada %1").arg(++i);
    gFrm->TimeViewEditedItem(item, text);
    NextCommand();
  }
}

BENCHMARK(BM_DragThenCommand)->Unit(benchmark::kMillisecond)->Iterations(50);
BENCHMARK(BM_TypedThenCommand)->Unit(benchmark::kMillisecond)->Iterations(50);
}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  QTemporaryDir program, datos;
  if (!program.isValid() || !datos.isValid()) return 1;
  AppPaths::SetProgramFolder(program.path());
  {
    QFile ini(program.filePath("config.ini"));
    if (!ini.open(QIODevice::WriteOnly)) return 1;
    ini.write("[General]\nDataPath=" + datos.path().toUtf8() + "/\nWindowState=0\nShowReminder=0\nDaysSelected=7\n");
  }
  SetMessageAnswerer([](const MessageRequest& r) {
    std::fprintf(stderr, "message: %s\n", r.text.toUtf8().constData());
    return int(mrOk);
  });
  // Nothing of this run leaves the computer: the notices go to the loopback
  // mailslot as in every copy that has not switched the network on.
  auto frm = std::make_unique<TfrmAgenda>();
  frm->resize(825, 620);
  frm->show();
  QApplication::processEvents();
  gFrm = frm.get();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  // The notices still waiting would be sent three seconds apart on the way out.
  SetNoticeWait([](int) {});
  frm.reset();
  return 0;
}
