#pragma once
// The loader patch the old loaders need. The patch is entered at 0220 and is
// recognised by its layout in RAM: two bytes of entry code, the mark "QRLP",
// the body's length (little-endian, even), the body, and a check word: the
// complement of the exclusive-or of all words from 0220 up to it. A patch
// that is incomplete or damaged does not run.

#include <cstdint>

#include "sim/memory_map.h"

namespace sim {

inline constexpr std::uint16_t kPatchEntry = 0x0220;
inline constexpr std::uint16_t kLoaderRestart = 0x0C22;
// Loaders up to this version refuse flash writes without the patch.
inline constexpr std::uint16_t kLastVersionNeedingPatch = 0x0110;

bool PatchInRam(const MemoryMap& memory);

}  // namespace sim
