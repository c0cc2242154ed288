// The instance guard across processes on Linux: seen by another process,
// and let go when its holder is killed.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "support/guard_probe.h"

namespace app {
namespace {

std::string UniqueName(const char* what) {
  return std::string("quorrel-test-") + what + "-" + std::to_string(::getpid());
}

TEST(InstanceGuard, AnotherProcessSeesTheGuard) {
  const std::string name = UniqueName("process");
  bool exists = false;
  auto guard = testing_support::AcquireGuard(name, &exists);
  ASSERT_TRUE(guard.has_value());

  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    bool childExists = false;
    const bool acquired = testing_support::AcquireGuard(name, &childExists).has_value();
    ::_exit(!acquired && childExists ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(InstanceGuard, ReleasedWhenTheHolderIsKilled) {
  const std::string name = UniqueName("killed");
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    bool exists = false;
    auto guard = testing_support::AcquireGuard(name, &exists);
    const char byte = guard ? 'y' : 'n';
    (void)!::write(ready[1], &byte, 1);
    for (;;) ::pause();
  }
  ::close(ready[1]);
  char byte = 0;
  ASSERT_EQ(::read(ready[0], &byte, 1), 1);
  ::close(ready[0]);
  ASSERT_EQ(byte, 'y');

  bool exists = false;
  EXPECT_FALSE(testing_support::AcquireGuard(name, &exists).has_value());
  EXPECT_TRUE(exists);
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  EXPECT_TRUE(testing_support::AcquireGuard(name, &exists).has_value());
  EXPECT_FALSE(exists);
}

}  // namespace
}  // namespace app
