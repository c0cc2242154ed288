#pragma once
// What the plain-file code asks of a path before it opens it: opening a
// device may already act on it (a serial port's lines pulse), so a path that
// names one is refused unopened.

#include <windows.h>

#include <string>

#include "platform/result.h"

namespace platform::win32 {

// The names Windows keeps for its devices in every folder ("COM1",
// "nul.txt"), and paths into the device namespace.
bool IsDeviceName(const std::string& path);

// Whether `path` is a folder (which a plain open would refuse anyway).
bool IsFolder(const std::string& path);

// The kind of a failed open, from the system's error.
Error OpenFailure(DWORD error);

}  // namespace platform::win32
