#pragma once
// A lock folder of the test's own: $QUORREL_LOCK_DIR names it while the
// object lives, so no test touches the system's /run/lock; the folder named
// before is named again afterwards.

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace testing_support {

class ScopedLockFolder {
 public:
  explicit ScopedLockFolder(const std::string& name = "locks")
      : path_(std::filesystem::temp_directory_path() / ("quorrel-" + name + "-" + std::to_string(::getpid()))) {
    if (const char* before = std::getenv(kVariable)) before_ = before;
    std::filesystem::create_directories(path_);
    ::setenv(kVariable, path_.c_str(), 1);
  }
  ~ScopedLockFolder() {
    if (before_) {
      ::setenv(kVariable, before_->c_str(), 1);
    } else {
      ::unsetenv(kVariable);
    }
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScopedLockFolder(const ScopedLockFolder&) = delete;
  ScopedLockFolder& operator=(const ScopedLockFolder&) = delete;

  const std::filesystem::path& Path() const { return path_; }

 private:
  static constexpr const char* kVariable = "QUORREL_LOCK_DIR";
  std::filesystem::path path_;
  std::optional<std::string> before_;
};

}  // namespace testing_support
