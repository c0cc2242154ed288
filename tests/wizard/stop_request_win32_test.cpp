// The console's Ctrl-C stops every upgrade that follows the signals, as a
// Linux signal does; the window's withdrawn stop takes that one back alone.

#include <windows.h>

#include <gtest/gtest.h>

#include "platform/stop_signals.h"
#include "support/win32/own_console.h"
#include "wizard/stop_request.h"

namespace {

TEST(StopRequestWindows, CtrlCReachesEveryFollowerAndAWithdrawnOneCountsAgainAfterTheNext) {
  const testsupport::OwnConsole console;
  if (!console.Made()) GTEST_SKIP() << "no console could be made here";
  const platform::ScopedStopSignals signals;
  wizard::StopRequest window(/*followSignals=*/true);
  const wizard::StopRequest other(/*followSignals=*/true);
  const wizard::StopRequest deaf;
  ASSERT_TRUE(testsupport::OwnConsole::PressCtrlC());
  EXPECT_TRUE(window.Requested());
  EXPECT_TRUE(other.Requested());
  EXPECT_FALSE(deaf.Requested());
  window.Withdraw();
  EXPECT_FALSE(window.Requested());
  EXPECT_TRUE(other.Requested());
  ASSERT_TRUE(testsupport::OwnConsole::PressCtrlC());
  EXPECT_TRUE(window.Requested());
}

}  // namespace
