#include "gui/window_stop.h"
#include "gui/win32/native_dialog_window.h"
#include "wizard/upgrade_dialog.h"

namespace gui::win32 {

int NativeDialogWindow::RunModal(wizard::UpgradeDialog& dialog) {
  WindowStop stop(dialog, options_.stopRequest);
  // The window looks for a stop request (the console's Ctrl-C) now and then.
  return Run(UpgradeDialogEvents(dialog, stop), [&stop] { stop.Check(); }, [&dialog] { return dialog.Busy(); });
}

}  // namespace gui::win32
