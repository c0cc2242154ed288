#pragma once
// How port names map onto devices on this platform.

#include <functional>
#include <string>

#include "platform/serial_device.h"

namespace platform {

// Drops the "\\.\" prefix that Windows-style names of five or more characters
// carry, and maps "COM1".."COM16" to $QUORREL_COMn, else to the system's own
// device (/dev/ttyS(n-1) on Linux, the COM port itself on Windows).
// Other names come back unchanged. Applied once more to what QUORREL_COMn
// names, so it may name a sim or network port too.
std::string ResolvePortName(const std::string& name);

// The Windows-style device name the port classes open: names of five or more
// characters ("COM10" and up) get the "\\.\" prefix, shorter ones stay as
// given. ResolvePortName drops the prefix again.
std::string FormDeviceName(const std::string& portName);
// The name without that prefix, as the user wrote it.
std::string StripDevicePrefix(const std::string& name);

// A backend for names that begin with a scheme ("sim", "sim:...",
// "rfc2217://..."). The simulator and the network layer register theirs; the
// tty backend takes device paths. Their devices have no trouble of their own
// to tell an observer: refused settings are told for every device alike.
using PortOpener = std::function<OpenResult(const std::string& name)>;
void RegisterPortScheme(const std::string& prefix, PortOpener opener);

// "115200 8N1", "9600 8E1".
std::string DescribeSettings(const LineSettings& settings);

}  // namespace platform
