// An installed program on Windows is a folder holding the programs beside
// their Lang\ folder and PATCH.TXT (the unpacked zip); its user's data live
// under %LOCALAPPDATA%, and what it keeps between runs in a folder of its
// own there, apart from the data the user may edit.

#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/install_paths.h"
#include "platform/process.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

constexpr const char* kDataFolderName = "Quorrel Upgrade";
constexpr const char* kStateFolderName = "State";

std::string WithSeparator(std::string path) {
  if (!EndsWithFolderSeparator(path)) path += kFolderSeparator;
  return path;
}

}  // namespace

std::string ExecutableFolder() {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);  // cut short: ask again with more room
  }
  const std::size_t separator = path.find_last_of("\\/");
  return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}

std::string InstalledDataFolder(const std::string& executableFolder) {
  if (executableFolder.empty() || !EntryExists(executableFolder, "Lang")) return {};
  return WithSeparator(executableFolder);
}

std::string UserDataFolder(const GetEnvironment& getEnvironment) {
  const char* localAppData = getEnvironment("LOCALAPPDATA");
  // Only a whole path, "C:\Users\..." or "\\server\...", is a home for the data.
  const std::string base = localAppData != nullptr ? localAppData : "";
  if (base.empty() || !fs::path(base).is_absolute()) return {};
  return WithSeparator(base) + kDataFolderName + kFolderSeparator;
}

std::string UserStateFolder(const GetEnvironment& getEnvironment) {
  const std::string data = UserDataFolder(getEnvironment);
  return data.empty() ? data : data + kStateFolderName + kFolderSeparator;
}

std::string UserStateFolder() {
  return UserStateFolder([](const char* name) { return std::getenv(name); });
}

}  // namespace platform
