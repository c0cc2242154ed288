#include "platform/system_time.h"

#include <chrono>
#include <thread>

namespace platform::system_time {

std::int64_t MonotonicMicros() {
  return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void PauseMicros(std::int64_t micros) {
  if (micros > 0) std::this_thread::sleep_for(std::chrono::microseconds(micros));
}

}  // namespace platform::system_time
