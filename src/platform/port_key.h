#pragma once
// One key of a port's hold as the system keeps it between processes: on
// Linux a lock file in the shared lock folder, on Windows a named kernel
// object. How holds nest within a process is the same on every system
// (port_hold.cpp); what a key is, and how it is taken, is each backend's.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/port_hold.h"
#include "platform/result.h"

namespace platform {

// The key of the device a resolved name reaches (not a network or a
// simulated port): two names of one device give one key.
std::string DeviceKey(const std::string& resolvedName);
// The key of a network port at one numeric address (or, unresolved, a host
// name in lower case).
std::string NetworkKey(const std::string& address, std::uint16_t port);

// What the system keeps while this process holds a key; the key goes with it.
class KeyLock {
 public:
  virtual ~KeyLock() = default;
};

// Takes `key` for this process, which does not hold it yet. `ttyPath`, when
// not empty, names a tty kept open while the key is held. Fails with Busy
// ("held by process 1234 (quorrel-upgrade)") when another live process has
// it, LockFolderUnusable or LockNotTaken when it cannot be taken.
Result<std::unique_ptr<KeyLock>> TakeKeyLock(const std::string& key, const std::string& ttyPath);

// The first holder of one of `keys` that is not this process, if any. Fails
// as TakeKeyLock does when no key could be taken.
Result<std::optional<LockHolder>> KeyHolderElsewhere(const std::vector<std::string>& keys);

// The name of a running process's program ("quorrel-upgrade"); empty when
// the system does not tell it.
std::string ProgramNameOf(std::int64_t processId);

}  // namespace platform
