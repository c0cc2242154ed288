#include "app/upgrade_app.h"

#include "app/dialog_setup.h"
#include "app/language_loading.h"
#include "app/layout.h"
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

  const Layout layout = ChooseLayout(services_.currentDirectory(), services_.installedFolders());
  baseFolder = layout.baseFolder;
  patchFilePath = layout.patchFilePath;

  const auto extended = services_.queryVersion(true);
  const auto basic = extended ? std::nullopt : services_.queryVersion(false);
  if (!PlatformCheckPasses(extended, basic)) {
    end_ = StartUpEnd::UnsupportedPlatform;
    return false;
  }

  if (const std::string note = LoadLanguage(languageTable, baseFolder, static_cast<std::uint16_t>(languageId));
      !note.empty()) {
    services_.complain(note);
  }
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
