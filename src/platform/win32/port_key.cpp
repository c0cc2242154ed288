// A key of a port's hold on Windows is a named kernel object: a small shared
// memory section that names the holding process. The system removes it with
// the last handle, so a run that dies leaves nothing stale behind, and no
// folder is needed for it.

#include "platform/port_key.h"

#include <windows.h>

#include <cstring>

#include "platform/port_names.h"
#include "platform/win32/system_error.h"

namespace platform {
namespace {

constexpr const char* kObjectPrefix = "Quorrel Upgrade port ";

// Device names are blind to letter case; an object's name is not, and takes
// no backslash.
std::string ObjectName(std::string_view text, bool capitals) {
  std::string out = kObjectPrefix;
  for (const char c : text) {
    if (c == '\\') {
      out += '_';
    } else {
      out += capitals && c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    }
  }
  return out;
}

// The process an existing object names (0 while its maker is still writing
// it); nothing when there is no such object.
std::optional<std::int64_t> ReadOwner(const std::string& name) {
  HANDLE section = OpenFileMappingA(FILE_MAP_READ, FALSE, name.c_str());
  if (section == nullptr) return std::nullopt;
  std::int64_t owner = 0;
  if (const void* view = MapViewOfFile(section, FILE_MAP_READ, 0, 0, sizeof(DWORD))) {
    DWORD pid = 0;
    std::memcpy(&pid, view, sizeof pid);
    UnmapViewOfFile(view);
    owner = pid;
  }
  CloseHandle(section);
  return owner;
}

class KernelObjectKey final : public KeyLock {
 public:
  explicit KernelObjectKey(HANDLE section) : section_(section) {}
  ~KernelObjectKey() override { CloseHandle(section_); }
  KernelObjectKey(const KernelObjectKey&) = delete;
  KernelObjectKey& operator=(const KernelObjectKey&) = delete;

 private:
  HANDLE section_;
};

}  // namespace

std::string LockFolder() { return {}; }

std::string DeviceKey(const std::string& resolvedName) { return ObjectName(StripDevicePrefix(resolvedName), true); }

std::string NetworkKey(const std::string& address, std::uint16_t port) {
  return ObjectName("rfc2217 " + address + " " + std::to_string(port), false);
}

Result<std::unique_ptr<KeyLock>> TakeKeyLock(const std::string& key, const std::string& /*ttyPath*/) {
  using Taken = Result<std::unique_ptr<KeyLock>>;
  HANDLE section = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(DWORD), key.c_str());
  if (section == nullptr) return Taken::Failure(Error::LockNotTaken, win32::SystemErrorText(GetLastError()));
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(section);
    const LockHolder holder{ReadOwner(key).value_or(0)};
    return Taken::Failure(Error::Busy, "held by " + DescribeHolder(holder));
  }
  if (void* view = MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, sizeof(DWORD))) {
    const DWORD pid = GetCurrentProcessId();
    std::memcpy(view, &pid, sizeof pid);
    UnmapViewOfFile(view);
  }
  return {std::make_unique<KernelObjectKey>(section), Error::None, {}};
}

Result<std::optional<LockHolder>> KeyHolderElsewhere(const std::vector<std::string>& keys) {
  for (const std::string& key : keys) {
    const std::optional<std::int64_t> owner = ReadOwner(key);
    if (owner && *owner != static_cast<std::int64_t>(GetCurrentProcessId())) {
      return {LockHolder{*owner}, Error::None, {}};
    }
  }
  return {};
}

std::string ProgramNameOf(std::int64_t processId) {
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(processId));
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

std::optional<LockFolderProblem> CheckLockFolder(const std::string& /*portName*/) { return std::nullopt; }

}  // namespace platform
