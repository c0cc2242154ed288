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
#include "gui/window_program.h"
#include "platform/standard_streams.h"

int main(int argc, char** argv) {
  if (!platform::OpenClosedStandardStreams()) return 1;
  // --help and --version answer on the terminal, without a display, a window
  // or the single-instance guard; an option nobody reads is refused.
  if (const auto answered = app::AnswerWindowCommandLine(std::vector<std::string>(argv + 1, argv + argc),
                                                         gui::ToolkitOptions(), stdout, stderr)) {
    return *answered;
  }
  QApplication application(argc, argv);
  gui::RunWindowProgram([](app::UpgradeApp& upgradeApp, wizard::StopRequest& stop) {
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
