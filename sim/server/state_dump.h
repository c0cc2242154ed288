#pragma once
// What quorrel-sim leaves behind on exit so an upgrade can be checked: the
// device's memory image and the serial number in its information flash.

#include <string>

#include "sim/sim_interface.h"

namespace sim::server {

inline constexpr std::size_t kMemorySize = 0x10000;

// Writes each file that has a name (an empty name: skipped). Each file appears
// whole or not at all. False, with the reason, when one could not be written.
bool DumpDeviceState(const SimInterface& device, const std::string& memoryFile, const std::string& serialFile,
                     std::string* error);

}  // namespace sim::server
