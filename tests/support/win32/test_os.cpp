#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <windows.h>

#include <cstdlib>

#include "support/test_os.h"

namespace testsupport {

// The C library's own copy of the environment is what std::getenv reads.
void SetEnv(const std::string& name, const std::string& value) { _putenv_s(name.c_str(), value.c_str()); }
void UnsetEnv(const std::string& name) { _putenv_s(name.c_str(), ""); }
long ProcessId() { return static_cast<long>(_getpid()); }

std::vector<std::string> NonRegularFiles(const std::string& folder) {
  return {"NUL", folder + "\\nul.txt", folder + "\\COM1", "\\\\.\\pipe\\quorrel-none"};
}

std::FILE* UnwritableStream(std::string& reason) {
  int ends[2] = {-1, -1};
  if (_pipe(ends, 4096, _O_BINARY) != 0) return nullptr;
  _close(ends[0]);
  reason.clear();
  return _fdopen(ends[1], "w");
}

std::string NullDevice() { return "NUL"; }

// The byte the program's append files lock, far past any data.
constexpr DWORD kAppendLockOffsetHigh = 0x40000000;

ForeignFileLock::ForeignFileLock(const std::string& path) {
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  handle_ = file;
  OVERLAPPED at{};
  at.OffsetHigh = kAppendLockOffsetHigh;
  held_ = LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at) != FALSE;
}

ForeignFileLock::~ForeignFileLock() {
  if (handle_ != nullptr) CloseHandle(handle_);
}

}  // namespace testsupport
