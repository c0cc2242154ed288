#pragma once
// A moment as people and records read it: UTC, ISO 8601 to the millisecond.

#include <chrono>
#include <string>

namespace platform {

// "2026-12-07T10:00:00.000Z".
std::string UtcTimestamp(std::chrono::system_clock::time_point time);

}  // namespace platform
