#include "gui/dialog_events.h"

#include "gui/window_stop.h"
#include "wizard/upgrade_dialog.h"

namespace gui {

DialogEvents UpgradeDialogEvents(wizard::UpgradeDialog& dialog, WindowStop& stop) {
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
  return events;
}

}  // namespace gui
