#include "platform/port_identity.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "platform/address_lookup.h"
#include "platform/port_names.h"
#include "platform/port_schemes.h"
#include "platform/rfc2217_socket.h"

namespace platform {
namespace {

constexpr const char* kLockFolderVariable = "QUORREL_LOCK_DIR";
constexpr const char* kDefaultLockFolder = "/run/lock";

// Anything but letters, digits, '.', '-' and '_' becomes '_'.
std::string Sanitised(std::string_view text) {
  std::string out;
  for (const char c : text) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                       c == '-' || c == '_';
    out += plain ? c : '_';
  }
  return out;
}

std::string LowerCase(std::string text) {
  for (char& c : text) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  return text;
}

// The device itself names the lock, whatever link led to it.
std::string TtyLockPath(const std::string& path) {
  std::error_code error;
  const std::filesystem::path real = std::filesystem::canonical(path, error);
  const std::string device = error ? path : real.string();
  const std::size_t slash = device.rfind('/');
  return LockFolder() + "/LCK.." + Sanitised(slash == std::string::npos ? device : device.substr(slash + 1));
}

std::string NetworkLockPath(const std::string& address, std::uint16_t port) {
  return LockFolder() + "/LCK..rfc2217_" + Sanitised(address) + "_" + std::to_string(port);
}

Result<PortIdentity> IdentifyNetworkPort(const std::string& resolved, bool nameWhenUnresolved) {
  const Result<net::HostPort> address = net::ParseNetworkPortName(resolved);
  if (!address.ok()) return Result<PortIdentity>::Failure(address.error, resolved + ": " + address.detail);
  PortIdentity identity;
  identity.lockFiles = true;
  Result<std::vector<std::string>> found = LookUpAddresses(address.value.host);
  if (!found.ok()) {
    if (!nameWhenUnresolved) return Result<PortIdentity>::Failure(Error::ConnectionFailed, found.detail);
    found.value = {LowerCase(address.value.host)};
  }
  for (const std::string& each : found.value) identity.keys.push_back(NetworkLockPath(each, address.value.port));
  std::sort(identity.keys.begin(), identity.keys.end());
  return {std::move(identity), Error::None, {}};
}

Result<PortIdentity> Identify(const std::string& resolved, bool nameWhenUnresolved) {
  // A device of this process is held by its name, in this process alone.
  if (IsInProcessPort(resolved)) return {PortIdentity{{resolved}, false, {}}, Error::None, {}};
  if (resolved.starts_with(net::kNetworkScheme)) return IdentifyNetworkPort(resolved, nameWhenUnresolved);
  // Only a device path is a tty; any other name fails to open by itself.
  const std::string ttyPath = resolved.starts_with('/') ? resolved : std::string();
  return {PortIdentity{{TtyLockPath(resolved)}, true, ttyPath}, Error::None, {}};
}

}  // namespace

std::string LockFolder() {
  const char* folder = std::getenv(kLockFolderVariable);
  return folder != nullptr && *folder != '\0' ? folder : kDefaultLockFolder;
}

Result<PortIdentity> IdentifyPort(const std::string& resolvedName) { return Identify(resolvedName, false); }

PortIdentity IdentifyPortName(const std::string& portName) {
  const std::string resolved = ResolvePortName(portName);
  Result<PortIdentity> identity = Identify(resolved, true);
  if (!identity.ok()) return PortIdentity{{resolved}, false, {}};
  return std::move(identity.value);
}

bool SameDevice(const PortIdentity& first, const PortIdentity& second) {
  const auto& a = first.keys;
  const auto& b = second.keys;
  return std::find_first_of(a.begin(), a.end(), b.begin(), b.end()) != a.end();
}

}  // namespace platform
