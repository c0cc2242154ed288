#include "platform/win32/plain_path.h"

#include "platform/win32/system_path.h"

namespace platform::win32 {

bool IsDeviceName(const std::string& path) {
  if (path.starts_with("\\\\.\\") || path.starts_with("\\\\?\\") || path.starts_with("//./")) return true;
  const std::size_t slash = path.find_last_of("\\/:");
  const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
  std::string stem = path.substr(start, path.find('.', start) - start);
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  for (char& c : stem) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL" || stem == "CONIN$" || stem == "CONOUT$") {
    return true;
  }
  return stem.size() == 4 && (stem.starts_with("COM") || stem.starts_with("LPT")) && stem[3] >= '0' && stem[3] <= '9';
}

bool IsFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(SystemPath(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

Error OpenFailure(DWORD error) {
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return Error::NotFound;
  if (error == ERROR_ACCESS_DENIED || error == ERROR_WRITE_PROTECT) return Error::PermissionDenied;
  return Error::Other;
}

}  // namespace platform::win32
