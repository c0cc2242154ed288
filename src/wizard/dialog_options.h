#pragma once
// What a host chooses for its upgrades: the one set of options the window,
// the terminal and the tests hand the dialog.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "bootloader/result_codes.h"
#include "platform/device_observer.h"
#include "wizard/stop_request.h"

namespace wizard {

struct DialogOptions {
  int imageActions = bootloader::kActionProgram;  // add kActionVerify to read every block back
  std::uint8_t passwordFill = bootloader::kDefaultPasswordFill;
  // A serial number recovery writes back in place of the placeholder (a
  // technician's --serial); must be a valid serial number.
  std::optional<std::string> recoverySerialNumber;
  // The terminal front end: advice names its options, not the window's controls.
  bool terminalAdvice = false;
  // An image whose name says it is for another model is taken without a
  // question (the terminal's --force); otherwise the window asks and the
  // terminal refuses it.
  bool acceptImageForOtherModel = false;
  // Asked between the steps of an upgrade; null: nothing asks it to stop.
  const StopRequest* stopRequest = nullptr;
  // Hears of the devices this dialog opens, and of no other dialog's: their
  // trace, why one did not open, a line in trouble. Each dialog of a gang
  // has its own. Null: nobody does.
  std::shared_ptr<platform::DeviceObserver> deviceObserver;
};

}  // namespace wizard
