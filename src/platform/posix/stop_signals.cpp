#include "platform/stop_signals.h"

#include <atomic>
#include <csignal>
#include <cstddef>
#include <iterator>

namespace platform {
namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

// Written from a signal handler: a lock-free atomic is all it may touch.
std::atomic<int> lastSignal{0};
std::atomic<unsigned> signalCount{0};
static_assert(std::atomic<int>::is_always_lock_free);
static_assert(std::atomic<unsigned>::is_always_lock_free);

struct sigaction previous[std::size(kStopSignals)];

extern "C" void OnStopSignal(int number) {
  lastSignal.store(number);
  signalCount.fetch_add(1);
}

}  // namespace

ScopedStopSignals::ScopedStopSignals() {
  lastSignal.store(0);
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  // Interrupted waits restart: the program's waits are short and bounded.
  action.sa_flags = SA_RESTART;
  for (std::size_t i = 0; i < std::size(kStopSignals); ++i) sigaction(kStopSignals[i], &action, &previous[i]);
}

ScopedStopSignals::~ScopedStopSignals() {
  for (std::size_t i = 0; i < std::size(kStopSignals); ++i) sigaction(kStopSignals[i], &previous[i], nullptr);
}

bool StopSignalRaised() { return lastSignal.load() != 0; }

int LastStopSignal() { return lastSignal.load(); }

unsigned StopSignalCount() { return signalCount.load(); }

}  // namespace platform
