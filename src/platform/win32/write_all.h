#pragma once
// Writes every byte to a file handle, through short writes.

#include <windows.h>

#include <string_view>

namespace platform::win32 {

// False on an error, which GetLastError then names (ERROR_WRITE_FAULT for a
// write that took nothing).
inline bool WriteAll(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    const DWORD chunk = bytes.size() > 0x40000000 ? 0x40000000 : static_cast<DWORD>(bytes.size());
    DWORD written = 0;
    if (WriteFile(file, bytes.data(), chunk, &written, nullptr) == FALSE) return false;
    if (written == 0) {
      SetLastError(ERROR_WRITE_FAULT);
      return false;
    }
    bytes.remove_prefix(written);
  }
  return true;
}

}  // namespace platform::win32
