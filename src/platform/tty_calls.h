#pragma once
// The system calls through which a tty device hands bytes to its driver and
// applies line settings. Tests install a layer of their own: one that refuses
// writes now and then, as a USB adapter does while its transfer buffers are
// busy, or one that watches the parity and the DTR and RTS changes a
// pseudo-terminal cannot carry. A device takes the calls installed when it opens.

#include <sys/types.h>

#include <cstddef>
#include <functional>

#include "platform/serial_device.h"

namespace platform {

struct TtyCalls {
  // As ::write.
  std::function<ssize_t(int fd, const void* bytes, std::size_t count)> write;
  // Told each line-settings record before the driver is, and the lines the
  // driver drops as the port closes.
  std::function<void(const LineSettings& settings)> applied;
};

// The calls in force: ::write and no watcher unless a test installed others.
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
