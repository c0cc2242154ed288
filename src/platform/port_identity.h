#pragma once
// What identifies the device a port name reaches, as the keys its holds go
// by: the lock file of a tty, named by the device itself so that a link and
// the device it points to share it; the lock files of a network port, one for
// each address its host resolves to, so that "localhost" and "127.1" share
// one; or the name of a simulated port, which lives inside one process. On
// Windows the keys are the names of kernel objects instead of lock files:
// one per COM port, whatever prefix its name is written with.

#include <string>
#include <vector>

#include "platform/result.h"

namespace platform {

struct PortIdentity {
  std::vector<std::string> keys;  // lock file paths (kernel object names), or a simulated port's name; sorted
  bool lockFiles = false;         // false: a simulated port, held in this process alone
  std::string ttyPath;            // the device path of a tty, else empty
};

// The identity of a name as ResolvePortName gives it. Fails as the port's
// open would: a network name that does not parse, or whose host does not
// resolve in time.
Result<PortIdentity> IdentifyPort(const std::string& resolvedName);

// The identity of a name as the user wrote it, for telling whether two names
// reach one device ("COM1" and "\\.\COM1", a device path and a link to it,
// two names of one network address). A host that does not resolve counts by
// its name in lower case; a name that does not parse, by itself.
PortIdentity IdentifyPortName(const std::string& portName);
bool SameDevice(const PortIdentity& first, const PortIdentity& second);

// The folder the lock files go in: $QUORREL_LOCK_DIR when set, else /run/lock
// (also reached as /var/lock). Empty on Windows, which has no lock files.
std::string LockFolder();

}  // namespace platform
