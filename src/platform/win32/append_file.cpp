// The lock is one byte far past any data the file will hold: Windows locks
// are mandatory, and a lock over the data would keep readers of the file
// (who take no lock) from reading it while a writer appends.

#include "platform/append_file.h"

#include <windows.h>

#include "platform/win32/owned_handle.h"
#include "platform/win32/plain_path.h"
#include "platform/win32/system_error.h"
#include "platform/win32/system_path.h"
#include "platform/win32/write_all.h"

namespace platform {

struct AppendFile::Handle {
  win32::OwnedHandle file;
  bool locked = false;
};

namespace {

constexpr DWORD kLockOffsetHigh = 0x40000000;  // byte 2^62

template <typename T>
Result<T> Failed(Error kind, DWORD error) {
  return Result<T>::Failure(kind, win32::SystemErrorText(error));
}

OVERLAPPED LockByte() {
  OVERLAPPED at{};
  at.OffsetHigh = kLockOffsetHigh;
  return at;
}

}  // namespace

AppendFile::AppendFile(std::unique_ptr<Handle> handle) : handle_(std::move(handle)) {}

AppendFile::~AppendFile() {
  // Closing lets go of the lock too, but not at once: let go of it first.
  if (handle_->locked) {
    OVERLAPPED at = LockByte();
    UnlockFileEx(handle_->file.get(), 0, 1, 0, &at);
  }
}

Result<std::unique_ptr<AppendFile>> AppendFile::Open(const std::string& path) {
  using Opened = std::unique_ptr<AppendFile>;
  // Opening a device may already act on it: refused unopened, and the open
  // handle is checked again.
  if (win32::IsDeviceName(path) || win32::IsFolder(path)) {
    return Result<Opened>::Failure(Error::NotRegularFile, "not a regular file");
  }
  win32::OwnedHandle file(CreateFileW(win32::SystemPath(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) {
    const DWORD error = GetLastError();
    return Failed<Opened>(win32::OpenFailure(error), error);
  }
  if (GetFileType(file.get()) != FILE_TYPE_DISK) return Result<Opened>::Failure(Error::NotRegularFile, "not a regular file");
  auto handle = std::make_unique<Handle>(Handle{std::move(file), false});
  return {Opened(new AppendFile(std::move(handle))), Error::None, {}};
}

LockResult AppendFile::TryLock() {
  OVERLAPPED at = LockByte();
  if (LockFileEx(handle_->file.get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at) != FALSE) {
    handle_->locked = true;
    return {LockResult::Outcome::Locked, {}};
  }
  const DWORD error = GetLastError();
  if (error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING) return {LockResult::Outcome::Held, {}};
  return {LockResult::Outcome::Failed, win32::SystemErrorText(error)};
}

std::optional<char> AppendFile::LastByte() {
  LARGE_INTEGER size{};
  if (GetFileSizeEx(handle_->file.get(), &size) == FALSE || size.QuadPart == 0) return std::nullopt;
  const auto at = static_cast<unsigned long long>(size.QuadPart - 1);
  OVERLAPPED where{};
  where.Offset = static_cast<DWORD>(at & 0xFFFFFFFFu);
  where.OffsetHigh = static_cast<DWORD>(at >> 32);
  char last = 0;
  DWORD read = 0;
  if (ReadFile(handle_->file.get(), &last, 1, &read, &where) == FALSE || read != 1) return std::nullopt;
  return last;
}

Result<bool> AppendFile::Append(std::string_view bytes) {
  // Every writer appends under the lock, so the end found here stays the end.
  LARGE_INTEGER end{};
  if (SetFilePointerEx(handle_->file.get(), LARGE_INTEGER{}, &end, FILE_END) == FALSE ||
      !win32::WriteAll(handle_->file.get(), bytes)) {
    return Failed<bool>(Error::Other, GetLastError());
  }
  return {true, Error::None, {}};
}

// The folder's entry of a new file is kept by the file system's own journal.
Result<bool> AppendFile::Sync() {
  if (FlushFileBuffers(handle_->file.get()) == FALSE) return Failed<bool>(Error::Other, GetLastError());
  return {true, Error::None, {}};
}

}  // namespace platform
