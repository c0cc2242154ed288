#include "gui/window_program.h"

#include "app/upgrade_app.h"
#include "platform/stop_signals.h"
#include "sim/sim_ports.h"
#include "wizard/dialog_window.h"

namespace gui {

void RunWindowProgram(const MakeProgramWindow& makeWindow) {
  sim::RegisterBuiltInPorts();
  const platform::ScopedStopSignals stopSignals;
  wizard::StopRequest stop(/*followSignals=*/true);
  app::UpgradeApp upgradeApp;
  upgradeApp.dialogOptions.stopRequest = &stop;
  upgradeApp.StartUp([&upgradeApp, &stop, &makeWindow] { return makeWindow(upgradeApp, stop); });
}

}  // namespace gui
