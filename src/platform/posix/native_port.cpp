// On Linux the system's serial devices are ttys under /dev.

#include "platform/native_port.h"

#include "platform/tty_device.h"

namespace platform::native_port {

std::string ComPortDevice(int number) { return "/dev/ttyS" + std::to_string(number - 1); }

bool Takes(const std::string& resolved) { return !resolved.empty() && resolved.front() == '/'; }

// A tty serves a watcher and a writer at once whatever the use.
OpenResult Open(const std::string& resolved, DeviceUse /*use*/, const std::shared_ptr<DeviceObserver>& observer) {
  return OpenTtyDevice(resolved, observer);
}

std::string_view NameExample() { return "a device path such as /dev/ttyUSB0"; }

}  // namespace platform::native_port
