// The wait for an append file's lock, the same on every system: the threads
// of this process in turn, then polls of the lock on the program's clock.

#include <algorithm>

#include "platform/append_file.h"
#include "platform/clock.h"

namespace platform {
namespace {

// Long enough not to spin, short enough that a lock let go between two
// quick writers is seen.
constexpr Micros kPollMicros = 10'000;

std::mutex& AppendTurns() {
  static std::mutex turns;
  return turns;
}

}  // namespace

LockResult AppendFile::Lock(std::uint32_t boundMs, const std::function<bool()>& stopped) {
  std::unique_lock<std::mutex> turn(AppendTurns());
  const std::shared_ptr<Clock> clock = CurrentClock();
  const Micros deadline = clock->Now() + static_cast<Micros>(boundMs) * 1000;
  for (;;) {
    LockResult result = TryLock();
    if (result.outcome == LockResult::Outcome::Locked) turn_ = std::move(turn);
    if (result.outcome != LockResult::Outcome::Held) return result;
    if (clock->Now() >= deadline) return result;
    if (stopped && stopped()) return {LockResult::Outcome::Stopped, {}};
    clock->SleepUntil(std::min(deadline, clock->Now() + kPollMicros));
  }
}

}  // namespace platform
