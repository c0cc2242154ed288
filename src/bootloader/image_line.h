#pragma once
// The lines of a firmware image file (and of the loader patch): an address
// line "@F000", data lines of two-digit hexadecimal values separated by
// single spaces, and an end line "q". Pure functions, so the reader can be
// tested and fuzzed without a device.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace bootloader {

// A line is taken at most this many characters at a time; a longer line
// goes on as the next piece.
inline constexpr std::size_t kImageLineMax = 126;
// Values a piece of kImageLineMax characters can carry (positions 0, 3, 6, ...).
inline constexpr std::size_t kMaxLineValues = kImageLineMax / 3;

enum class ImageLineKind { Address, End, Data, Malformed };

struct ImageLine {
  ImageLineKind kind = ImageLineKind::Data;
  std::uint16_t address = 0;  // Address lines: the low 16 bits of the number
  std::size_t count = 0;      // Data lines: values read
  std::array<std::uint8_t, kMaxLineValues> values{};
};

// Reads one line as taken from the file, line-end characters included.
// Data values sit at positions 0, 3, 6, ... while the position is less than
// the line's length minus 3; each is up to three hexadecimal digits after
// optional white space, and its low 8 bits count. So a line of k values
// ending in CR LF gives k bytes, and in LF alone k - 1. A value or an address
// that is not a hexadecimal number makes the line Malformed.
ImageLine ParseImageLine(std::string_view line);

}  // namespace bootloader
