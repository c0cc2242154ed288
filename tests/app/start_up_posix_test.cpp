// A second process of the program on Linux, forked while the first holds
// the instance guard.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "app/upgrade_app.h"
#include "i18n/temp_folder.h"
#include "support/guard_probe.h"
#include "wizard/dialog_window.h"

namespace app {
namespace {

// A second process started while the first runs ends at once with status 0
// and never asks for a window.
TEST(StartUpProcess, SecondProcessEndsWithStatusZero) {
  testing_support::TempFolder folder;
  StartUpServices services;
  services.languageId = [] { return std::uint16_t{1042}; };
  services.currentDirectory = [&folder] { return folder.Path(); };
  services.instanceName = "quorrel-test-startup-process-" + std::to_string(::getpid());
  bool exists = false;
  auto first = testing_support::AcquireGuard(services.instanceName, &exists);
  ASSERT_TRUE(first.has_value());

  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    UpgradeApp second(services, platform::kCodePageUtf8);
    second.StartUp([]() -> std::unique_ptr<wizard::DialogWindow> { ::_exit(3); });
    ::_exit(second.End() == StartUpEnd::SecondInstance ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
}  // namespace app
