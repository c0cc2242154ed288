#include "platform/tty_calls.h"

#include <mutex>
#include <utility>

namespace platform {
namespace {

struct Installed {
  std::mutex mutex;
  TtyCalls calls;
};

Installed& TheInstalled() {
  static Installed installed;
  return installed;
}

TtyCalls Exchange(TtyCalls calls) {
  Installed& installed = TheInstalled();
  std::lock_guard<std::mutex> guard(installed.mutex);
  return std::exchange(installed.calls, std::move(calls));
}

// Kernel waits run on real time: the device on the other end does not follow
// a virtual clock.
Micros RealNow() {
  static const std::shared_ptr<Clock> real = MakeRealClock();
  return real->Now();
}

}  // namespace

TtyCalls CurrentTtyCalls() {
  TtyCalls calls;
  {
    Installed& installed = TheInstalled();
    std::lock_guard<std::mutex> guard(installed.mutex);
    calls = installed.calls;
  }
  if (!calls.write) {
    calls.write = [](const void* bytes, std::size_t count, const TtyCalls::Writer& driver) {
      return driver(bytes, count);
    };
  }
  if (!calls.applied) calls.applied = [](const LineSettings&) {};
  if (!calls.now) calls.now = RealNow;
  return calls;
}

ScopedTtyCalls::ScopedTtyCalls(TtyCalls calls) : previous_(Exchange(std::move(calls))) {}

ScopedTtyCalls::~ScopedTtyCalls() { Exchange(std::move(previous_)); }

}  // namespace platform
