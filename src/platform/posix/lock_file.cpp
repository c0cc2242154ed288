#include "platform/lock_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/posix/file_descriptor.h"

namespace platform {
namespace {

// An empty lock this young is still being written by the program that made
// it; an older one was left by a program that died before writing it.
constexpr std::time_t kStartingGraceSeconds = 5;
// A lock file is eleven bytes; anything much longer is no lock.
constexpr std::size_t kLongestLock = 64;
constexpr int kTakeAttempts = 3;

std::int64_t ThisProcess() { return ::getpid(); }

bool ProcessRuns(std::int64_t pid) {
  // Another user's process answers "not permitted": it runs all the same.
  return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

bool IsTextByte(char c) { return (c >= '0' && c <= '9') || c == ' ' || c == '\n' || c == '\t' || c == '\r'; }

bool IsYoung(const struct stat& info) {
  const std::time_t age = std::time(nullptr) - info.st_mtim.tv_sec;
  return age > -kStartingGraceSeconds && age < kStartingGraceSeconds;
}

std::string ProblemOf(int error) {
  switch (error) {
    case ENOENT: return "it does not exist";
    case ENOTDIR: return "it is not a folder";
    case EACCES:
    case EPERM: return "this user may not write in it";
    case EROFS: return "it is on a read-only file system";
    default: return std::strerror(error);
  }
}

enum class Made : std::uint8_t { Created, Exists, Failed };

// False, with errno set, when the number did not go out whole.
bool WriteOwner(int fd) {
  char text[16];
  const int length = std::snprintf(text, sizeof text, "%10lld\n", static_cast<long long>(ThisProcess()));
  errno = 0;
  if (::write(fd, text, static_cast<std::size_t>(length)) == length) return true;
  if (errno == 0) errno = ENOSPC;
  return false;
}

// Written whole under a private name that no one else can have made or
// planted (mkostemp creates it exclusively), then linked to the lock's name,
// which fails when a lock is there. A folder on a file system without hard
// links cannot take locks.
Made CreateLock(const std::string& path, int& error) {
  std::string temporary = path + ".XXXXXX";
  FileDescriptor fd(::mkostemp(temporary.data(), O_CLOEXEC));
  if (!fd.valid()) {
    error = errno;
    return Made::Failed;
  }
  const bool written = ::fchmod(fd.get(), 0644) == 0 && WriteOwner(fd.get());
  const bool linked = written && ::link(temporary.c_str(), path.c_str()) == 0;
  error = errno;
  ::unlink(temporary.c_str());
  if (linked) return Made::Created;
  if (!written) return Made::Failed;
  return error == EEXIST ? Made::Exists : Made::Failed;
}

// Of two runs that find one stale lock, only one may remove it, and never
// the fresh lock the other has just made in its place: the lock is moved
// under a private name first, and put back when what was moved is live.
bool RemoveStale(const std::string& path, std::string& reason) {
  std::string aside = path + ".XXXXXX";
  {
    FileDescriptor placeholder(::mkostemp(aside.data(), O_CLOEXEC));
    if (!placeholder.valid()) {
      reason = std::strerror(errno);
      return false;
    }
  }
  if (::rename(path.c_str(), aside.c_str()) != 0) {
    const int error = errno;
    ::unlink(aside.c_str());
    if (error == ENOENT) return true;  // gone meanwhile
    reason = std::strerror(error);
    return false;
  }
  // A live holder's lock goes back, unless another run took the name meanwhile:
  // that run holds it now.
  const bool live = NamesAnotherHolder(ReadLock(aside));
  const bool settled = !live || ::link(aside.c_str(), path.c_str()) == 0 || errno == EEXIST;
  if (!settled) reason = std::strerror(errno);
  ::unlink(aside.c_str());
  return settled;
}

LockTaking Outcome(LockTaking::Outcome outcome, std::string reason) {
  return LockTaking{outcome, 0, std::move(reason)};
}

}  // namespace

bool NamesAnotherHolder(const LockReading& reading) {
  return reading.state == LockReading::State::Starting ||
         (reading.state == LockReading::State::Live && reading.processId != ThisProcess());
}

// "      1234\n" as most programs write it, or 4 binary bytes as older ones
// did (a real process number never spells digits in them).
std::optional<std::int64_t> ParseLockOwner(std::string_view bytes) {
  const bool text = std::all_of(bytes.begin(), bytes.end(), IsTextByte);
  if (!text) {
    if (bytes.size() != sizeof(std::int32_t)) return std::nullopt;
    std::int32_t binary = 0;
    std::memcpy(&binary, bytes.data(), sizeof binary);
    return binary > 0 ? std::optional<std::int64_t>(binary) : std::nullopt;
  }
  const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
  const auto first = std::find_if(bytes.begin(), bytes.end(), isDigit);
  const auto end = std::find_if_not(first, bytes.end(), isDigit);
  if (first == end || end - first > 10 || std::find_if(end, bytes.end(), isDigit) != bytes.end()) return std::nullopt;
  std::int64_t value = 0;
  for (auto digit = first; digit != end; ++digit) value = value * 10 + (*digit - '0');
  return value > 0 && value <= INT_MAX ? std::optional<std::int64_t>(value) : std::nullopt;
}

LockReading ReadLock(const std::string& path) {
  // Never through a link, and never waiting on a pipe planted in its place.
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!fd.valid()) return {errno == ENOENT ? LockReading::State::Absent : LockReading::State::Stale, 0};
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return {LockReading::State::Stale, 0};
  char bytes[kLongestLock];
  const ssize_t count = ::read(fd.get(), bytes, sizeof bytes);
  if (count == 0) return {IsYoung(info) ? LockReading::State::Starting : LockReading::State::Stale, 0};
  if (count < 0) return {LockReading::State::Stale, 0};
  const std::optional<std::int64_t> owner = ParseLockOwner(std::string_view(bytes, static_cast<std::size_t>(count)));
  if (!owner || !ProcessRuns(*owner)) return {LockReading::State::Stale, 0};
  return {LockReading::State::Live, *owner};
}

LockTaking TakeLock(const std::string& path) {
  for (int attempt = 0; attempt < kTakeAttempts; ++attempt) {
    int error = 0;
    const Made made = CreateLock(path, error);
    if (made == Made::Created) return {};
    if (made == Made::Failed) return Outcome(LockTaking::Outcome::FolderUnusable, ProblemOf(error));
    const LockReading reading = ReadLock(path);
    if (NamesAnotherHolder(reading)) return LockTaking{LockTaking::Outcome::Held, reading.processId, {}};
    if (reading.state == LockReading::State::Absent) continue;
    std::string reason;
    if (!RemoveStale(path, reason)) {
      return Outcome(LockTaking::Outcome::NotTaken, path + " names no running process but cannot be removed (" +
                                                        reason + ")");
    }
  }
  return Outcome(LockTaking::Outcome::NotTaken, path + " keeps changing under other programs");
}

void ReleaseLock(const std::string& path) {
  const LockReading reading = ReadLock(path);
  if (reading.state == LockReading::State::Live && reading.processId == ThisProcess()) ::unlink(path.c_str());
}

std::optional<std::string> LockFolderTrouble(const std::string& folder) {
  struct stat info {};
  if (::stat(folder.c_str(), &info) != 0) return ProblemOf(errno);
  if (!S_ISDIR(info.st_mode)) return ProblemOf(ENOTDIR);
  if (::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0) return ProblemOf(errno);
  return std::nullopt;
}

}  // namespace platform
