#pragma once
// The system's own monotonic time and pauses, which the real clock stands on.
// Each backend gives them from its system's finest timer.

#include <cstdint>

namespace platform::system_time {

// Microseconds since an arbitrary start, never going back.
std::int64_t MonotonicMicros();
// Pauses the calling thread for about `micros` (never less).
void PauseMicros(std::int64_t micros);

}  // namespace platform::system_time
