#pragma once
// The COM port backend: a serial device of Windows, through its
// communications calls with overlapped I/O.

#include <string>

#include "platform/serial_device.h"

namespace platform::win32 {

// Opens the COM port `name` ("COM3", "CNCA0") exclusively, through the
// device namespace ("\\.\COM3"), so no name ever opens a file.
OpenResult OpenComDevice(const std::string& name);

}  // namespace platform::win32
