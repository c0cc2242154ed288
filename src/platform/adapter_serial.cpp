#include <filesystem>

#include "platform/port_discovery.h"

namespace platform {

std::string DeviceNodeOf(const std::string& resolvedName) {
  if (!resolvedName.starts_with("/dev/")) return resolvedName;
  std::error_code error;
  const std::string node = std::filesystem::weakly_canonical(resolvedName, error).string();
  return error || node.empty() ? resolvedName : node;
}

std::optional<std::string> AdapterSerialOf(const std::string& resolvedName) {
  if (!resolvedName.starts_with("/dev/")) return std::nullopt;
  const std::string node = DeviceNodeOf(resolvedName);
  for (const PortInfo& port : DiscoverSystemPorts().ports) {
    if ((port.path == node || port.path == resolvedName) && port.usb && !port.serialNumber.empty()) {
      return port.serialNumber;
    }
  }
  return std::nullopt;
}

}  // namespace platform
