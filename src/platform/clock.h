#pragma once
// The program's one clock: every pause and every millisecond tick count goes
// through it. The program runs on the real clock; tests install a virtual one
// so that minutes of fixed pauses pass in no time and nothing races the wall.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

namespace platform {

// Microseconds on the clock's own monotonic time line.
using Micros = std::int64_t;
inline constexpr Micros kNever = INT64_MAX;

// Something that lives on the time line of a virtual clock (a simulated
// device). It is told when time moves and is asked to settle: to let the
// threads it feeds catch up with the new time before the clock's owner goes on.
class TimeObserver {
 public:
  virtual ~TimeObserver() = default;
  virtual void TimeAdvanced() = 0;
  virtual void Settle() = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;

  virtual Micros Now() = 0;
  // A pause of the program's time line, until the clock reads `until`.
  virtual void SleepUntil(Micros until) = 0;
  // A short pause of a background thread (the port watcher) that must not move
  // a virtual time line: the real clock sleeps, a virtual one only yields.
  virtual void IdlePause(std::uint32_t ms) = 0;
  // Waits on `cv` (with `lock` held on entry and exit) until `ready()` holds or
  // the clock reaches `until`. A foreground wait moves a virtual clock to
  // `until` if nothing else wakes it; a background wait leaves moving time to
  // the program's own thread. Returns ready().
  virtual bool WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
                         Micros until, const std::function<bool()>& ready, bool foreground) = 0;
  // Observers are held weakly; a virtual clock calls them, the real one ignores them.
  virtual void AddObserver(std::weak_ptr<TimeObserver> observer) = 0;

  void Sleep(std::uint32_t ms) { SleepUntil(Now() + static_cast<Micros>(ms) * 1000); }
  // Milliseconds, wrapping at 2^32 like the platform's tick count.
  std::uint32_t TickCount() { return static_cast<std::uint32_t>(Now() / 1000); }
};

// The clock the program uses right now. The caller shares it: a clock
// replaced meanwhile (a test's ScopedClock going) stays alive for the caller.
std::shared_ptr<Clock> CurrentClock();

// Installs a clock for the life of the object (tests); restores the previous one.
class ScopedClock {
 public:
  explicit ScopedClock(std::shared_ptr<Clock> clock);
  ~ScopedClock();
  ScopedClock(const ScopedClock&) = delete;
  ScopedClock& operator=(const ScopedClock&) = delete;

 private:
  std::shared_ptr<Clock> previous_;
};

std::shared_ptr<Clock> MakeRealClock();
std::shared_ptr<Clock> MakeVirtualClock(Micros start = 1'000'000);

}  // namespace platform
