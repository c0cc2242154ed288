#pragma once
// Holds a device for a whole run, across the opens and closes of its phases,
// so that no other run slips in between them. A tty or network port is held
// with the lock file that serial programs on Linux share: LCK..ttyUSB0 in the
// lock folder, naming the owner's process (ten characters and a line feed);
// a lock whose process has gone is taken over. A simulated port lives inside
// one process and is held there alone.
//
// Holds nest within a process (the terminal front end holds the port for its
// run and the upgrade holds it again): the file goes when the last one does.

#include <sys/types.h>

#include <memory>
#include <optional>
#include <string>

#include "platform/result.h"

namespace platform {

class PortHold;


// Holds the port a name (as the user wrote it) stands for.
// Busy when another live process holds it: the detail says "held by process
// 1234 (quorrel-upgrade)".
Result<std::unique_ptr<PortHold>> HoldPort(const std::string& portName);

// The other live process that holds the device a resolved name stands for,
// if any. A lock left by a process that has gone does not count.
std::optional<pid_t> PortHeldElsewhere(const std::string& resolvedName);

// "process 1234 (quorrel-upgrade)".
std::string DescribeHolder(pid_t owner);

// The folder the lock files go in: $QUORREL_LOCK_DIR when set, else /run/lock
// (also reached as /var/lock).
std::string LockFolder();

class PortHold {
 public:
  PortHold(std::string key, bool lockFile);
  ~PortHold();
  PortHold(const PortHold&) = delete;
  PortHold& operator=(const PortHold&) = delete;

 private:
  std::string key_;
  bool lockFile_;
};

}  // namespace platform
