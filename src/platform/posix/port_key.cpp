// A key of a port's hold on Linux is a lock file in the shared lock folder,
// named by the device itself so that a link and the device it points to
// share it; a held tty is kept open while its lock stands.

#include "platform/port_key.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/lock_file.h"
#include "platform/port_identity.h"
#include "platform/tty_device.h"

namespace platform {
namespace {

constexpr const char* kLockFolderVariable = "QUORREL_LOCK_DIR";
constexpr const char* kDefaultLockFolder = "/run/lock";

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

std::string FolderText(const std::string& problem) {
  return "the lock folder " + LockFolder() + " cannot take lock files: " + problem;
}

template <typename T>
Result<T> Refusal(const LockTaking& taking) {
  switch (taking.outcome) {
    case LockTaking::Outcome::Held:
      return Result<T>::Failure(Error::Busy, "held by " + DescribeHolder(LockHolder{taking.processId}));
    case LockTaking::Outcome::FolderUnusable: return Result<T>::Failure(Error::LockFolderUnusable, FolderText(taking.reason));
    case LockTaking::Outcome::NotTaken:
    case LockTaking::Outcome::Taken: break;
  }
  return Result<T>::Failure(Error::LockNotTaken, taking.reason);
}

// The tty closes while the lock still stands, then the lock goes.
class LockFileKey final : public KeyLock {
 public:
  LockFileKey(std::string path, const std::string& ttyPath)
      : path_(std::move(path)), tty_(ttyPath.empty() ? nullptr : KeepTtyOpen(ttyPath)) {}
  ~LockFileKey() override {
    tty_.reset();
    ReleaseLock(path_);
  }
  LockFileKey(const LockFileKey&) = delete;
  LockFileKey& operator=(const LockFileKey&) = delete;

 private:
  std::string path_;
  std::unique_ptr<KeptTty> tty_;
};

}  // namespace

std::string LockFolder() {
  const char* folder = std::getenv(kLockFolderVariable);
  return folder != nullptr && *folder != '\0' ? folder : kDefaultLockFolder;
}

std::string DeviceKey(const std::string& resolvedName) {
  std::error_code error;
  const std::filesystem::path real = std::filesystem::canonical(resolvedName, error);
  const std::string device = error ? resolvedName : real.string();
  const std::size_t slash = device.rfind('/');
  return LockFolder() + "/LCK.." + Sanitised(slash == std::string::npos ? device : device.substr(slash + 1));
}

std::string NetworkKey(const std::string& address, std::uint16_t port) {
  return LockFolder() + "/LCK..rfc2217_" + Sanitised(address) + "_" + std::to_string(port);
}

Result<std::unique_ptr<KeyLock>> TakeKeyLock(const std::string& key, const std::string& ttyPath) {
  const LockTaking taking = TakeLock(key);
  if (taking.outcome != LockTaking::Outcome::Taken) return Refusal<std::unique_ptr<KeyLock>>(taking);
  return {std::make_unique<LockFileKey>(key, ttyPath), Error::None, {}};
}

Result<std::optional<LockHolder>> KeyHolderElsewhere(const std::vector<std::string>& keys) {
  using Answer = Result<std::optional<LockHolder>>;
  if (const auto problem = LockFolderTrouble(LockFolder())) {
    return Answer::Failure(Error::LockFolderUnusable, FolderText(*problem));
  }
  for (const std::string& key : keys) {
    const LockReading reading = ReadLock(key);
    if (NamesAnotherHolder(reading)) return {LockHolder{reading.processId}, Error::None, {}};
  }
  return {};
}

std::string ProgramNameOf(std::int64_t processId) {
  std::ifstream file("/proc/" + std::to_string(processId) + "/comm");
  std::string name;
  std::getline(file, name);
  return name;
}

std::optional<LockFolderProblem> CheckLockFolder(const std::string& portName) {
  if (!IdentifyPortName(portName).lockFiles) return std::nullopt;
  const std::string folder = LockFolder();
  if (const auto problem = LockFolderTrouble(folder)) return LockFolderProblem{folder, *problem};
  return std::nullopt;
}

}  // namespace platform
