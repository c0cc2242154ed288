#pragma once
// A host's window for the upgrade dialog.

#include "wizard/window_ops.h"

namespace wizard {

class UpgradeDialog;

class DialogWindow : public WindowOps {
 public:
  // Shows the window, calls dialog.OnInitDialog() first, then delivers clicks
  // (1001 OnFileButton, 1008 OnUpgradeButton, 1 OnOK), Enter (OnOK), Escape
  // and the close box (OnCancel), timer events (OnTimer) and system-menu
  // commands (OnSysCommand; false means the host does its default) to the
  // dialog on the dialog's thread, until EndDialog. Returns kResultOk or
  // kResultCancel.
  virtual int RunModal(UpgradeDialog& dialog) = 0;
};

}  // namespace wizard
