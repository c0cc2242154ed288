#pragma once
// A lock folder of the test's own: $QUORREL_LOCK_DIR names it while the
// object lives, so no test touches the system's /run/lock.

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace testing_support {

class ScopedLockFolder {
 public:
  explicit ScopedLockFolder(const std::string& name = "locks")
      : path_(std::filesystem::temp_directory_path() / ("quorrel-" + name + "-" + std::to_string(::getpid()))) {
    std::filesystem::create_directories(path_);
    ::setenv("QUORREL_LOCK_DIR", path_.c_str(), 1);
  }
  ~ScopedLockFolder() {
    ::unsetenv("QUORREL_LOCK_DIR");
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScopedLockFolder(const ScopedLockFolder&) = delete;
  ScopedLockFolder& operator=(const ScopedLockFolder&) = delete;

  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace testing_support
