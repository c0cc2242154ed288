// The bound on a lookup and the one way of writing its answer, the same on
// every system; the resolver itself is each backend's.

#include "platform/address_lookup.h"

#include <algorithm>
#include <chrono>
#include <future>
#include <memory>
#include <thread>

namespace platform {
namespace {

using Addresses = Result<std::vector<std::string>>;

Addresses Sorted(Addresses found) {
  if (!found.ok()) return found;
  std::vector<std::string>& addresses = found.value;
  std::sort(addresses.begin(), addresses.end());
  addresses.erase(std::unique(addresses.begin(), addresses.end()), addresses.end());
  return found;
}

// The resolver runs on a thread of its own, left to finish alone when the
// limit passes first.
Addresses ResolveWithin(const std::string& host, int limitMs) {
  auto task = std::make_shared<std::packaged_task<Addresses()>>([host] { return AskResolver(host, false); });
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
  Addresses numeric = AskResolver(host, true);
  if (numeric.ok()) return Sorted(std::move(numeric));
  return Sorted(ResolveWithin(host, limitMs));
}

}  // namespace platform
