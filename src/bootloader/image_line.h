#pragma once
// The lines of a firmware image file (and of the loader patch): an address
// line "@F000", data lines of two-digit hexadecimal values separated by
// spaces, and an end line "q". Pure functions, so the reader can be tested
// and fuzzed without a device.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace bootloader {

// The longest line the format holds, its CR LF included.
inline constexpr std::size_t kImageLineMax = 126;
// Characters of a line before its line end.
inline constexpr std::size_t kImageLineTextMax = kImageLineMax - 2;
// Values the longest line can carry.
inline constexpr std::size_t kMaxLineValues = kImageLineMax / 3;

enum class ImageLineKind { Address, End, Data, Malformed };

// What makes a line Malformed.
enum class ImageLineProblem { None, NotHexValue, NoAddress, TooManyValues };

struct ImageLine {
  ImageLineKind kind = ImageLineKind::Data;
  std::uint16_t address = 0;  // Address lines: the low 16 bits of the number
  std::size_t count = 0;      // Data lines: values read
  std::array<std::uint8_t, kMaxLineValues> values{};
  ImageLineProblem problem = ImageLineProblem::None;
  // Malformed lines: where the offending text starts and how long it is.
  std::size_t column = 0;
  std::size_t width = 0;
};

// Reads one line, with or without its line end (LF or CR LF, dropped alike:
// a line gives the same bytes either way). A data line is values of exactly
// two hexadecimal digits separated by spaces; anything else in it (a partly
// hexadecimal value such as "1G", a single digit, three digits) makes it
// Malformed. An address line holds one hexadecimal number, of which the low
// 16 bits count.
ImageLine ParseImageLine(std::string_view line);

// The line without its line end.
std::string_view ImageLineText(std::string_view line);

}  // namespace bootloader
