#include "platform/tty_calls.h"

#include <unistd.h>

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

}  // namespace

TtyCalls CurrentTtyCalls() {
  TtyCalls calls;
  {
    Installed& installed = TheInstalled();
    std::lock_guard<std::mutex> guard(installed.mutex);
    calls = installed.calls;
  }
  if (!calls.write) calls.write = [](int fd, const void* bytes, std::size_t count) { return ::write(fd, bytes, count); };
  if (!calls.applied) calls.applied = [](const LineSettings&) {};
  return calls;
}

ScopedTtyCalls::ScopedTtyCalls(TtyCalls calls) : previous_(Exchange(std::move(calls))) {}

ScopedTtyCalls::~ScopedTtyCalls() { Exchange(std::move(previous_)); }

}  // namespace platform
