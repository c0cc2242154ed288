#pragma once
// How port names map onto devices on this platform.

#include <string>

namespace platform {

// Drops the "\\.\" prefix that Windows-style names of five or more characters
// carry, and maps "COM1".."COM16" to $QUORREL_COMn, else to the system's own
// device (/dev/ttyS(n-1) on Linux, the COM port itself on Windows).
// Other names come back unchanged. Applied once more to what QUORREL_COMn
// names, so it may name a port a registered scheme takes too.
std::string ResolvePortName(const std::string& name);

// The Windows-style device name the port classes open: names of five or more
// characters ("COM10" and up) get the "\\.\" prefix, shorter ones stay as
// given. ResolvePortName drops the prefix again.
std::string FormDeviceName(const std::string& portName);
// The name without that prefix, as the user wrote it.
std::string StripDevicePrefix(const std::string& name);

}  // namespace platform
