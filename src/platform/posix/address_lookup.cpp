#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <memory>

#include "platform/address_lookup.h"

namespace platform {
namespace {

using Addresses = Result<std::vector<std::string>>;

// An IPv4 address mapped into IPv6 is the IPv4 address.
std::string AddressText(const sockaddr* address) {
  char text[INET6_ADDRSTRLEN] = {};
  if (address->sa_family == AF_INET) {
    const auto* v4 = reinterpret_cast<const sockaddr_in*>(address);
    ::inet_ntop(AF_INET, &v4->sin_addr, text, sizeof text);
  } else if (address->sa_family == AF_INET6) {
    const auto* v6 = reinterpret_cast<const sockaddr_in6*>(address);
    if (IN6_IS_ADDR_V4MAPPED(&v6->sin6_addr)) {
      ::inet_ntop(AF_INET, &v6->sin6_addr.s6_addr[12], text, sizeof text);
    } else {
      ::inet_ntop(AF_INET6, &v6->sin6_addr, text, sizeof text);
    }
  }
  return text;
}

}  // namespace

Result<std::vector<std::string>> AskResolver(const std::string& host, bool numericOnly) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = numericOnly ? AI_NUMERICHOST : 0;
  addrinfo* found = nullptr;
  const int status = ::getaddrinfo(host.c_str(), nullptr, &hints, &found);
  if (status != 0) return Addresses::Failure(Error::NotFound, host + " does not resolve: " + ::gai_strerror(status));
  std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> list(found, ::freeaddrinfo);
  std::vector<std::string> addresses;
  for (const addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
    if (std::string text = AddressText(entry->ai_addr); !text.empty()) addresses.push_back(std::move(text));
  }
  if (addresses.empty()) return Addresses::Failure(Error::NotFound, host + " has no address");
  return {std::move(addresses), Error::None, {}};
}

}  // namespace platform
