#pragma once
// The system's own serial devices: where COM1 to COM16 lead when nothing
// says otherwise, which resolved names are devices of the system, and how
// they open. Each backend gives its own; the name rules around them are
// shared.

#include <string>
#include <string_view>

#include "platform/serial_device.h"

namespace platform::native_port {

// The device "COMn" (1 to 16) stands for on this system.
std::string ComPortDevice(int number);
// Whether a resolved name (no scheme, no "\\.\" prefix) names a device of
// the system rather than something the name rules refuse.
bool Takes(const std::string& resolved);
// `observer` hears when the device's line goes.
OpenResult Open(const std::string& resolved, DeviceUse use, const std::shared_ptr<DeviceObserver>& observer);
// How such a device is written, for the message about a name no backend takes.
std::string_view NameExample();

}  // namespace platform::native_port
