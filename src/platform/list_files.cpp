// Listing a folder needs nothing of the system that the standard library
// does not give on every system.

#include <algorithm>
#include <filesystem>

#include "platform/durable_file.h"

namespace platform {

std::vector<std::string> ListFiles(const std::string& folder, const std::string& suffix) {
  namespace fs = std::filesystem;
  std::vector<std::string> names;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    std::error_code ignored;
    if (name.starts_with(".") || !name.ends_with(suffix)) continue;
    if (it->symlink_status(ignored).type() == fs::file_type::regular) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace platform
