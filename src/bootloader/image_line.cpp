#include "bootloader/image_line.h"

#include <limits>

namespace bootloader {
namespace {

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A hexadecimal number as the C library's "%x" conversion with a field width
// takes it: white space skipped, then within `width` characters an optional
// sign, an optional 0x prefix and the digits. Keeps the low bits of a long
// number. False when no digit is found.
bool ReadHex(std::string_view text, std::size_t width, std::uint64_t& value) {
  std::size_t pos = 0;
  while (pos < text.size() && IsSpace(text[pos])) ++pos;
  const std::size_t end = width >= text.size() - pos ? text.size() : pos + width;
  bool negative = false;
  if (pos < end && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
  if (end - pos >= 3 && text[pos] == '0' && (text[pos + 1] == 'x' || text[pos + 1] == 'X') &&
      HexDigit(text[pos + 2]) >= 0) {
    pos += 2;
  }
  std::uint64_t result = 0;
  std::size_t digits = 0;
  for (; pos < end && HexDigit(text[pos]) >= 0; ++pos, ++digits) {
    result = (result << 4) | static_cast<std::uint64_t>(HexDigit(text[pos]));
  }
  if (digits == 0) return false;
  value = negative ? (~result + 1) : result;
  return true;
}

ImageLine ParseAddressLine(std::string_view line) {
  ImageLine parsed;
  std::uint64_t address = 0;
  if (!ReadHex(line.substr(1), std::numeric_limits<std::size_t>::max(), address)) {
    parsed.kind = ImageLineKind::Malformed;
    return parsed;
  }
  parsed.kind = ImageLineKind::Address;
  parsed.address = static_cast<std::uint16_t>(address & 0xFFFF);
  return parsed;
}

ImageLine ParseDataLine(std::string_view line) {
  ImageLine parsed;
  parsed.kind = ImageLineKind::Data;
  const auto length = static_cast<std::ptrdiff_t>(line.size());
  for (std::ptrdiff_t pos = 0; pos < length - 3; pos += 3) {
    std::uint64_t value = 0;
    // A piece longer than the reader's limit is cut before it gets here; the
    // bound only keeps a direct caller within the value array.
    if (parsed.count == parsed.values.size() ||
        !ReadHex(line.substr(static_cast<std::size_t>(pos)), 3, value)) {
      parsed.kind = ImageLineKind::Malformed;
      return parsed;
    }
    parsed.values[parsed.count++] = static_cast<std::uint8_t>(value & 0xFF);
  }
  return parsed;
}

}  // namespace

ImageLine ParseImageLine(std::string_view line) {
  if (!line.empty() && line[0] == '@') return ParseAddressLine(line);
  if (!line.empty() && line[0] == 'q') {
    ImageLine parsed;
    parsed.kind = ImageLineKind::End;
    return parsed;
  }
  return ParseDataLine(line);
}

}  // namespace bootloader
