// On Windows the system's serial devices are its COM ports (and the other
// names its serial drivers give their ports), reached through the device
// namespace.

#include "platform/native_port.h"

#include "platform/win32/com_device.h"

namespace platform::native_port {

std::string ComPortDevice(int number) { return "COM" + std::to_string(number); }

// A device name is a plain word: a separator or a drive would make it a path.
bool Takes(const std::string& resolved) {
  if (resolved.empty()) return false;
  for (const char c : resolved) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
                       c == '-' || c == '.' || c == '$';
    if (!plain) return false;
  }
  return true;
}

OpenResult Open(const std::string& resolved, DeviceUse use, const std::shared_ptr<DeviceObserver>& observer) {
  return win32::OpenComDevice(resolved, use, observer);
}

std::string_view NameExample() { return "any COM port of this machine such as COM17"; }

}  // namespace platform::native_port
