#pragma once
// The window program's life once its command line has been answered, the
// same for every host: "sim:" names reach the simulated interface (demos,
// support) and "rfc2217://HOST:PORT" a port on a terminal server; the
// system's stop signals stop an upgrade at a safe point, then end the window
// unless the device was left in its loader (gui/window_stop.h); start-up runs
// the dialog in the window the host makes.

#include <functional>
#include <memory>

namespace app {
class UpgradeApp;
}
namespace wizard {
class DialogWindow;
class StopRequest;
}  // namespace wizard

namespace gui {

// Makes the host's window for the application's texts and the stop request
// the window answers; it may set what start-up hands the dialog.
using MakeProgramWindow =
    std::function<std::unique_ptr<wizard::DialogWindow>(app::UpgradeApp& upgradeApp, wizard::StopRequest& stop)>;

void RunWindowProgram(const MakeProgramWindow& makeWindow);

}  // namespace gui
