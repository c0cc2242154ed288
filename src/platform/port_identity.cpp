#include "platform/port_identity.h"

#include <algorithm>

#include "platform/address_lookup.h"
#include "platform/port_key.h"
#include "platform/port_names.h"
#include "platform/rfc2217_socket.h"

namespace platform {
namespace {

constexpr std::string_view kSimScheme = "sim";

bool IsSimName(const std::string& resolved) {
  return resolved == kSimScheme || resolved.starts_with(std::string(kSimScheme) + ":");
}

std::string LowerCase(std::string text) {
  for (char& c : text) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  return text;
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
  for (const std::string& each : found.value) identity.keys.push_back(NetworkKey(each, address.value.port));
  std::sort(identity.keys.begin(), identity.keys.end());
  return {std::move(identity), Error::None, {}};
}

Result<PortIdentity> Identify(const std::string& resolved, bool nameWhenUnresolved) {
  if (IsSimName(resolved)) return {PortIdentity{{resolved}, false, {}}, Error::None, {}};
  if (resolved.starts_with(net::kNetworkScheme)) return IdentifyNetworkPort(resolved, nameWhenUnresolved);
  // Only a device path is a tty; any other name fails to open by itself.
  const std::string ttyPath = resolved.starts_with('/') ? resolved : std::string();
  return {PortIdentity{{DeviceKey(resolved)}, true, ttyPath}, Error::None, {}};
}

}  // namespace

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
