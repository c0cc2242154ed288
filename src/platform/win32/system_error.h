#pragma once
// The system's own words for an error code, for the user.

#include <windows.h>

#include <string>

namespace platform::win32 {

// "Access is denied. (error 5)"; the number alone when the system has no text.
std::string SystemErrorText(DWORD error);

}  // namespace platform::win32
