#pragma once
// The name of the machine the program runs on, as the records name it.

#include <string>

namespace platform {

// The machine's host name; empty when the system does not tell it.
std::string HostName();

}  // namespace platform
