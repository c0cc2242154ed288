// The resolver through Winsock, started on first use.

#include <winsock2.h>
#include <ws2tcpip.h>

#include <memory>

#include "platform/address_lookup.h"
#include "platform/win32/system_error.h"
#include "platform/win32/winsock.h"

namespace platform {
namespace {

using Addresses = Result<std::vector<std::string>>;

// An IPv4 address mapped into IPv6 is the IPv4 address.
std::string AddressText(const sockaddr* address) {
  char text[INET6_ADDRSTRLEN] = {};
  if (address->sa_family == AF_INET) {
    auto v4 = reinterpret_cast<const sockaddr_in*>(address)->sin_addr;
    InetNtopA(AF_INET, &v4, text, sizeof text);
  } else if (address->sa_family == AF_INET6) {
    auto v6 = reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr;
    if (IN6_IS_ADDR_V4MAPPED(&v6)) {
      InetNtopA(AF_INET, &v6.s6_addr[12], text, sizeof text);
    } else {
      InetNtopA(AF_INET6, &v6, text, sizeof text);
    }
  }
  return text;
}

}  // namespace

Result<std::vector<std::string>> AskResolver(const std::string& host, bool numericOnly) {
  if (!win32::StartWinsock()) return Addresses::Failure(Error::Other, "the network library did not start");
  ADDRINFOA hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = numericOnly ? AI_NUMERICHOST : 0;
  ADDRINFOA* found = nullptr;
  const int status = getaddrinfo(host.c_str(), nullptr, &hints, &found);
  if (status != 0) {
    return Addresses::Failure(Error::NotFound,
                              host + " does not resolve: " + win32::SystemErrorText(static_cast<DWORD>(status)));
  }
  std::unique_ptr<ADDRINFOA, decltype(&freeaddrinfo)> list(found, freeaddrinfo);
  std::vector<std::string> addresses;
  for (const ADDRINFOA* entry = found; entry != nullptr; entry = entry->ai_next) {
    if (std::string text = AddressText(entry->ai_addr); !text.empty()) addresses.push_back(std::move(text));
  }
  if (addresses.empty()) return Addresses::Failure(Error::NotFound, host + " has no address");
  return {std::move(addresses), Error::None, {}};
}

}  // namespace platform
