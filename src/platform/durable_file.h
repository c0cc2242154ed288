#pragma once
// Small files that must outlive a crash, a kill or a power cut whole: a
// reader finds the old contents or the new, never a torn mix, and a file
// once removed stays removed.

#include <string>
#include <vector>

#include "platform/result.h"

namespace platform {

// Writes `contents` as `folder` + `name` (`folder` ends with '/'; `name` is
// a plain file name). The folder is made, private to the user, when it is
// missing. The bytes go to a temporary name of this process in the same
// folder, created exclusively and never through a link, are synced to disk,
// and take `name`'s place in one rename; the folder is synced so that the
// new name lasts too.
Result<bool> WriteFileDurably(const std::string& folder, const std::string& name, const std::string& contents);

// Removes `folder` + `name` and syncs the folder. A file that is not there
// counts as removed.
Result<bool> RemoveFileDurably(const std::string& folder, const std::string& name);

// The names of the regular files in `folder` that end with `suffix`, in
// order; names beginning with a dot (temporaries) and links are left out.
// Empty when the folder cannot be read.
std::vector<std::string> ListFiles(const std::string& folder, const std::string& suffix);

}  // namespace platform
