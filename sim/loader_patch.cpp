#include "sim/loader_patch.h"

#include "sim/frame_checksum.h"

namespace sim {

bool PatchInRam(const MemoryMap& memory) {
  constexpr std::uint16_t kMark = kPatchEntry + 2;
  constexpr std::uint16_t kLength = kPatchEntry + 6;
  constexpr std::uint16_t kBody = kPatchEntry + 8;
  if (memory.Read(kMark, 4) != std::vector<std::uint8_t>{'Q', 'R', 'L', 'P'}) return false;
  const unsigned length = memory.Read(kLength) | (memory.Read(kLength + 1) << 8);
  if (length % 2 != 0 || kBody + length + 2 > kRamEnd + 1u) return false;
  const auto covered = memory.Read(kPatchEntry, kBody - kPatchEntry + length);
  const auto check = FrameChecksum(covered.data(), covered.size());
  const auto stored = static_cast<std::uint16_t>(memory.Read(static_cast<std::uint16_t>(kBody + length)) |
                                                 (memory.Read(static_cast<std::uint16_t>(kBody + length + 1)) << 8));
  return check == stored;
}

}  // namespace sim
