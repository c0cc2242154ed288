// quorrel-upgrade-wizard.exe: the wizard in its native Windows dialog.

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/upgrade_app.h"
#include "app/window_command_line.h"
#include "gui/win32/native_dialog_window.h"
#include "platform/stop_signals.h"
#include "sim/sim_ports.h"

int main(int argc, char** argv) {
  // --help and --version answer where the program was started from, without
  // a window or the single-instance guard; an option nobody reads is refused.
  if (const auto answered =
          app::AnswerWindowCommandLine(std::vector<std::string>(argv + 1, argv + argc), {}, stdout, stderr)) {
    return *answered;
  }
  // "sim:" names reach the simulated interface (demos, support), and
  // "rfc2217://HOST:PORT" a serial port on a terminal server.
  sim::RegisterBuiltInPorts();
  // A console's Ctrl-C or its closing stops an upgrade at a safe point, then
  // ends the window, unless the device was left in its loader.
  const platform::ScopedStopSignals stopSignals;
  wizard::StopRequest stop(/*followSignals=*/true);
  app::UpgradeApp upgradeApp;
  upgradeApp.stopRequest = &stop;
  upgradeApp.StartUp([&upgradeApp, &stop]() -> std::unique_ptr<wizard::DialogWindow> {
    gui::win32::NativeWindowOptions options;
    options.stopRequest = &stop;
    return std::make_unique<gui::win32::NativeDialogWindow>(upgradeApp.languageTable.CodePage(), options);
  });
  return 0;
}
