#pragma once
// Winsock is started once, on first use, and stays for the life of the
// process.

namespace platform::win32 {

// False when the network library did not start.
bool StartWinsock();

}  // namespace platform::win32
