#include <QTimer>

#include "gui/qt_dialog_window.h"
#include "wizard/upgrade_dialog.h"

namespace gui {
namespace {
// How often the window looks for a stop request (a signal from the system).
constexpr int kStopPollMs = 200;
}  // namespace

int QtDialogWindow::RunModal(wizard::UpgradeDialog& dialog) {
  DialogEvents events;
  events.initDialog = [&dialog] { dialog.OnInitDialog(); };
  events.fileButton = [&dialog] { dialog.OnFileButton(); };
  events.upgradeButton = [&dialog] { dialog.OnUpgradeButton(); };
  events.ok = [&dialog] { dialog.OnOK(); };
  events.cancel = [&dialog] { dialog.OnCancel(); };
  events.timer = [&dialog](int id) { dialog.OnTimer(id); };
  events.sysCommand = [&dialog](int command) { return dialog.OnSysCommand(command); };
  // A stop asked for by the system ends the window once no upgrade runs: a
  // running one ends itself at a safe point first and says where it left the
  // device.
  QTimer stopPoll;
  QObject::connect(&stopPoll, &QTimer::timeout, [&dialog] {
    if (dialog.StopRequested() && !dialog.Busy()) dialog.OnCancel();
  });
  stopPoll.start(kStopPollMs);
  return Run(std::move(events));
}

}  // namespace gui
