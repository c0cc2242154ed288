// The system's stop signals raise a flag while the handlers are installed,
// instead of ending the process, and the previous handling comes back after.

#include <gtest/gtest.h>

#include <csignal>

#include "platform/stop_signals.h"
#include "wizard/stop_request.h"

namespace {

int previousHits = 0;
extern "C" void CountHit(int) { ++previousHits; }

TEST(StopSignals, EachSignalRaisesTheFlagEverySessionSees) {
  for (int number : {SIGINT, SIGTERM, SIGHUP}) {
    const platform::ScopedStopSignals signals;
    const wizard::StopRequest first(/*followSignals=*/true);
    const wizard::StopRequest second(/*followSignals=*/true);
    const wizard::StopRequest deaf;
    EXPECT_FALSE(first.Requested());
    ASSERT_EQ(std::raise(number), 0);
    EXPECT_TRUE(first.Requested()) << number;
    EXPECT_TRUE(second.Requested()) << number;
    EXPECT_FALSE(deaf.Requested()) << number;
    EXPECT_EQ(platform::LastStopSignal(), number);
  }
}

TEST(StopSignals, ThePreviousHandlerComesBack) {
  std::signal(SIGHUP, CountHit);
  {
    const platform::ScopedStopSignals signals;
    std::raise(SIGHUP);
    EXPECT_EQ(previousHits, 0);
  }
  std::raise(SIGHUP);
  EXPECT_EQ(previousHits, 1);
  std::signal(SIGHUP, SIG_DFL);
}

TEST(StopRequest, ARequestCanBeWithdrawn) {
  wizard::StopRequest request;
  request.Request();
  EXPECT_TRUE(request.Requested());
  request.Withdraw();
  EXPECT_FALSE(request.Requested());
}

// The window withdraws the stop that ended an upgrade: that signal is taken
// back with it, and the next one raises the request anew. Other requests of
// the process still see every signal.
TEST(StopRequest, AWithdrawnSignalIsTakenBackAndTheNextOneCounts) {
  const platform::ScopedStopSignals signals;
  wizard::StopRequest window(/*followSignals=*/true);
  const wizard::StopRequest other(/*followSignals=*/true);
  const unsigned before = platform::StopSignalCount();
  ASSERT_EQ(std::raise(SIGTERM), 0);
  EXPECT_EQ(platform::StopSignalCount(), before + 1);
  EXPECT_TRUE(window.Requested());
  window.Withdraw();
  EXPECT_FALSE(window.Requested());
  EXPECT_TRUE(other.Requested());
  ASSERT_EQ(std::raise(SIGINT), 0);
  EXPECT_TRUE(window.Requested());
  EXPECT_EQ(platform::StopSignalCount(), before + 2);
}

}  // namespace
