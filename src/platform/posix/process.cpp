// The current directory, the version record and the search of a directory
// for one name.

#include "platform/process.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>

namespace platform {

extern const char kFolderSeparator = '/';

bool EndsWithFolderSeparator(const std::string& path) { return !path.empty() && path.back() == '/'; }

namespace {

std::string Join(const std::string& dir, const std::string& name) {
  if (dir.empty()) return name;
  return EndsWithFolderSeparator(dir) ? dir + name : dir + '/' + name;
}

// The name of the entry matching `name` exactly or, failing that, in
// another letter case (the first in name order); empty when none.
std::string FindEntryName(const std::string& dir, const std::string& name) {
  if (name.empty()) return {};
  struct stat info {};
  if (::lstat(Join(dir.empty() ? "." : dir, name).c_str(), &info) == 0) return name;
  std::unique_ptr<DIR, int (*)(DIR*)> listing(::opendir(dir.empty() ? "." : dir.c_str()), ::closedir);
  if (!listing) return {};
  std::string found;
  while (const dirent* entry = ::readdir(listing.get())) {
    const std::string candidate = entry->d_name;
    if (::strcasecmp(candidate.c_str(), name.c_str()) == 0 && (found.empty() || candidate < found)) {
      found = candidate;
    }
  }
  return found;
}

}  // namespace

std::string CurrentDirectory() {
  // glibc allocates a buffer as long as the path needs.
  std::unique_ptr<char, void (*)(void*)> path(::getcwd(nullptr, 0), std::free);
  return path ? std::string(path.get()) : std::string();
}

std::optional<VersionRecord> QueryVersion(bool /*extended*/) {
#ifdef __linux__
  // This platform layer stands in for the family the program was made for.
  return VersionRecord{kPlatformFamily1, 4, 10, 2222, "Linux"};
#else
  return VersionRecord{kPlatformNt, 10, 0, 0, "unsupported"};
#endif
}

bool EntryExists(const std::string& dir, const std::string& name) { return !FindEntryName(dir, name).empty(); }

std::string FindEntryPath(const std::string& dir, const std::string& name) {
  const std::string found = FindEntryName(dir, name);
  return Join(dir, found.empty() ? name : found);
}

}  // namespace platform
