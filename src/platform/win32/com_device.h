#pragma once
// The COM port backend: a serial device of Windows, through its
// communications calls with overlapped I/O.

#include <string>

#include "platform/serial_device.h"

namespace platform::win32 {

// Opens the COM port `name` ("COM3", "CNCA0") exclusively, through the
// device namespace ("\\.\COM3"), so no name ever opens a file: for
// overlapped I/O when a watcher thread waits while another writes, for
// synchronous I/O when one thread does everything. `observer` hears when the
// port goes.
OpenResult OpenComDevice(const std::string& name, DeviceUse use, std::shared_ptr<DeviceObserver> observer = nullptr);

}  // namespace platform::win32
