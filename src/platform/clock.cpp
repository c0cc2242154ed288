#include "platform/clock.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "platform/system_time.h"

namespace platform {
namespace {

class RealClock final : public Clock {
 public:
  Micros Now() override { return system_time::MonotonicMicros(); }
  void SleepUntil(Micros until) override { system_time::PauseMicros(until - Now()); }
  void IdlePause(std::uint32_t ms) override { system_time::PauseMicros(static_cast<Micros>(ms) * 1000); }
  // The deadline is on this clock's time line, which need not be the
  // condition variable's: the wait goes by what is left of it.
  bool WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv, Micros until,
                 const std::function<bool()>& ready, bool /*foreground*/) override {
    if (until == kNever) {
      cv.wait(lock, ready);
      return true;
    }
    while (!ready()) {
      const Micros left = until - Now();
      if (left <= 0) return false;
      cv.wait_for(lock, std::chrono::microseconds(left));
    }
    return true;
  }
  void AddObserver(std::weak_ptr<TimeObserver>) override {}
};

// Time moves only when the program's own thread pauses or waits in the
// foreground. Before and after each move, observers settle, so a watcher
// thread has taken what became ready before the pausing thread looks.
class VirtualClock final : public Clock {
 public:
  explicit VirtualClock(Micros start) : now_(start) {}

  Micros Now() override { return now_.load(); }

  void SleepUntil(Micros until) override {
    SettleAll();
    Micros now = now_.load();
    while (until > now && !now_.compare_exchange_weak(now, until)) {
    }
    NotifyAll();
    SettleAll();
  }

  void IdlePause(std::uint32_t) override { std::this_thread::yield(); }

  bool WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv, Micros until,
                 const std::function<bool()>& ready, bool foreground) override {
    if (ready()) return true;
    if (foreground) {
      if (until == kNever) {
        cv.wait(lock, ready);
        return true;
      }
      lock.unlock();
      SleepUntil(until);
      lock.lock();
      return ready();
    }
    cv.wait(lock, [&] { return ready() || now_.load() >= until; });
    return ready();
  }

  void AddObserver(std::weak_ptr<TimeObserver> observer) override {
    std::lock_guard<std::mutex> guard(mutex_);
    observers_.push_back(std::move(observer));
  }

 private:
  std::vector<std::shared_ptr<TimeObserver>> Live() {
    std::lock_guard<std::mutex> guard(mutex_);
    std::vector<std::shared_ptr<TimeObserver>> live;
    std::erase_if(observers_, [&](const std::weak_ptr<TimeObserver>& weak) {
      auto strong = weak.lock();
      if (!strong) return true;  // gone: forget it
      live.push_back(std::move(strong));
      return false;
    });
    return live;
  }
  void NotifyAll() {
    for (auto& observer : Live()) observer->TimeAdvanced();
  }
  void SettleAll() {
    for (auto& observer : Live()) observer->Settle();
  }

  std::atomic<Micros> now_;
  std::mutex mutex_;
  std::vector<std::weak_ptr<TimeObserver>> observers_;
};

std::mutex g_clockMutex;
std::shared_ptr<Clock> g_clock;

std::shared_ptr<Clock> Current() {
  std::lock_guard<std::mutex> guard(g_clockMutex);
  if (!g_clock) g_clock = MakeRealClock();
  return g_clock;
}

std::shared_ptr<Clock> Exchange(std::shared_ptr<Clock> next) {
  std::lock_guard<std::mutex> guard(g_clockMutex);
  std::swap(g_clock, next);
  return next;
}

}  // namespace

std::shared_ptr<Clock> CurrentClock() { return Current(); }

ScopedClock::ScopedClock(std::shared_ptr<Clock> clock) : previous_(Exchange(std::move(clock))) {}
ScopedClock::~ScopedClock() { Exchange(std::move(previous_)); }

std::shared_ptr<Clock> MakeRealClock() { return std::make_shared<RealClock>(); }
std::shared_ptr<Clock> MakeVirtualClock(Micros start) { return std::make_shared<VirtualClock>(start); }

}  // namespace platform
