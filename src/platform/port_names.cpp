#include "platform/port_names.h"

#include <cstdlib>
#include <optional>
#include <string_view>

#include "platform/native_port.h"

namespace platform {
namespace {

constexpr std::string_view kDevicePrefix = "\\\\.\\";
constexpr std::size_t kPrefixFromLength = 5;
constexpr std::string_view kComPrefix = "COM";
constexpr int kFirstCom = 1;
constexpr int kLastCom = 16;
constexpr std::string_view kComEnvPrefix = "QUORREL_COM";

// "COM1".."COM16" exactly as written: the number, or nothing.
std::optional<int> ComNumber(std::string_view name) {
  if (name.substr(0, kComPrefix.size()) != kComPrefix) return std::nullopt;
  const std::string_view digits = name.substr(kComPrefix.size());
  if (digits.empty() || digits.size() > 2 || digits[0] == '0') return std::nullopt;
  int number = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    number = number * 10 + (c - '0');
  }
  if (number < kFirstCom || number > kLastCom) return std::nullopt;
  return number;
}

std::string ResolveOnce(const std::string& name, bool followEnvironment) {
  const std::string bare = StripDevicePrefix(name);
  const std::optional<int> com = ComNumber(bare);
  if (!com) return bare;
  const std::string variable = std::string(kComEnvPrefix) + std::to_string(*com);
  const char* target = std::getenv(variable.c_str());
  if (followEnvironment && target != nullptr && *target != '\0') return ResolveOnce(target, false);
  return native_port::ComPortDevice(*com);
}

}  // namespace

std::string FormDeviceName(const std::string& portName) {
  if (portName.size() >= kPrefixFromLength) return std::string(kDevicePrefix) + portName;
  return portName;
}

// A name the user already wrote with the prefix ("\\.\COM12") gets a second
// one from FormDeviceName: drop them all.
std::string StripDevicePrefix(const std::string& name) {
  std::string_view bare = name;
  while (bare.starts_with(kDevicePrefix)) bare.remove_prefix(kDevicePrefix.size());
  return std::string(bare);
}

std::string ResolvePortName(const std::string& name) { return ResolveOnce(name, true); }

}  // namespace platform
