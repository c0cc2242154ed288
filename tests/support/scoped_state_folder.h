#pragma once
// A state folder of its own for a test or a benchmark: XDG_STATE_HOME points
// into a fresh temporary folder while it lives, so that no upgrade run here
// writes its journal into the user's real home, and no note one test leaves
// is found by another. Programs started meanwhile inherit it.

#include <stdlib.h>

#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

namespace testing_support {

class ScopedStateFolder {
 public:
  ScopedStateFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quorrel-state-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) root_ = pattern;
    if (const char* previous = ::getenv(kVariable)) previous_ = previous;
    ::setenv(kVariable, root_.c_str(), 1);
  }
  ~ScopedStateFolder() {
    if (previous_) {
      ::setenv(kVariable, previous_->c_str(), 1);
    } else {
      ::unsetenv(kVariable);
    }
    std::error_code ignored;
    if (!root_.empty()) std::filesystem::remove_all(root_, ignored);
  }
  ScopedStateFolder(const ScopedStateFolder&) = delete;
  ScopedStateFolder& operator=(const ScopedStateFolder&) = delete;

  // The folder the program keeps its journal in, ending with '/'.
  std::string JournalFolder() const { return root_.string() + "/quorrel-upgrade/"; }

 private:
  static constexpr const char* kVariable = "XDG_STATE_HOME";
  std::filesystem::path root_;
  std::optional<std::string> previous_;
};

}  // namespace testing_support
