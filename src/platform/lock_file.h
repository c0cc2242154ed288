#pragma once
// One lock file in the shared, world-writable lock folder: LCK..ttyUSB0 names
// the process that holds the device, as ten characters and a line feed
// (older programs wrote the number as 4 binary bytes, which is read too).
// Nothing here trusts what another user may have put in the folder: a lock
// is made under a private name and linked into place, so it appears whole or
// not at all; nothing is written through a link, and a lock is read without
// following one.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// What a lock file says of who holds its device.
struct LockReading {
  enum class State : std::uint8_t {
    Absent,    // no lock file
    Live,      // names a process that runs (this one included)
    Starting,  // empty and a few seconds young: its maker is still writing it
    Stale,     // names no process that runs, or is no lock at all
  };
  State state = State::Absent;
  std::int64_t processId = 0;  // for Live
};

LockReading ReadLock(const std::string& path);

// The process number a lock file's bytes name, if they name one: text, or
// 4 binary bytes in this machine's order.
std::optional<std::int64_t> ParseLockOwner(std::string_view bytes);

// Whether a reading names a holder other than this process.
bool NamesAnotherHolder(const LockReading& reading);

// The end of an attempt to take a lock.
struct LockTaking {
  enum class Outcome : std::uint8_t {
    Taken,           // the lock now names this process
    Held,            // another live process has it (process 0: it is being written)
    FolderUnusable,  // the folder cannot take a lock file
    NotTaken,        // a stale lock that cannot be removed
  };
  Outcome outcome = Outcome::Taken;
  std::int64_t processId = 0;  // for Held
  std::string reason;          // for FolderUnusable and NotTaken
};

// Takes the lock at `path` unless another live process has it. A stale lock
// is taken over; a lock naming this process is stale too, since the caller
// asks only for a device it does not hold yet.
LockTaking TakeLock(const std::string& path);

// Removes the lock at `path` if it still names this process.
void ReleaseLock(const std::string& path);

// What keeps `folder` from taking lock files ("it does not exist", "it is
// not a folder", or what the system says); nothing when it can take them.
std::optional<std::string> LockFolderTrouble(const std::string& folder);

}  // namespace platform
