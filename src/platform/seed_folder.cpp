// Seeding the user's data folder from the shipped one.

#include <filesystem>
#include <system_error>

#include "platform/install_paths.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

// The image folders the chooser opens, made empty for the user to fill.
constexpr const char* kImageFolders[] = {"Image/Apex", "Image/Tern"};

}  // namespace

bool SeedFolder(const std::string& from, const std::string& to) {
  std::error_code error;
  fs::create_directories(to, error);
  if (error) return false;
  // Each file on its own: one that cannot be copied does not stop the rest.
  for (auto it = fs::recursive_directory_iterator(from, error); !error && it != fs::recursive_directory_iterator();
       it.increment(error)) {
    const fs::path target = fs::path(to) / fs::relative(it->path(), from, error);
    if (error) break;
    std::error_code ignored;
    if (it->is_directory(ignored)) {
      fs::create_directories(target, ignored);
    } else if (!fs::exists(target, ignored)) {
      fs::copy_file(it->path(), target, fs::copy_options::skip_existing, ignored);
    }
  }
  for (const char* folder : kImageFolders) {
    std::error_code ignored;
    fs::create_directories(fs::path(to) / folder, ignored);
  }
  return fs::is_directory(to, error);
}

}  // namespace platform
