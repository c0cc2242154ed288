#include "platform/port_hold.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>

#include "platform/port_names.h"

namespace platform {
namespace {

constexpr std::string_view kNetworkScheme = "rfc2217://";
constexpr std::string_view kSimScheme = "sim";
constexpr const char* kLockFolderVariable = "QUORREL_LOCK_DIR";
constexpr const char* kDefaultLockFolder = "/run/lock";

// Holds of this process by key: the lock file's path, or the name of a
// simulated port.
struct Holds {
  std::mutex mutex;
  std::map<std::string, int> counts;
};

Holds& TheHolds() {
  static Holds holds;
  return holds;
}

bool IsSimName(const std::string& resolved) {
  return resolved == kSimScheme || resolved.starts_with(std::string(kSimScheme) + ":");
}

// Anything but letters, digits, '.', '-' and '_' becomes '_'.
std::string Sanitised(std::string_view text) {
  std::string out;
  for (const char c : text) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                       c == '-' || c == '_';
    out += plain ? c : '_';
  }
  return out;
}

// The lock file of a device path is named by the device itself, so that a
// link such as /dev/serial/by-id/... and the device it points to share it.
std::string TtyLockName(const std::string& path) {
  std::string device = path;
  if (char* real = ::realpath(path.c_str(), nullptr)) {
    device = real;
    std::free(real);
  }
  const std::size_t slash = device.rfind('/');
  return "LCK.." + Sanitised(slash == std::string::npos ? device : device.substr(slash + 1));
}

// The lock file for a resolved name; none for a simulated port.
std::optional<std::string> LockFileOf(const std::string& resolved) {
  if (IsSimName(resolved)) return std::nullopt;
  if (resolved.starts_with(kNetworkScheme)) {
    return LockFolder() + "/LCK..rfc2217_" + Sanitised(resolved.substr(kNetworkScheme.size()));
  }
  return LockFolder() + "/" + TtyLockName(resolved);
}

// The process a lock file names, in decimal text. A file that names none is
// taken for stale.
std::optional<pid_t> ReadOwner(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  long value = 0;
  if (!file || !(file >> value) || value <= 0 || value > INT_MAX) return std::nullopt;
  return static_cast<pid_t>(value);
}

bool Alive(pid_t pid) { return ::kill(pid, 0) == 0 || errno == EPERM; }

// Creates the lock file whole or not at all: written under a name of its own,
// then linked to the lock name, which fails when the lock exists.
bool CreateLockFile(const std::string& path) {
  const std::string temporary = path + ".tmp" + std::to_string(::getpid());
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  char text[16];
  const int length = std::snprintf(text, sizeof text, "%10d\n", static_cast<int>(::getpid()));
  const bool written = ::write(fd, text, static_cast<std::size_t>(length)) == length;
  ::close(fd);
  const bool linked = written && ::link(temporary.c_str(), path.c_str()) == 0;
  ::unlink(temporary.c_str());
  return linked;
}

// Takes the lock file, or names the live process that has it. A folder we
// may not write leaves the device held by its exclusive opens alone.
std::optional<pid_t> TakeLockFile(const std::string& path) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (CreateLockFile(path)) return std::nullopt;
    if (errno != EEXIST) return std::nullopt;
    const std::optional<pid_t> owner = ReadOwner(path);
    if (owner && *owner != ::getpid() && Alive(*owner)) return owner;
    ::unlink(path.c_str());  // stale: its process has gone
  }
  return std::nullopt;
}

std::string CommandName(pid_t pid) {
  std::ifstream file("/proc/" + std::to_string(pid) + "/comm");
  std::string name;
  std::getline(file, name);
  return name;
}

}  // namespace

std::string LockFolder() {
  const char* folder = std::getenv(kLockFolderVariable);
  return folder != nullptr && *folder != '\0' ? folder : kDefaultLockFolder;
}

std::optional<pid_t> PortHeldElsewhere(const std::string& resolvedName) {
  const std::optional<std::string> path = LockFileOf(resolvedName);
  if (!path) return std::nullopt;
  const std::optional<pid_t> owner = ReadOwner(*path);
  if (!owner || *owner == ::getpid() || !Alive(*owner)) return std::nullopt;
  return owner;
}

std::string DescribeHolder(pid_t owner) {
  const std::string name = CommandName(owner);
  std::string text = "process " + std::to_string(owner);
  if (!name.empty()) text += " (" + name + ")";
  return text;
}

Result<std::unique_ptr<PortHold>> HoldPort(const std::string& portName) {
  const std::string resolved = ResolvePortName(portName);
  const std::string key = LockFileOf(resolved).value_or(resolved);
  Holds& holds = TheHolds();
  std::lock_guard<std::mutex> guard(holds.mutex);
  const bool withFile = LockFileOf(resolved).has_value();
  int& count = holds.counts[key];
  if (count == 0 && withFile) {
    if (const std::optional<pid_t> owner = TakeLockFile(key)) {
      holds.counts.erase(key);
      return Result<std::unique_ptr<PortHold>>::Failure(Error::Busy, "held by " + DescribeHolder(*owner));
    }
  }
  ++count;
  return {std::make_unique<PortHold>(key, withFile), Error::None, {}};
}

PortHold::PortHold(std::string key, bool lockFile) : key_(std::move(key)), lockFile_(lockFile) {}

PortHold::~PortHold() {
  Holds& holds = TheHolds();
  std::lock_guard<std::mutex> guard(holds.mutex);
  const auto found = holds.counts.find(key_);
  if (found == holds.counts.end() || --found->second > 0) return;
  holds.counts.erase(found);
  // Only a lock that still names this process is ours to remove.
  if (lockFile_ && ReadOwner(key_) == ::getpid()) ::unlink(key_.c_str());
}

}  // namespace platform
