#pragma once
// The calls through which a tty device hands bytes to its driver, applies
// line settings and measures its waits. Tests install a layer of their own:
// one that refuses writes now and then, as a USB adapter does while its
// transfer buffers are busy; one that watches the parity and the DTR and RTS
// changes a pseudo-terminal cannot carry; one whose clock moves as the test
// says. A device takes the calls installed when it opens.

#include <cstddef>
#include <functional>

#include "platform/clock.h"
#include "platform/serial_device.h"

namespace platform {

struct TtyCalls {
  // Hands bytes to the driver as the system's write does: the count taken,
  // or -1 with errno set (EAGAIN: no room for the moment).
  using Writer = std::function<std::ptrdiff_t(const void* bytes, std::size_t count)>;
  // Stands between the device and its driver's own writer: passes the bytes
  // on to `driver` (all, or fewer), or refuses as the driver would.
  std::function<std::ptrdiff_t(const void* bytes, std::size_t count, const Writer& driver)> write;
  // Told each line-settings record before the driver is, and the lines the
  // driver drops as the port's last close hangs it up.
  std::function<void(const LineSettings& settings)> applied;
  // The time the device's waits are measured on; the real clock's.
  std::function<Micros()> now;
};

// The calls in force: the driver's own and no watcher unless a test
// installed others.
TtyCalls CurrentTtyCalls();

// Installs `calls` for devices opened during the life of the object; an empty
// member keeps the system's own.
class ScopedTtyCalls {
 public:
  explicit ScopedTtyCalls(TtyCalls calls);
  ~ScopedTtyCalls();
  ScopedTtyCalls(const ScopedTtyCalls&) = delete;
  ScopedTtyCalls& operator=(const ScopedTtyCalls&) = delete;

 private:
  TtyCalls previous_;
};

}  // namespace platform
