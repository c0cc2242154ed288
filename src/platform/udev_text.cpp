#include "platform/udev_text.h"

#include <cstdint>

namespace platform {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Length of the well-formed UTF-8 sequence at `at` for a character that is not
// a control character, or 0.
std::size_t PrintableSequence(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t k) { return static_cast<std::uint8_t>(text[at + k]); };
  const std::uint8_t lead = byte(0);
  if (lead >= 0x20 && lead < 0x7F) return 1;
  std::size_t length = 0;
  std::uint32_t code = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    code = lead & 0x1Fu;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    code = lead & 0x0Fu;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    code = lead & 0x07u;
  } else {
    return 0;
  }
  if (at + length > text.size()) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    if ((byte(k) & 0xC0u) != 0x80u) return 0;
    code = (code << 6) | (byte(k) & 0x3Fu);
  }
  static constexpr std::uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (code < kSmallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  if (code < 0xA0) return 0;  // the second set of control characters
  return length;
}

}  // namespace

std::string DecodeUdevEscapes(std::string_view text) {
  std::string decoded;
  decoded.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x') {
      const int high = HexValue(text[i + 2]);
      const int low = HexValue(text[i + 3]);
      if (high >= 0 && low >= 0) {
        decoded.push_back(static_cast<char>(high * 16 + low));
        i += 3;
        continue;
      }
    }
    decoded.push_back(text[i]);
  }
  return decoded;
}

std::string CleanDisplayText(std::string_view text) {
  std::string clean;
  clean.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t length = PrintableSequence(text, i);
    if (length == 0) {
      clean.push_back('?');
      ++i;
    } else {
      clean.append(text.substr(i, length));
      i += length;
    }
  }
  return clean;
}

}  // namespace platform
