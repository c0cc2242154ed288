#include "app/layout.h"

#include <cstdlib>

#include "platform/install_paths.h"
#include "platform/process.h"

namespace app {

Layout ComputeLayout(const std::string& currentDirectory) {
  // A directory the system could not tell is the current one all the same.
  const std::string directory = currentDirectory.empty() ? "." : currentDirectory;
  const bool root = platform::EndsWithFolderSeparator(directory);
  const std::string folder = root ? directory : directory + platform::kFolderSeparator;

  Layout layout;
  layout.baseFolder = folder;
  if (platform::EntryExists(directory, "Upgrade")) {
    layout.baseFolder = platform::FindEntryPath(folder, "Upgrade") + platform::kFolderSeparator;
  }
  layout.patchFilePath = platform::FindEntryPath(layout.baseFolder, "PATCH.TXT");
  return layout;
}

namespace {

Layout LayoutOf(const std::string& baseFolder) {
  return Layout{baseFolder, platform::FindEntryPath(baseFolder, "PATCH.TXT")};
}

}  // namespace

InstalledFolders InstalledFoldersOfThisProgram() {
  InstalledFolders folders;
  folders.shared = platform::InstalledDataFolder(platform::ExecutableFolder());
  if (!folders.shared.empty()) folders.user = platform::UserDataFolder([](const char* name) { return std::getenv(name); });
  return folders;
}

Layout ChooseLayout(const std::string& currentDirectory, const InstalledFolders& installed) {
  Layout layout = ComputeLayout(currentDirectory);
  if (platform::EntryExists(layout.baseFolder, "Lang") || installed.shared.empty()) return layout;
  if (!installed.user.empty() && platform::SeedFolder(installed.shared, installed.user) &&
      platform::EntryExists(installed.user, "Lang")) {
    return LayoutOf(installed.user);
  }
  return LayoutOf(installed.shared);
}

}  // namespace app
