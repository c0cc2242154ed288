#pragma once
// The handlers a window host delivers its events to, on the dialog's thread,
// and the one way the upgrade dialog fills them. Shared by the hosts.

#include <functional>

namespace wizard {
class UpgradeDialog;
}

namespace gui {

class WindowStop;

struct DialogEvents {
  std::function<void()> initDialog;
  std::function<void()> fileButton;     // 1001
  std::function<void()> upgradeButton;  // 1008
  std::function<void()> ok;             // button 1, Enter
  std::function<void()> cancel;         // Escape, the close box, Close in the system menu
  std::function<void(int timerId)> timer;
  std::function<bool(int command)> sysCommand;  // false: not the dialog's
};

// The upgrade dialog's handlers; a press of Upgrade tells `stop` that a new
// upgrade's stop is to be answered afresh. Both must outlive the run.
DialogEvents UpgradeDialogEvents(wizard::UpgradeDialog& dialog, WindowStop& stop);

}  // namespace gui
