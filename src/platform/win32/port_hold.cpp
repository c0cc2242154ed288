// Holds a device for a whole run with a named kernel object per port: a
// small shared memory section that names the holding process. The system
// removes it with the last handle, so a run that dies leaves nothing stale
// behind. A simulated port lives inside one process and is held there
// alone. Holds nest within a process: the object goes when the last does.

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>

#include "platform/port_hold.h"
#include "platform/port_names.h"
#include "platform/port_schemes.h"
#include "platform/rfc2217_socket.h"

namespace platform {
namespace {

constexpr const char* kObjectPrefix = "Quorrel Upgrade port ";
constexpr const char* kLockFolderVariable = "QUORREL_LOCK_DIR";

struct Hold {
  int count = 0;
  HANDLE section = nullptr;  // null for a simulated port
};

// Holds of this process by key: the kernel object's name, or the name of a
// simulated port.
struct Holds {
  std::mutex mutex;
  std::map<std::string, Hold> byKey;
};

Holds& TheHolds() {
  static Holds holds;
  return holds;
}

// Letters (as capitals: device names are blind to letter case), digits,
// '.', '-' and '_'; anything else becomes '_'.
std::string Sanitised(std::string_view text) {
  std::string out;
  for (const char c : text) {
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_';
    if (c >= 'a' && c <= 'z') {
      out += static_cast<char>(c - 'a' + 'A');
    } else {
      out += plain ? c : '_';
    }
  }
  return out;
}

// The kernel object's name for a resolved name; none for a simulated port.
std::optional<std::string> ObjectNameOf(const std::string& resolved) {
  if (IsInProcessPort(resolved)) return std::nullopt;
  if (resolved.starts_with(net::kNetworkScheme)) {
    return kObjectPrefix + ("RFC2217_" + Sanitised(resolved.substr(net::kNetworkScheme.size())));
  }
  return kObjectPrefix + Sanitised(StripDevicePrefix(resolved));
}

// The process an existing object names; nullopt when there is none.
std::optional<pid_t> ReadOwner(const std::string& name) {
  HANDLE section = OpenFileMappingA(FILE_MAP_READ, FALSE, name.c_str());
  if (section == nullptr) return std::nullopt;
  std::optional<pid_t> owner;
  if (const void* view = MapViewOfFile(section, FILE_MAP_READ, 0, 0, sizeof(DWORD))) {
    DWORD pid = 0;
    std::memcpy(&pid, view, sizeof pid);
    UnmapViewOfFile(view);
    owner = static_cast<pid_t>(pid);
  }
  CloseHandle(section);
  return owner;
}

// Creates the object naming this process; null with `owner` set when
// another process has it already.
HANDLE TakeObject(const std::string& name, std::optional<pid_t>* owner) {
  HANDLE section = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(DWORD), name.c_str());
  if (section == nullptr) return nullptr;  // no object can be made: the exclusive opens still hold
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(section);
    *owner = ReadOwner(name).value_or(0);
    return nullptr;
  }
  if (void* view = MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, sizeof(DWORD))) {
    const DWORD pid = GetCurrentProcessId();
    std::memcpy(view, &pid, sizeof pid);
    UnmapViewOfFile(view);
  }
  return section;
}

std::string ProgramName(pid_t pid) {
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
  if (process == nullptr) return {};
  char path[MAX_PATH] = {};
  DWORD size = MAX_PATH;
  const bool known = QueryFullProcessImageNameA(process, 0, path, &size) != FALSE;
  CloseHandle(process);
  if (!known) return {};
  const std::string whole(path, size);
  const std::size_t slash = whole.find_last_of("\\/");
  return slash == std::string::npos ? whole : whole.substr(slash + 1);
}

}  // namespace

// No lock files on Windows; the variable is told back for the tests'
// messages alone.
std::string LockFolder() {
  const char* folder = std::getenv(kLockFolderVariable);
  return folder != nullptr ? folder : "";
}

std::optional<pid_t> PortHeldElsewhere(const std::string& resolvedName) {
  const std::optional<std::string> name = ObjectNameOf(resolvedName);
  if (!name) return std::nullopt;
  const std::optional<pid_t> owner = ReadOwner(*name);
  if (!owner || *owner == static_cast<pid_t>(GetCurrentProcessId())) return std::nullopt;
  return owner;
}

std::string DescribeHolder(pid_t owner) {
  if (owner == 0) return "another process";
  const std::string name = ProgramName(owner);
  std::string text = "process " + std::to_string(owner);
  if (!name.empty()) text += " (" + name + ")";
  return text;
}

Result<std::unique_ptr<PortHold>> HoldPort(const std::string& portName) {
  const std::string resolved = ResolvePortName(portName);
  const std::optional<std::string> object = ObjectNameOf(resolved);
  const std::string key = object.value_or(resolved);
  Holds& holds = TheHolds();
  std::lock_guard<std::mutex> guard(holds.mutex);
  Hold& hold = holds.byKey[key];
  if (hold.count == 0 && object) {
    std::optional<pid_t> owner;
    hold.section = TakeObject(*object, &owner);
    if (owner) {
      holds.byKey.erase(key);
      return Result<std::unique_ptr<PortHold>>::Failure(Error::Busy, "held by " + DescribeHolder(*owner));
    }
  }
  ++hold.count;
  return {std::make_unique<PortHold>(key, object.has_value()), Error::None, {}};
}

PortHold::PortHold(std::string key, bool lockFile) : key_(std::move(key)), lockFile_(lockFile) {}

PortHold::~PortHold() {
  Holds& holds = TheHolds();
  std::lock_guard<std::mutex> guard(holds.mutex);
  const auto found = holds.byKey.find(key_);
  if (found == holds.byKey.end() || --found->second.count > 0) return;
  if (found->second.section != nullptr) CloseHandle(found->second.section);
  holds.byKey.erase(found);
}

}  // namespace platform
