#pragma once
// The loader's frame checksum, as the device computes it: the covered bytes
// taken as 16-bit little-endian words, the complement of their exclusive-or.

#include <cstddef>
#include <cstdint>

namespace sim {

inline std::uint16_t FrameChecksum(const std::uint8_t* bytes, std::size_t count) {
  std::uint8_t even = 0;
  std::uint8_t odd = 0;
  for (std::size_t i = 0; i < count; ++i) (i % 2 == 0 ? even : odd) ^= bytes[i];
  return static_cast<std::uint16_t>(~((odd << 8) | even) & 0xFFFF);
}

}  // namespace sim
