// Real-window check of a move drag from one time view into another through
// the platform's drag and drop, which the offscreen platform cannot carry.
// Run under an X server (xvfb-run); xdotool plays the user's mouse. Exits 0
// when, with "copy" (the default), the target view reported the dropped copy
// once, the source item stayed in place, the pointer showed the source's
// DragCursor picture during the drag and the source heard OnEndDrag with the
// target; with "cancel", when a move inside
// the source cancelled with Esc put the item back without dmEnd; with
// "foreign" and "refused", when a drag of some text from a label of the same
// program was told to the target view (OnDragOver, OnDragDrop with the label
// as Source) and dropped there, or refused by its OnDragOver and not
// dropped, the view's items untouched either way. Each runs in
// its own process: within one Xvfb session, input after an in-window drop did
// not reach the window again.
#include <QApplication>
#include <QCursor>
#include <QDrag>
#include <QImage>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QHBoxLayout>
#include <QProcess>
#include <QTimer>
#include <cstdio>

#include "timeview/RBTimeView.h"

namespace {
// Starts a drag of some text when the left button moves over it.
class TextDragSource : public QLabel {
 public:
  using QLabel::QLabel;
  bool started = false;
  Qt::DropAction result = Qt::IgnoreAction;

 protected:
  void mouseMoveEvent(QMouseEvent* event) override {
    if (!(event->buttons() & Qt::LeftButton) || started) return;
    started = true;
    auto* drag = new QDrag(this);
    auto* mime = new QMimeData;
    mime->setText("nota");
    drag->setMimeData(mime);
    result = drag->exec(Qt::CopyAction | Qt::MoveAction);
  }
};

// Drags text from the label onto the target view; accepted unless refused.
int RunForeignDrag(QApplication& app, TextDragSource& label, TRBTimeView& target, bool refuse) {
  int enters = 0, moves = 0, leaves = 0, drops = 0, itemEvents = 0;
  target.OnDragOver = [&](TRBTimeView*, QObject* from, int, int, TDragState state, bool& accept) {
    if (from != &label) return;
    enters += state == dsDragEnter;
    moves += state == dsDragMove;
    leaves += state == dsDragLeave;
    if (refuse) accept = false;
  };
  target.OnDragDrop = [&](TRBTimeView*, QObject* from, int, int) { drops += from == &label; };
  target.OnDragItem = [&](TRBTimeView*, TRBTimeViewItem*, TRBTVDragMode) { ++itemEvents; };
  QTimer::singleShot(800, &app, [&] {
    const QPoint from = label.mapToGlobal(label.rect().center());
    const QPoint to = target.mapToGlobal(target.ClientOrigin() + QPoint(target.ClientWidth() / 2, target.TimeToY(1, dt::EncodeTime(12, 0))));
    QStringList args{"mousemove", QString::number(from.x()), QString::number(from.y()), "sleep", "0.3", "mousedown", "1"};
    for (int i = 1; i <= 10; ++i) {
      const QPoint p = from + (to - from) * i / 10;
      args << "sleep" << "0.1" << "mousemove" << QString::number(p.x()) << QString::number(p.y());
    }
    args << "sleep" << "0.3" << "mouseup" << "1";
    auto* mouse = new QProcess(&app);
    QObject::connect(mouse, &QProcess::finished, &app, [&] { QTimer::singleShot(500, &app, [&] { app.quit(); }); });
    mouse->start("xdotool", args);
  });
  QTimer::singleShot(15000, &app, [&] { app.exit(2); });
  const int rc = app.exec();
  std::printf("%s: rc=%d started=%d result=%d enters=%d moves=%d leaves=%d drops=%d itemEvents=%d items=%d\n",
              refuse ? "refused" : "foreign", rc, label.started, int(label.result), enters, moves, leaves, drops,
              itemEvents, target.Items()->Count());
  const bool told = label.started && enters >= 1 && itemEvents == 0 && target.Items()->Count() == 0;
  // The platform asks a widget that refused the enter nothing more until the
  // drag enters it again.
  const bool ok = refuse ? drops == 0 && moves == 0 && label.result == Qt::IgnoreAction
                         : drops == 1 && moves >= 1 && leaves == 1 && label.result != Qt::IgnoreAction;
  return rc == 0 && told && ok ? 0 : 1;
}

TRBTimeView* MakeView(QWidget* parent, TDate date) {
  auto* view = new TRBTimeView(parent);
  view->SetBorderStyle(bsNone);
  view->SetDays(1, date);
  view->setMinimumSize(300, 1100);
  return view;
}
}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const TDate date = dt::EncodeDate(2026, 3, 9);
  QWidget window;
  auto* layout = new QHBoxLayout(&window);
  layout->setContentsMargins(0, 0, 0, 0);
  TRBTimeView* source = MakeView(&window, date);
  TRBTimeView* target = MakeView(&window, date + 1);
  layout->addWidget(source);
  layout->addWidget(target);
  const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray("copy");
  TextDragSource* label = nullptr;
  if (mode == "foreign" || mode == "refused") {
    label = new TextDragSource("nota", &window);
    label->setMinimumWidth(120);
    layout->addWidget(label);
  }
  window.move(0, 0);
  window.show();
  if (label) return RunForeignDrag(app, *label, *target, mode == "refused");

  TRBTimeViewItem* item = source->Items()->Add("viaje", false, date + dt::EncodeTime(9, 0), date + dt::EncodeTime(10, 0));
  int sourceEnds = 0, targetEnds = 0;
  source->OnDragItem = [&](TRBTimeView*, TRBTimeViewItem*, TRBTVDragMode m) { sourceEnds += m == dmEnd; };

  // A cursor picture nobody else uses: the pointer must show it while the
  // item is carried over the target.
  QImage picture(24, 24, QImage::Format_ARGB32);
  picture.fill(qRgb(220, 20, 160));
  picture.setPixel(5, 7, qRgb(0, 200, 0));
  source->SetDragCursor(QCursor(QPixmap::fromImage(picture)));
  int stepsWithOurCursor = 0, targetOvers = 0;
  QObject* endTarget = nullptr;
  target->OnDragOver = [&](TRBTimeView*, QObject* from, int, int, TDragState, bool&) { targetOvers += from == source; };
  source->OnEndDrag = [&](TRBTimeView*, QObject* t, int, int) { endTarget = t; };
  target->OnDragItem = [&](TRBTimeView*, TRBTimeViewItem*, TRBTVDragMode m) {
    if (m == dmDrag) {
      const QCursor* shown = QGuiApplication::overrideCursor();
      if (shown && shown->pixmap().toImage().convertToFormat(QImage::Format_ARGB32) == picture) ++stepsWithOurCursor;
    }
    if (m == dmEnd) {
      ++targetEnds;
      // Quit only once the source's drag loop has returned: quitting inside
      // it would leave the platform's drag (and its pointer grab) half done.
      auto* poll = new QTimer(&app);
      QObject::connect(poll, &QTimer::timeout, &app, [&, poll] {
        if (source->Operation() != TRBTimeView::opNone) return;
        poll->deleteLater();
        app.quit();
      });
      poll->start(100);
    }
  };

  const bool cancel = mode == "cancel";
  if (!cancel) QTimer::singleShot(800, &app, [&] {
    const TRect r = source->Days(0)->ItemRect(item);
    const QPoint from = source->mapToGlobal(source->ClientOrigin() + QPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2));
    const TRect day = {target->Days(0)->Left(), 0, target->Days(0)->Left() + target->Days(0)->Width(), 0};
    const QPoint to = target->mapToGlobal(target->ClientOrigin() + QPoint((day.Left + day.Right) / 2, target->TimeToY(1, dt::EncodeTime(14, 0))));
    QStringList args{"mousemove", QString::number(from.x()), QString::number(from.y()), "sleep", "0.3", "mousedown", "1"};
    for (int i = 1; i <= 10; ++i) {
      const QPoint p = from + (to - from) * i / 10;
      args << "sleep" << "0.1" << "mousemove" << QString::number(p.x()) << QString::number(p.y());
    }
    args << "sleep" << "0.3" << "mouseup" << "1";
    QProcess::startDetached("xdotool", args);
  });
  QTimer::singleShot(15000, &app, [&] { app.exit(2); });
  if (!cancel) {
    const int rc = app.exec();
    const bool ok = rc == 0 && targetEnds == 1 && sourceEnds == 0 && target->Items()->Count() == 1 &&
                    target->Items()->Items(0)->Text() == "viaje" &&
                    dt::DateOf(target->Items()->Items(0)->StartTime()) == date + 1 &&
                    item->StartTime() == date + dt::EncodeTime(9, 0) && !item->Dragging() &&
                    stepsWithOurCursor > 0 && targetOvers > 0 && endTarget == target;
    std::printf("copy: rc=%d targetEnds=%d sourceEnds=%d targetItems=%d sourceStart=%f cursorSteps=%d overs=%d "
                "endTarget=%d\n",
                rc, targetEnds, sourceEnds, target->Items()->Count(), item->StartTime() - date, stepsWithOurCursor,
                targetOvers, endTarget == target);
    return ok ? 0 : 1;
  }

  // Cancel: a move inside the source ended with Esc puts the item back, no dmEnd.
  bool movedDuringDrag = false;
  source->OnDragItem = [&](TRBTimeView*, TRBTimeViewItem* i, TRBTVDragMode m) {
    sourceEnds += m == dmEnd;
    movedDuringDrag = movedDuringDrag || (m == dmDrag && i->StartTime() > date + dt::EncodeTime(9, 0));
  };
  QTimer::singleShot(800, &app, [&] {
    const TRect r = source->Days(0)->ItemRect(item);
    const QPoint from = source->mapToGlobal(source->ClientOrigin() + QPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2));
    QStringList args{"mousemove", QString::number(from.x()), QString::number(from.y()), "sleep", "0.3", "mousedown", "1"};
    for (int i = 1; i <= 6; ++i)
      args << "sleep" << "0.1" << "mousemove" << QString::number(from.x()) << QString::number(from.y() + 40 * i);
    args << "sleep" << "0.3" << "key" << "Escape" << "sleep" << "0.3" << "mouseup" << "1";
    auto* mouse = new QProcess(&app);
    QObject::connect(mouse, &QProcess::finished, &app, [&] { QTimer::singleShot(300, &app, [&] { app.quit(); }); });
    mouse->start("xdotool", args);
  });
  const int rc2 = app.exec();
  std::printf("cancel: rc=%d moved=%d sourceEnds=%d start=%f dragging=%d\n", rc2, movedDuringDrag, sourceEnds,
              item->StartTime() - date, item->Dragging());

  const bool ok = rc2 == 0 && movedDuringDrag && sourceEnds == 0 && item->StartTime() == date + dt::EncodeTime(9, 0) &&
                  !item->Dragging() && target->Items()->Count() == 0;
  return ok ? 0 : 1;
}
