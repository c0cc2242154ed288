#pragma once
// Where the program finds its files: the current directory when it holds the
// texts, else, for an installed program, the user's own data folder.

#include <string>

namespace app {

struct Layout {
  std::string baseFolder;     // ends with a folder separator; holds Lang/, Image/ and PATCH.TXT
  std::string patchFilePath;  // the boot-loader patch file
};

// A current directory holding an entry named Upgrade (file or folder, in any
// letter case) puts everything under that entry; otherwise the current
// directory itself is the base folder.
Layout ComputeLayout(const std::string& currentDirectory);

// The folders of an installed program; both empty for a build tree.
struct InstalledFolders {
  std::string shared;  // the shipped texts and PATCH.TXT, "<prefix>/share/quorrel-upgrade/"
  std::string user;    // the user's data folder, seeded from `shared`
};

// This program's: found beside its executable, with the user's folder from
// the environment.
InstalledFolders InstalledFoldersOfThisProgram();

// The current directory's layout when its base folder holds Lang/, as
// always. Otherwise an installed program uses the user's data folder,
// seeded with the shipped files it lacks (or, when that cannot be made, the
// shipped folder itself); a build tree keeps the current directory's layout.
Layout ChooseLayout(const std::string& currentDirectory, const InstalledFolders& installed);

}  // namespace app
