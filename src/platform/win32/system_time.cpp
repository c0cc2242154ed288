// Time from the performance counter; pauses on a high-resolution waitable
// timer, so a 10 ms pause lasts 10 ms and not a scheduler tick of 15.6.

#include <windows.h>

#include "platform/system_time.h"

namespace platform::system_time {
namespace {

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

std::int64_t CounterFrequency() {
  LARGE_INTEGER frequency{};
  QueryPerformanceFrequency(&frequency);
  return frequency.QuadPart > 0 ? frequency.QuadPart : 1;
}

// One timer per thread; null where the system has no high-resolution kind.
HANDLE ThreadTimer() {
  struct Timer {
    HANDLE handle = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, TIMER_ALL_ACCESS);
    ~Timer() {
      if (handle) CloseHandle(handle);
    }
  };
  thread_local Timer timer;
  return timer.handle;
}

}  // namespace

std::int64_t MonotonicMicros() {
  static const std::int64_t frequency = CounterFrequency();
  LARGE_INTEGER now{};
  QueryPerformanceCounter(&now);
  // Whole seconds and the rest apart, so the product never overflows.
  return now.QuadPart / frequency * 1'000'000 + now.QuadPart % frequency * 1'000'000 / frequency;
}

void PauseMicros(std::int64_t micros) {
  if (micros <= 0) return;
  if (HANDLE timer = ThreadTimer()) {
    LARGE_INTEGER due{};
    due.QuadPart = -micros * 10;  // relative, in 100 ns units
    if (SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE)) {
      WaitForSingleObject(timer, INFINITE);
      return;
    }
  }
  Sleep(static_cast<DWORD>((micros + 999) / 1000));
}

}  // namespace platform::system_time
