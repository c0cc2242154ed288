// quorrel-upgrade-wizard.exe: the wizard in its native Windows dialog.

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/upgrade_app.h"
#include "app/window_command_line.h"
#include "gui/win32/native_dialog_window.h"
#include "gui/window_program.h"
#include "platform/port_discovery.h"

int main(int argc, char** argv) {
  // --help and --version answer where the program was started from, without
  // a window or the single-instance guard; an option nobody reads is refused.
  if (const auto answered =
          app::AnswerWindowCommandLine(std::vector<std::string>(argv + 1, argv + argc), {}, stdout, stderr)) {
    return *answered;
  }
  gui::RunWindowProgram([](app::UpgradeApp& upgradeApp, wizard::StopRequest& stop) {
    gui::win32::NativeWindowOptions options;
    options.stopRequest = &stop;
    // The ports this machine has join COM1 to COM16, and follow hot-plugging.
    options.systemPorts = [] {
      std::vector<std::string> names;
      for (const platform::PortInfo& port : platform::DiscoverSystemPorts().ports) names.push_back(port.path);
      return names;
    };
    auto window = std::make_unique<gui::win32::NativeDialogWindow>(upgradeApp.languageTable.CodePage(), options);
    // Its status list says why a port did not open and when a device went.
    upgradeApp.dialogOptions.deviceObserver =
        window->StatusNotices(gui::StatusNoticeTextsFrom(upgradeApp.languageTable));
    return std::unique_ptr<wizard::DialogWindow>(std::move(window));
  });
  return 0;
}
