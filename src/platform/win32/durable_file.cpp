// A file is written under a temporary name, flushed to the disk, and moved
// over the old one with write-through, which returns only once the new name
// is on the disk too: Windows has no folder to sync.

#include "platform/durable_file.h"

#include <windows.h>

#include <atomic>
#include <filesystem>

#include "platform/win32/owned_handle.h"
#include "platform/win32/plain_path.h"
#include "platform/win32/system_error.h"
#include "platform/win32/system_path.h"
#include "platform/win32/write_all.h"

namespace platform {
namespace {

// Temporaries that a process could not create (another of the same name in
// the way) are tried under this many names before giving up.
constexpr int kTemporaryNameTries = 16;

Result<bool> Failure(const std::string& what, DWORD error) {
  return Result<bool>::Failure(win32::OpenFailure(error), what + ": " + win32::SystemErrorText(error));
}

Result<bool> Success() { return Result<bool>{true, Error::None, {}}; }

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsPlainName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find_first_of("\\/:") == std::string::npos &&
         !win32::IsDeviceName(name);
}

// Every missing folder on the way is made; they take the rights of the one
// they are made in (under the user's profile, the user's own).
Result<bool> MakeFolders(const std::string& folder) {
  const std::size_t root = std::filesystem::path(folder).root_path().string().size();
  for (std::size_t at = folder.find_first_of("\\/", root); at != std::string::npos;
       at = folder.find_first_of("\\/", at + 1)) {
    const std::string prefix = folder.substr(0, at);
    if (prefix.empty() || win32::IsFolder(prefix)) continue;
    // A plain file of that name is found out by the next folder below it.
    if (CreateDirectoryW(win32::SystemPath(prefix).c_str(), nullptr) == FALSE && GetLastError() != ERROR_ALREADY_EXISTS) {
      return Failure("cannot make " + prefix, GetLastError());
    }
  }
  return Success();
}

// A temporary name of this process, created only where nothing is: a file
// or a link planted under it is never written through.
win32::OwnedHandle CreateTemporary(const std::string& folder, const std::string& name, std::string& path) {
  static std::atomic<unsigned> counter{0};
  for (int tries = 0; tries < kTemporaryNameTries; ++tries) {
    path = folder + "." + name + "." + std::to_string(GetCurrentProcessId()) + "." + std::to_string(counter++) + ".tmp";
    win32::OwnedHandle file(CreateFileW(win32::SystemPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.valid() || GetLastError() != ERROR_FILE_EXISTS) return file;
  }
  return win32::OwnedHandle();
}

}  // namespace

Result<bool> WriteFileDurably(const std::string& folder, const std::string& name, const std::string& contents) {
  if (folder.empty() || !IsSeparator(folder.back())) return Result<bool>::Failure(Error::NotFound, "no folder to write in");
  if (!IsPlainName(name)) return Result<bool>::Failure(Error::UnknownName, name + " is not a file name");
  if (Result<bool> made = MakeFolders(folder); !made.ok()) return made;
  std::string temporary;
  {
    const win32::OwnedHandle file = CreateTemporary(folder, name, temporary);
    if (!file.valid()) return Failure("cannot create a file in " + folder, GetLastError());
    if (!win32::WriteAll(file.get(), contents) || FlushFileBuffers(file.get()) == FALSE) {
      const DWORD error = GetLastError();
      DeleteFileW(win32::SystemPath(temporary).c_str());
      return Failure("cannot write " + temporary, error);
    }
  }
  if (MoveFileExW(win32::SystemPath(temporary).c_str(), win32::SystemPath(folder + name).c_str(),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == FALSE) {
    const DWORD error = GetLastError();
    DeleteFileW(win32::SystemPath(temporary).c_str());
    return Failure("cannot rename " + temporary + " to " + name, error);
  }
  return Success();
}

Result<bool> RemoveFileDurably(const std::string& folder, const std::string& name) {
  if (!IsPlainName(name)) return Result<bool>::Failure(Error::UnknownName, name + " is not a file name");
  if (DeleteFileW(win32::SystemPath(folder + name).c_str()) == FALSE) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND) return Success();
    return Failure("cannot remove " + folder + name, error);
  }
  return Success();
}

}  // namespace platform
