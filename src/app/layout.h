#pragma once
// Where the program finds its files, decided by the current directory alone.

#include <string>

namespace app {

struct Layout {
  std::string baseFolder;     // ends with '/'; holds Lang/, Image/ and PATCH.TXT
  std::string patchFilePath;  // the boot-loader patch file
};

// A current directory holding an entry named Upgrade (file or folder, in any
// letter case) puts everything under that entry; otherwise the current
// directory itself is the base folder.
Layout ComputeLayout(const std::string& currentDirectory);

}  // namespace app
