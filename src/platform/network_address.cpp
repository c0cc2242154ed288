// The network port's name, the socket's ownership and the wall clock its
// waits run on: the parts of the network layer that no system shapes.

#include <charconv>
#include <memory>

#include "platform/rfc2217_socket.h"

namespace platform::net {
namespace {

bool ParsePort(std::string_view text, std::uint16_t* port) {
  if (text.empty() || text.size() > 5) return false;
  unsigned value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return false;
  if (value == 0 || value > 65535) return false;
  *port = static_cast<std::uint16_t>(value);
  return true;
}

bool Refuse(std::string* error, const char* reason) {
  if (error) *error = reason;
  return false;
}

bool SplitHostPort(std::string_view rest, HostPort* out, std::string* error) {
  std::string_view host;
  std::string_view port;
  if (!rest.empty() && rest.front() == '[') {
    const auto close = rest.find(']');
    if (close == std::string_view::npos) return Refuse(error, "an IPv6 address lacks its closing ']'");
    host = rest.substr(1, close - 1);
    if (close + 1 >= rest.size() || rest[close + 1] != ':') {
      return Refuse(error, "the address lacks ':PORT'");
    }
    port = rest.substr(close + 2);
  } else {
    const auto colon = rest.rfind(':');
    if (colon == std::string_view::npos) return Refuse(error, "the address lacks ':PORT'");
    host = rest.substr(0, colon);
    port = rest.substr(colon + 1);
    if (host.find(':') != std::string_view::npos) {
      return Refuse(error, "write an IPv6 address in brackets: [addr]:PORT");
    }
  }
  if (host.empty()) return Refuse(error, "the host name is empty");
  for (char c : host) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '.' || c == '-' || c == ':' || c == '_' || c == '%';
    if (!ok) return Refuse(error, "the host name holds a character no host name has");
  }
  if (!ParsePort(port, &out->port)) return Refuse(error, "the port must be a number from 1 to 65535");
  out->host = std::string(host);
  return true;
}

}  // namespace

Result<HostPort> ParseNetworkPortName(std::string_view name) {
  if (!name.starts_with(kNetworkScheme)) {
    return Result<HostPort>::Failure(Error::UnknownName, "a network port name begins with rfc2217://");
  }
  Result<HostPort> parsed;
  if (!SplitHostPort(name.substr(kNetworkScheme.size()), &parsed.value, &parsed.detail)) {
    return Result<HostPort>::Failure(Error::UnknownName, std::move(parsed.detail));
  }
  return parsed;
}

Socket& Socket::operator=(Socket&& other) noexcept {
  if (this != &other) {
    Reset();
    handle_ = other.Release();
  }
  return *this;
}

Socket::Handle Socket::Release() {
  const Handle handle = handle_;
  handle_ = kNoHandle;
  return handle;
}

Micros WallNow() {
  static const std::shared_ptr<Clock> wall = MakeRealClock();
  return wall->Now();
}

int MillisLeft(Micros deadline) {
  const Micros left = deadline - WallNow();
  if (left <= 0) return 0;
  return static_cast<int>(std::min<Micros>((left + 999) / 1000, 1'000'000));
}

}  // namespace platform::net
