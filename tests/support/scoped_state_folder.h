#pragma once
// A state folder of its own for a test or a benchmark: the variable the
// program finds its state folder by (XDG_STATE_HOME on Linux, LOCALAPPDATA
// on Windows) points into a fresh temporary folder while it lives, so that
// no upgrade run here writes its journal into the user's real home, and no
// note one test leaves is found by another. Programs started meanwhile
// inherit it.

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

#include "support/test_os.h"

namespace testing_support {

class ScopedStateFolder {
 public:
  ScopedStateFolder() : root_(testsupport::MakeScratchFolder("quorrel-state")) {
    if (const char* previous = std::getenv(kVariable)) previous_ = previous;
    testsupport::SetEnv(kVariable, root_.string());
  }
  ~ScopedStateFolder() {
    if (previous_) {
      testsupport::SetEnv(kVariable, *previous_);
    } else {
      testsupport::UnsetEnv(kVariable);
    }
    std::error_code ignored;
    if (!root_.empty()) std::filesystem::remove_all(root_, ignored);
  }
  ScopedStateFolder(const ScopedStateFolder&) = delete;
  ScopedStateFolder& operator=(const ScopedStateFolder&) = delete;

  // The folder the program keeps its journal in, ending with a separator.
  std::string JournalFolder() const { return root_.string() + kJournalBelowRoot; }

#ifdef _WIN32
  static constexpr const char* kVariable = "LOCALAPPDATA";
  static constexpr const char* kJournalBelowRoot = "\\Quorrel Upgrade\\State\\";
#else
  static constexpr const char* kVariable = "XDG_STATE_HOME";
  static constexpr const char* kJournalBelowRoot = "/quorrel-upgrade/";
#endif

 private:
  std::filesystem::path root_;
  std::optional<std::string> previous_;
};

}  // namespace testing_support
