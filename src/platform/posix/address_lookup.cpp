#include "platform/address_lookup.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <future>
#include <memory>
#include <thread>

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

// One getaddrinfo; numericOnly never asks a name server.
Addresses Resolve(const std::string& host, bool numericOnly) {
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
  std::sort(addresses.begin(), addresses.end());
  addresses.erase(std::unique(addresses.begin(), addresses.end()), addresses.end());
  if (addresses.empty()) return Addresses::Failure(Error::NotFound, host + " has no address");
  return {std::move(addresses), Error::None, {}};
}

// The resolver has no time limit of its own: it runs on a thread of its own,
// left to finish alone when the limit passes first.
Addresses ResolveWithin(const std::string& host, int limitMs) {
  auto task = std::make_shared<std::packaged_task<Addresses()>>([host] { return Resolve(host, false); });
  std::future<Addresses> answer = task->get_future();
  try {
    std::thread([task] { (*task)(); }).detach();
  } catch (const std::system_error&) {
    return Addresses::Failure(Error::Other, host + ": no thread for the lookup");
  }
  if (answer.wait_for(std::chrono::milliseconds(limitMs)) != std::future_status::ready) {
    return Addresses::Failure(Error::NotFound, host + " did not resolve within " + std::to_string(limitMs / 1000) + " s");
  }
  return answer.get();
}

}  // namespace

Result<std::vector<std::string>> LookUpAddresses(const std::string& host, int limitMs) {
  Addresses numeric = Resolve(host, true);
  if (numeric.ok()) return numeric;
  return ResolveWithin(host, limitMs);
}

}  // namespace platform
