#include "gui/qt_dialog_window.h"
#include "wizard/upgrade_dialog.h"

namespace gui {

int QtDialogWindow::RunModal(wizard::UpgradeDialog& dialog) {
  DialogEvents events;
  events.initDialog = [&dialog] { dialog.OnInitDialog(); };
  events.fileButton = [&dialog] { dialog.OnFileButton(); };
  events.upgradeButton = [&dialog] { dialog.OnUpgradeButton(); };
  events.ok = [&dialog] { dialog.OnOK(); };
  events.cancel = [&dialog] { dialog.OnCancel(); };
  events.timer = [&dialog](int id) { dialog.OnTimer(id); };
  events.sysCommand = [&dialog](int command) { return dialog.OnSysCommand(command); };
  return Run(std::move(events));
}

}  // namespace gui
