#include "gui/window_stop.h"

#include "wizard/stop_request.h"
#include "wizard/upgrade_dialog.h"

namespace gui {

WindowStop::WindowStop(wizard::UpgradeDialog& dialog, wizard::StopRequest* request)
    : dialog_(dialog), request_(request) {}

void WindowStop::Check() {
  if (!dialog_.StopRequested()) return;
  // The worker sees the request itself and ends at a safe point first.
  if (dialog_.Busy() || dialog_.WorkerRunning()) return;
  if (request_ && !answered_ && dialog_.LastUpgrade() == wizard::UpgradeOutcome::StoppedInLoader) {
    request_->Withdraw();
    answered_ = true;
    return;
  }
  dialog_.OnCancel();
}

}  // namespace gui
