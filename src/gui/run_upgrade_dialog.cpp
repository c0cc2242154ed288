#include <QTimer>

#include "gui/qt_dialog_window.h"
#include "gui/window_stop.h"
#include "wizard/upgrade_dialog.h"

namespace gui {
namespace {
// How often the window looks for a stop request (a signal from the system).
constexpr int kStopPollMs = 200;
}  // namespace

int QtDialogWindow::RunModal(wizard::UpgradeDialog& dialog) {
  WindowStop stop(dialog, options_.stopRequest);
  DialogEvents events;
  events.initDialog = [&dialog] { dialog.OnInitDialog(); };
  events.fileButton = [&dialog] { dialog.OnFileButton(); };
  events.upgradeButton = [&dialog, &stop] {
    stop.UpgradeStarted();
    dialog.OnUpgradeButton();
  };
  events.ok = [&dialog] { dialog.OnOK(); };
  events.cancel = [&dialog] { dialog.OnCancel(); };
  events.timer = [&dialog](int id) { dialog.OnTimer(id); };
  events.sysCommand = [&dialog](int command) { return dialog.OnSysCommand(command); };
  QTimer stopPoll;
  QObject::connect(&stopPoll, &QTimer::timeout, [&stop] { stop.Check(); });
  stopPoll.start(kStopPollMs);
  return Run(std::move(events));
}

}  // namespace gui
