#include "app/Help.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QWidget>

#include "app/AppPaths.h"
#include "app/UAgendaUtil.h"
#include "core/HelpContext.h"

namespace Help {
namespace {
class F1Filter : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1 &&
        watched->isWidgetType()) {
      // Walk up from the focused control (a control may name its own
      // context) or else the active window to the first that names one.
      QWidget* start = QApplication::focusWidget();
      if (!start || start->window() != QApplication::activeWindow()) start = QApplication::activeWindow();
      for (QWidget* w = start; w; w = w->parentWidget()) {
        if (const int ctx = HelpContext(w)) {
          ShowHelp(ctx);
          return true;
        }
      }
      ShowHelp(0);
      return true;
    }
    return false;
  }
};
}  // namespace

QString HelpFile() {
  const QString beside = AppPaths::ProgramFolder() + QStringLiteral("help/index.html");
  if (QFileInfo::exists(beside)) return beside;
  const QString installed = QDir::cleanPath(AppPaths::ProgramFolder() + QStringLiteral("../share/quillar/help/index.html"));
  return QFileInfo::exists(installed) ? installed : beside;
}

void SetHelpContext(QWidget* window, int context) { ::SetHelpContext(window, context); }
int HelpContext(const QWidget* window) { return HelpContextOf(window); }

bool ShowHelp(int context) {
  QUrl url = QUrl::fromLocalFile(HelpFile());
  if (context > 0) url.setFragment(QStringLiteral("ctx%1").arg(context));
  if (!QFileInfo::exists(HelpFile())) return false;
  return AbrirUrl(url);
}

void InstallF1Handler(QObject* application) { application->installEventFilter(new F1Filter(application)); }
}  // namespace Help
