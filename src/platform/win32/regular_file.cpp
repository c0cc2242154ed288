// Whole-file reads of plain files. The kind is taken from the open handle,
// so nothing can swap the file between the check and the read; others may
// read the file meanwhile, but no one may write it.

#include <windows.h>

#include <string>

#include "platform/regular_file.h"
#include "platform/win32/system_error.h"
#include "platform/win32/system_path.h"

namespace platform {
namespace {

class FileHandle {
 public:
  explicit FileHandle(HANDLE handle) : handle_(handle) {}
  ~FileHandle() {
    if (valid()) CloseHandle(handle_);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

Result<std::string> Failed(Error kind, DWORD error) {
  return Result<std::string>::Failure(kind, error != 0 ? win32::SystemErrorText(error) : std::string());
}

Error OpenFailure(DWORD error) {
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return Error::NotFound;
  if (error == ERROR_ACCESS_DENIED) return Error::PermissionDenied;
  return Error::Other;
}

// The names Windows keeps for its devices in every folder ("COM1",
// "nul.txt"), and paths into the device namespace. Such a path is refused
// without being opened: opening a serial port may already pulse its lines.
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

// A folder opens only with backup semantics, which is not asked for: it is
// refused here as a plain file's open would be.
bool IsFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(win32::SystemPath(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

Result<std::string> ReadRegularFile(const std::string& path, std::size_t maxBytes) {
  if (IsDeviceName(path) || IsFolder(path)) return Failed(Error::NotRegularFile, 0);
  // Anything else that is no plain file (a pipe, say) is told by the kind of
  // the open handle, before anything is read from it.
  const FileHandle file(CreateFileW(win32::SystemPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) {
    const DWORD error = GetLastError();
    return Failed(OpenFailure(error), error);
  }
  if (GetFileType(file.get()) != FILE_TYPE_DISK) return Failed(Error::NotRegularFile, 0);
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size)) return Failed(Error::ReadFailed, GetLastError());
  if (static_cast<unsigned long long>(size.QuadPart) > maxBytes) return Failed(Error::TooLarge, 0);

  Result<std::string> result;
  char buffer[16384];
  for (;;) {
    DWORD count = 0;
    if (!ReadFile(file.get(), buffer, sizeof buffer, &count, nullptr)) {
      result.error = Error::ReadFailed;
      result.detail = win32::SystemErrorText(GetLastError());
      return result;
    }
    if (count == 0) return result;
    result.value.append(buffer, count);
    // A file that grows while it is read is not the file that was checked.
    if (result.value.size() > maxBytes) return Failed(Error::TooLarge, 0);
  }
}

bool IsAbsentOrRegularFile(const std::string& path) {
  if (IsDeviceName(path)) return false;
  const DWORD attributes = GetFileAttributesW(win32::SystemPath(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
  }
  return (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
}

}  // namespace platform
