#include "app/layout.h"

#include "platform/process.h"

namespace app {

Layout ComputeLayout(const std::string& currentDirectory) {
  // A directory the system could not tell is the current one all the same.
  const std::string directory = currentDirectory.empty() ? "." : currentDirectory;
  const bool root = directory.back() == '/';
  const std::string folder = root ? directory : directory + "/";

  Layout layout;
  layout.baseFolder = folder;
  if (platform::EntryExists(directory, "Upgrade")) {
    layout.baseFolder = platform::FindEntryPath(folder, "Upgrade") + "/";
  }
  layout.patchFilePath = platform::FindEntryPath(layout.baseFolder, "PATCH.TXT");
  return layout;
}

}  // namespace app
