#pragma once
// Holds a device for a whole run, across the opens and closes of its phases,
// so that no other run slips in between them. A tty or network port is held
// with the lock file that serial programs on Linux share: LCK..ttyUSB0 in the
// lock folder, naming the owner's process; a lock whose process has gone is
// taken over. A network port is held by every address its host resolves to,
// so two names of one device exclude each other. A simulated port lives
// inside one process and is held there alone. A tty is kept open while held,
// so that no close between the phases is its last: the driver drops no line
// then, and the last close puts back the line settings the tty had. On
// Windows a port is held with a named kernel object per key instead, which
// the system removes with the process that made it: nothing is left stale.
//
// The lock folder is shared and world-writable: a port whose lock cannot be
// made there (no folder, no right to write it) is refused, never held
// without a lock.
//
// Holds nest within a process (the terminal front end holds the port for its
// run and the upgrade holds it again): the lock goes when the last one does.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/port_identity.h"
#include "platform/result.h"

namespace platform {

class PortHold;

// Who holds a port elsewhere: a live process, or (process 0) a program whose
// lock file is still being written.
struct LockHolder {
  std::int64_t processId = 0;
};

// Holds the port a name (as the user wrote it) stands for. Fails with
// Busy when another live process holds it (the detail says "held by process
// 1234 (quorrel-upgrade)"); LockFolderUnusable or LockNotTaken when its lock
// cannot be made (the detail says why); as the port's open would when a
// network name does not parse or resolve.
Result<std::unique_ptr<PortHold>> HoldPort(const std::string& portName);

// The other holder of the device a resolved name stands for, if any. A lock
// left by a process that has gone does not count. Fails as HoldPort does when
// no lock could be made for the port.
Result<std::optional<LockHolder>> PortHeldElsewhere(const std::string& resolvedName);

// "process 1234 (quorrel-upgrade)".
std::string DescribeHolder(const LockHolder& holder);

// Why the lock folder cannot take the lock of the port a name stands for:
// the folder and what is wrong with it. Nothing when it can, for a
// simulated port, which needs no lock, and on Windows, which needs no folder.
struct LockFolderProblem {
  std::string folder;
  std::string problem;  // "it does not exist", "it is not a folder", ...
};
std::optional<LockFolderProblem> CheckLockFolder(const std::string& portName);

class PortHold {
 public:
  // `name` is the resolved name the hold was asked for.
  PortHold(std::string name, std::vector<std::string> keys);
  ~PortHold();
  PortHold(const PortHold&) = delete;
  PortHold& operator=(const PortHold&) = delete;

 private:
  std::string name_;
  std::vector<std::string> keys_;
};

}  // namespace platform
