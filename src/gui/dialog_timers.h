#pragma once
// The dialog's timers, one per identifier, delivered on the dialog's thread.
// In the program they are the event loop's timers. With clock timers they
// follow platform::CurrentClock() instead: each event waits on the clock
// until it is due (no wait at all under a test's virtual clock), so a
// window test never depends on the wall clock.

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>

#include "platform/clock.h"

namespace gui {

class DialogTimers {
 public:
  using Fire = std::function<void(int timerId)>;

  DialogTimers(QObject& context, bool followClock) : context_(context), followClock_(followClock) {}

  void SetFire(Fire fire) { fire_ = std::move(fire); }
  // Starts or restarts timer `id` with `periodMs`.
  void Start(int id, std::uint32_t periodMs);
  void Stop(int id);
  void StopAll();
  bool Active(int id) const;

 private:
  struct ClockTimer {
    std::uint64_t generation;
    platform::Micros due;
    platform::Micros period;
  };

  void StartOnLoop(int id, std::uint32_t periodMs);
  void StartOnClock(int id, std::uint32_t periodMs);
  void ScheduleClockEvent(int id, std::uint64_t generation);
  void ClockEvent(int id, std::uint64_t generation);

  QObject& context_;
  bool followClock_;
  Fire fire_;
  std::map<int, std::unique_ptr<QTimer>> loopTimers_;
  std::map<int, ClockTimer> clockTimers_;
  std::uint64_t nextGeneration_ = 1;
};

}  // namespace gui
