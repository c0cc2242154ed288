#include "gui/dialog_timers.h"

namespace gui {

void DialogTimers::Start(int id, std::uint32_t periodMs) {
  if (followClock_) {
    StartOnClock(id, periodMs);
  } else {
    StartOnLoop(id, periodMs);
  }
}

void DialogTimers::Stop(int id) {
  loopTimers_.erase(id);
  clockTimers_.erase(id);
}

void DialogTimers::StopAll() {
  loopTimers_.clear();
  clockTimers_.clear();
}

bool DialogTimers::Active(int id) const { return loopTimers_.contains(id) || clockTimers_.contains(id); }

void DialogTimers::StartOnLoop(int id, std::uint32_t periodMs) {
  auto& timer = loopTimers_[id];
  if (!timer) {
    timer = std::make_unique<QTimer>();
    QObject::connect(timer.get(), &QTimer::timeout, &context_, [this, id] {
      if (fire_) fire_(id);
    });
  }
  timer->start(static_cast<int>(periodMs));
}

void DialogTimers::StartOnClock(int id, std::uint32_t periodMs) {
  const platform::Micros period = static_cast<platform::Micros>(periodMs) * 1000;
  const std::uint64_t generation = nextGeneration_++;
  clockTimers_[id] = ClockTimer{generation, platform::CurrentClock()->Now() + period, period};
  ScheduleClockEvent(id, generation);
}

void DialogTimers::ScheduleClockEvent(int id, std::uint64_t generation) {
  QTimer::singleShot(0, &context_, [this, id, generation] { ClockEvent(id, generation); });
}

void DialogTimers::ClockEvent(int id, std::uint64_t generation) {
  auto timer = clockTimers_.find(id);
  if (timer == clockTimers_.end() || timer->second.generation != generation) return;  // stopped or restarted
  platform::CurrentClock()->SleepUntil(timer->second.due);
  timer->second.due += timer->second.period;
  if (fire_) fire_(id);
  // The handler may have stopped or restarted this timer.
  timer = clockTimers_.find(id);
  if (timer != clockTimers_.end() && timer->second.generation == generation) ScheduleClockEvent(id, generation);
}

}  // namespace gui
