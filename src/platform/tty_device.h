#pragma once
// The tty backend: a serial device on a device path, through termios.
//
// A tty is left as it was found: the last close of it in this process puts
// back the line settings it had when the first open of it found it (hang-up
// on close included), so programs that open it later find their own.

#include <memory>
#include <string>

#include "platform/serial_device.h"

namespace platform {

// Opens `path` non-blocking and exclusively (TIOCEXCL and a flock): a device
// already held fails with Error::Busy. `observer` hears when the device goes.
OpenResult OpenTtyDevice(const std::string& path, std::shared_ptr<DeviceObserver> observer = nullptr);

// A tty kept open while a run holds it, so that no close between the run's
// phases is its last: the driver drops no line then, and what the run set
// stays in force between them. Its own close is the last one.
class KeptTty {
 public:
  virtual ~KeptTty() = default;
};

// Null when the path is no tty that opens: the run's own opens say why.
std::unique_ptr<KeptTty> KeepTtyOpen(const std::string& path);

}  // namespace platform
