#pragma once
// Bytes a program on the device sends in answer to what it received, and how
// long after receiving it starts sending them.

#include <cstdint>
#include <vector>

#include "platform/clock.h"

namespace sim {

struct Emission {
  std::vector<std::uint8_t> bytes;
  platform::Micros delay = 0;
};

}  // namespace sim
