#include "platform/install_paths.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace platform {
namespace {

namespace fs = std::filesystem;

constexpr const char* kDataFolderName = "quorrel-upgrade";

std::string WithSlash(const fs::path& path) {
  std::string text = path.string();
  if (text.empty() || text.back() != '/') text += '/';
  return text;
}

// "$VARIABLE/quorrel-upgrade/", else "$HOME/<fallback>/quorrel-upgrade/".
std::string UserFolder(const GetEnvironment& getEnvironment, const char* variable, const char* fallback) {
  // The base directory specification ignores a relative XDG_..._HOME.
  const char* set = getEnvironment(variable);
  if (set != nullptr && set[0] == '/') return WithSlash(fs::path(set) / kDataFolderName);
  const char* home = getEnvironment("HOME");
  if (home == nullptr || home[0] != '/') return {};
  return WithSlash(fs::path(home) / fallback / kDataFolderName);
}

}  // namespace

std::string ExecutableFolder() {
  std::error_code error;
  const fs::path program = fs::read_symlink("/proc/self/exe", error);
  if (error || !program.has_parent_path()) return {};
  return WithSlash(program.parent_path());
}

std::string InstalledDataFolder(const std::string& executableFolder) {
  if (executableFolder.empty()) return {};
  const fs::path bin = fs::path(executableFolder).lexically_normal().parent_path();
  if (bin.filename() != "bin") return {};
  const fs::path data = bin.parent_path() / "share" / kDataFolderName;
  std::error_code error;
  if (!fs::is_directory(data / "Lang", error)) return {};
  return WithSlash(data);
}

std::string UserDataFolder(const GetEnvironment& getEnvironment) {
  return UserFolder(getEnvironment, "XDG_DATA_HOME", ".local/share");
}

std::string UserStateFolder(const GetEnvironment& getEnvironment) {
  return UserFolder(getEnvironment, "XDG_STATE_HOME", ".local/state");
}

std::string UserStateFolder() {
  return UserStateFolder([](const char* name) { return std::getenv(name); });
}

}  // namespace platform
