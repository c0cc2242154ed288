// Whole-file reads of plain files. The kind is taken from the open handle,
// so nothing can swap the file between the check and the read; others may
// read the file meanwhile, but no one may write it.

#include <windows.h>

#include <string>

#include "platform/regular_file.h"
#include "platform/win32/owned_handle.h"
#include "platform/win32/plain_path.h"
#include "platform/win32/system_error.h"
#include "platform/win32/system_path.h"

namespace platform {
namespace {

using win32::IsDeviceName;
using win32::IsFolder;
using win32::OpenFailure;

Result<std::string> Failed(Error kind, DWORD error) {
  return Result<std::string>::Failure(kind, error != 0 ? win32::SystemErrorText(error) : std::string());
}

}  // namespace

Result<std::string> ReadRegularFile(const std::string& path, std::size_t maxBytes) {
  if (IsDeviceName(path) || IsFolder(path)) return Failed(Error::NotRegularFile, 0);
  // Anything else that is no plain file (a pipe, say) is told by the kind of
  // the open handle, before anything is read from it.
  const win32::OwnedHandle file(CreateFileW(win32::SystemPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
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
