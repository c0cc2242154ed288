#include <QTimer>

#include "gui/qt_dialog_window.h"
#include "gui/window_stop.h"

namespace gui {
namespace {
// How often the window looks for a stop request (a signal from the system).
constexpr int kStopPollMs = 200;
}  // namespace

int QtDialogWindow::RunModal(wizard::UpgradeDialog& dialog) {
  WindowStop stop(dialog, options_.stopRequest);
  DialogEvents events = UpgradeDialogEvents(dialog, stop);
  QTimer stopPoll;
  QObject::connect(&stopPoll, &QTimer::timeout, [&stop] { stop.Check(); });
  stopPoll.start(kStopPollMs);
  return Run(std::move(events));
}

}  // namespace gui
