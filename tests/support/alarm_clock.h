#pragma once
// A clock with alarms over another (a test's virtual clock): an action runs
// when a pause or a foreground wait of the program first reaches its time, on
// that thread, before time moves past it. A test raises a stop, a signal or a fault at a
// chosen moment of a run this way. Everything else is the inner clock's.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include "platform/clock.h"

namespace testing_support {

class AlarmClock final : public platform::Clock {
 public:
  explicit AlarmClock(std::shared_ptr<platform::Clock> inner) : inner_(std::move(inner)) {}

  // Rings once, at `when` on the clock's time line.
  void At(platform::Micros when, std::function<void()> action) {
    std::lock_guard<std::mutex> guard(mutex_);
    alarms_.emplace(when, std::move(action));
  }
  // Rings once, `ms` from now.
  void After(std::uint32_t ms, std::function<void()> action) {
    At(Now() + static_cast<platform::Micros>(ms) * 1000, std::move(action));
  }

  // Runs `action` once, at the first pause (SleepUntil) that finds
  // `condition` true, before the pause: for a moment named by what the
  // device does rather than by the time. The pausing thread holds no lock
  // of a simulated device there, so `condition` may ask one.
  void When(std::function<bool()> condition, std::function<void()> action) {
    std::lock_guard<std::mutex> guard(mutex_);
    watches_.emplace_back(std::move(condition), std::move(action));
  }

  platform::Micros Now() override { return inner_->Now(); }
  void SleepUntil(platform::Micros until) override {
    RunWatches();
    while (auto alarm = TakeDue(until)) {
      inner_->SleepUntil(alarm->first);
      alarm->second();
    }
    inner_->SleepUntil(until);
  }
  void IdlePause(std::uint32_t ms) override { inner_->IdlePause(ms); }
  // A foreground wait moves time too (a device's reply wait): it rings the
  // alarms it passes, with the caller's lock let go meanwhile.
  bool WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv, platform::Micros until,
                 const std::function<bool()>& ready, bool foreground) override {
    while (foreground && until != platform::kNever) {
      auto alarm = TakeDue(until);
      if (!alarm) break;
      if (inner_->WaitUntil(lock, cv, alarm->first, ready, true)) {
        At(alarm->first, std::move(alarm->second));  // not reached: it waits for a later pause
        return true;
      }
      lock.unlock();
      alarm->second();
      lock.lock();
    }
    return inner_->WaitUntil(lock, cv, until, ready, foreground);
  }
  void AddObserver(std::weak_ptr<platform::TimeObserver> observer) override {
    inner_->AddObserver(std::move(observer));
  }

 private:
  using Alarm = std::pair<platform::Micros, std::function<void()>>;
  using Watch = std::pair<std::function<bool()>, std::function<void()>>;

  void RunWatches() {
    std::vector<Watch> watches;
    {
      std::lock_guard<std::mutex> guard(mutex_);
      watches.swap(watches_);
    }
    std::vector<Watch> waiting;
    for (Watch& watch : watches) {
      if (watch.first()) {
        watch.second();
      } else {
        waiting.push_back(std::move(watch));
      }
    }
    std::lock_guard<std::mutex> guard(mutex_);
    for (Watch& watch : waiting) watches_.push_back(std::move(watch));
  }

  std::optional<Alarm> TakeDue(platform::Micros until) {
    std::lock_guard<std::mutex> guard(mutex_);
    if (alarms_.empty() || alarms_.begin()->first > until) return std::nullopt;
    Alarm alarm(alarms_.begin()->first, std::move(alarms_.begin()->second));
    alarms_.erase(alarms_.begin());
    return alarm;
  }

  std::shared_ptr<platform::Clock> inner_;
  std::mutex mutex_;
  std::multimap<platform::Micros, std::function<void()>> alarms_;
  std::vector<Watch> watches_;
};

}  // namespace testing_support
