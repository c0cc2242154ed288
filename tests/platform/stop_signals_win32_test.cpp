// The console's requests to stop on Windows: Ctrl-C, Ctrl-Break and the
// console closing all raise the one flag the runs ask, and are counted.

#include <windows.h>

#include <gtest/gtest.h>

#include <csignal>

#include "platform/stop_signals.h"
#include "platform/win32/console_control.h"
#include "support/win32/own_console.h"

namespace {

TEST(StopSignalsWindows, EveryWayOfStoppingAConsoleProgramIsAStop) {
  EXPECT_EQ(platform::win32::StopSignalOf(CTRL_C_EVENT), SIGINT);
  EXPECT_EQ(platform::win32::StopSignalOf(CTRL_BREAK_EVENT), SIGBREAK);
  EXPECT_EQ(platform::win32::StopSignalOf(CTRL_CLOSE_EVENT), SIGTERM);
  EXPECT_EQ(platform::win32::StopSignalOf(CTRL_LOGOFF_EVENT), SIGTERM);
  EXPECT_EQ(platform::win32::StopSignalOf(CTRL_SHUTDOWN_EVENT), SIGTERM);
  EXPECT_EQ(platform::win32::StopSignalOf(99), 0);
}

// A console of the test's own takes a real Ctrl-C.
TEST(StopSignalsWindows, CtrlCOnTheConsoleRaisesTheFlagAndIsCounted) {
  const testsupport::OwnConsole console;
  if (!console.Made()) GTEST_SKIP() << "no console could be made here";
  const platform::ScopedStopSignals handlers;
  EXPECT_FALSE(platform::StopSignalRaised());
  const unsigned before = platform::StopSignalCount();
  ASSERT_TRUE(testsupport::OwnConsole::PressCtrlC()) << GetLastError();
  EXPECT_EQ(platform::StopSignalCount(), before + 1);
  EXPECT_TRUE(platform::StopSignalRaised());
  EXPECT_EQ(platform::LastStopSignal(), SIGINT);
}

}  // namespace
