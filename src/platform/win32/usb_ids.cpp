#include "platform/win32/usb_ids.h"

#include <cctype>

namespace platform::win32 {
namespace {

std::string Upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool IsHex4(std::string_view text) {
  if (text.size() != 4) return false;
  for (const char c : text) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

// The four hexadecimal digits after `key` ("VID_") in `part`, or empty.
std::string FieldOf(std::string_view part, std::string_view key) {
  const std::string upper = Upper(part);
  const std::size_t at = upper.find(key);
  if (at == std::string::npos) return {};
  const std::string_view digits = part.substr(at + key.size(), 4);
  return IsHex4(digits) ? Lower(digits) : std::string();
}

}  // namespace

std::optional<UsbIds> ParseUsbInstanceId(std::string_view instanceId) {
  const std::size_t first = instanceId.find('\\');
  if (first == std::string_view::npos || Upper(instanceId.substr(0, first)) != "USB") return std::nullopt;
  const std::size_t second = instanceId.find('\\', first + 1);
  const std::string_view hardware = instanceId.substr(first + 1, second == std::string_view::npos ? std::string_view::npos : second - first - 1);
  UsbIds ids;
  ids.vendorId = FieldOf(hardware, "VID_");
  ids.productId = FieldOf(hardware, "PID_");
  if (ids.vendorId.empty() || ids.productId.empty()) return std::nullopt;
  const std::string_view instance = second == std::string_view::npos ? std::string_view() : instanceId.substr(second + 1);
  // The system makes up an instance with '&' in it for an adapter that has
  // no serial number of its own.
  if (instance.find('&') == std::string_view::npos) ids.serialNumber = std::string(instance);
  return ids;
}

std::string WithoutPortSuffix(std::string_view friendlyName, std::string_view portName) {
  const std::string suffix = " (" + std::string(portName) + ")";
  if (friendlyName.size() > suffix.size() && friendlyName.ends_with(suffix)) {
    friendlyName.remove_suffix(suffix.size());
  }
  return std::string(friendlyName);
}

}  // namespace platform::win32
