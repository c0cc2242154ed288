// quorrel-upgrade-wizard: the wizard in its Qt window.

#include <QApplication>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/upgrade_app.h"
#include "app/window_command_line.h"
#include "gui/port_list_watcher.h"
#include "gui/qt_dialog_window.h"
#include "gui/toolkit_options.h"
#include "platform/standard_streams.h"
#include "platform/stop_signals.h"
#include "sim/sim_ports.h"

int main(int argc, char** argv) {
  if (!platform::OpenClosedStandardStreams()) return 1;
  // --help and --version answer on the terminal, without a display, a window
  // or the single-instance guard; an option nobody reads is refused.
  if (const auto answered = app::AnswerWindowCommandLine(std::vector<std::string>(argv + 1, argv + argc),
                                                         gui::ToolkitOptions(), stdout, stderr)) {
    return *answered;
  }
  QApplication application(argc, argv);
  // "sim:" names reach the simulated interface (demos, support), and
  // "rfc2217://HOST:PORT" a serial port on a terminal server.
  sim::RegisterBuiltInPorts();
  // SIGINT, SIGTERM and SIGHUP stop an upgrade at a safe point, then end the
  // window, unless the device was left in its loader (gui/window_stop.h).
  const platform::ScopedStopSignals stopSignals;
  wizard::StopRequest stop(/*followSignals=*/true);
  app::UpgradeApp upgradeApp;
  upgradeApp.dialogOptions.stopRequest = &stop;
  upgradeApp.StartUp([&upgradeApp, &stop]() -> std::unique_ptr<wizard::DialogWindow> {
    gui::QtWindowOptions options;
    options.stopRequest = &stop;
    auto window = std::make_unique<gui::QtDialogWindow>(upgradeApp.languageTable.CodePage(), options);
    // The ports this machine has join COM1 to COM16, and follow hot-plugging.
    // Its status list says why a port did not open and when a device went.
    upgradeApp.dialogOptions.deviceObserver = gui::AttachSystemPorts(*window, upgradeApp.languageTable);
    return window;
  });
  return 0;
}
