#pragma once
// --list-ports: the serial ports this machine has, what each one is, and
// whether this user may open it.

#include <cstdio>
#include <string>

#include "platform/port_discovery.h"

namespace cli {

// The listing as printed: one block per port, or a note that there is none.
std::string FormatPortListing(const platform::Discovery& discovery);

// Prints the listing of `source` (null: the device manager cannot be
// reached) and returns the exit status.
int ListPorts(platform::PortSource* source, std::FILE* out, std::FILE* err);

}  // namespace cli
