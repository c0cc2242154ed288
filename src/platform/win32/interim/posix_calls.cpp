// Interim (see posix_calls.h).

#include "posix_calls.h"

#include <windows.h>

#include <cerrno>

#include "sys/file.h"
#include "sys/ioctl.h"

namespace {

HANDLE HandleOf(int fd) { return reinterpret_cast<HANDLE>(_get_osfhandle(fd)); }

}  // namespace

int fsync(int fd) { return _commit(fd); }

ssize_t pread(int fd, void* buffer, std::size_t count, off_t offset) {
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  DWORD got = 0;
  if (!ReadFile(HandleOf(fd), buffer, static_cast<DWORD>(count), &got, &at)) {
    errno = EIO;
    return -1;
  }
  return static_cast<ssize_t>(got);
}

int gethostname(char* name, std::size_t size) {
  DWORD length = static_cast<DWORD>(size);
  if (!GetComputerNameExA(ComputerNameDnsHostname, name, &length)) {
    errno = ENAMETOOLONG;
    return -1;
  }
  return 0;
}

struct tm* gmtime_r(const time_t* time, struct tm* parts) { return gmtime_s(parts, time) == 0 ? parts : nullptr; }

int flock(int fd, int operation) {
  OVERLAPPED whole{};
  if ((operation & LOCK_UN) != 0) return UnlockFileEx(HandleOf(fd), 0, MAXDWORD, MAXDWORD, &whole) ? 0 : -1;
  DWORD flags = (operation & LOCK_EX) != 0 ? LOCKFILE_EXCLUSIVE_LOCK : 0;
  if ((operation & LOCK_NB) != 0) flags |= LOCKFILE_FAIL_IMMEDIATELY;
  if (LockFileEx(HandleOf(fd), flags, 0, MAXDWORD, MAXDWORD, &whole)) return 0;
  errno = (operation & LOCK_NB) != 0 ? EWOULDBLOCK : EIO;
  return -1;
}

int ioctl(int fd, unsigned long request, struct winsize* size) {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (request != TIOCGWINSZ || !GetConsoleScreenBufferInfo(HandleOf(fd), &info)) {
    errno = ENOTTY;
    return -1;
  }
  size->ws_col = static_cast<unsigned short>(info.srWindow.Right - info.srWindow.Left + 1);
  size->ws_row = static_cast<unsigned short>(info.srWindow.Bottom - info.srWindow.Top + 1);
  size->ws_xpixel = 0;
  size->ws_ypixel = 0;
  return 0;
}
