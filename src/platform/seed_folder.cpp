// Seeding the user's data folder from the shipped one.

#include <filesystem>
#include <system_error>

#include "platform/install_paths.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

// The image folders the chooser opens, made empty for the user to fill.
constexpr const char* kImageFolders[] = {"Image/Apex", "Image/Tern"};
// What of the shipped folder is data. On Windows that folder is the
// programs' own, and the programs themselves are no data.
constexpr const char* kShippedData[] = {"Lang", "Image", "PATCH.TXT"};

// A file the user's folder lacks; one already there is left as the user made it.
void CopyIfMissing(const fs::path& from, const fs::path& to) {
  std::error_code ignored;
  if (fs::is_regular_file(from, ignored) && !fs::exists(to, ignored)) {
    fs::copy_file(from, to, fs::copy_options::skip_existing, ignored);
  }
}

// Each file on its own: one that cannot be copied does not stop the rest.
void SeedTree(const fs::path& from, const fs::path& to) {
  std::error_code error;
  fs::create_directories(to, error);
  for (auto it = fs::recursive_directory_iterator(from, error); !error && it != fs::recursive_directory_iterator();
       it.increment(error)) {
    const fs::path target = to / fs::relative(it->path(), from, error);
    if (error) break;
    std::error_code ignored;
    if (it->is_directory(ignored)) {
      fs::create_directories(target, ignored);
    } else {
      CopyIfMissing(it->path(), target);
    }
  }
}

}  // namespace

bool SeedFolder(const std::string& from, const std::string& to) {
  std::error_code error;
  fs::create_directories(to, error);
  if (error) return false;
  for (const char* entry : kShippedData) {
    const fs::path shipped = fs::path(from) / entry;
    if (fs::is_directory(shipped, error)) {
      SeedTree(shipped, fs::path(to) / entry);
    } else {
      CopyIfMissing(shipped, fs::path(to) / entry);
    }
  }
  for (const char* folder : kImageFolders) {
    std::error_code ignored;
    fs::create_directories(fs::path(to) / folder, ignored);
  }
  return fs::is_directory(to, error);
}

}  // namespace platform
