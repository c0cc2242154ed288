#include "app/upgrade_app.h"

#include "app/dialog_setup.h"
#include "app/platform_check.h"
#include "wizard/dialog_window.h"
#include "wizard/upgrade_dialog.h"

namespace app {

bool UpgradeApp::StartUp(const WindowFactory& makeWindow) {
  languageId = services_.languageId();

  // A second instance ends here, silently. A guard that cannot be made for
  // any other reason does not stop the program.
  platform::Result<std::optional<platform::InstanceGuard>> acquired =
      platform::InstanceGuard::Acquire(services_.instanceName);
  std::optional<platform::InstanceGuard> guard = std::move(acquired.value);
  if (acquired.error == platform::Error::Busy) {
    end_ = StartUpEnd::SecondInstance;
    return false;
  }

  const auto extended = services_.queryVersion(true);
  const auto basic = extended ? std::nullopt : services_.queryVersion(false);
  if (!PlatformCheckPasses(extended, basic)) {
    end_ = StartUpEnd::UnsupportedPlatform;
    return false;
  }

  // Only now: a platform refused never seeds the user's folder.
  const Preparation prepared =
      PrepareFoldersAndTexts(services_, static_cast<std::uint16_t>(languageId), languageTable);
  baseFolder = prepared.layout.baseFolder;
  patchFilePath = prepared.layout.patchFilePath;
  if (!prepared.languageNote.empty()) services_.complain(prepared.languageNote);
  RunDialog(makeWindow);
  // The guard is let go only now, once the dialog and its worker are gone.
  guard.reset();
  end_ = StartUpEnd::DialogClosed;
  return false;
}

void UpgradeApp::RunDialog(const WindowFactory& makeWindow) {
  std::unique_ptr<wizard::DialogWindow> window = makeWindow ? makeWindow() : nullptr;
  if (!window) return;
  wizard::UpgradeDialog dialog(*window,
                               MakeDialogContext(Layout{baseFolder, patchFilePath}, languageTable, dialogOptions));
  modalResult_ = window->RunModal(dialog);
  if ((modalResult_ == wizard::kResultOk || modalResult_ == wizard::kResultCancel) && dialog.SerialPortIsOpen()) {
    dialog.CloseSerialPort();
  }
}

}  // namespace app
