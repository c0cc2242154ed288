#pragma once
// The tty backend: a serial device on a device path, through termios.

#include <string>

#include "platform/serial_device.h"

namespace platform {

// Opens `path` non-blocking and exclusively (TIOCEXCL and a flock): a device
// already held fails with Error::Busy.
OpenResult OpenTtyDevice(const std::string& path);

}  // namespace platform
