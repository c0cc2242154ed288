#include "i18n/utf8_decoder.h"

#include <cstdint>

namespace i18n {
namespace {

// Values this far beyond U+FFFF or further are refused.
constexpr std::uint32_t kLargestBeyondBmp = 0xFFFF + 0x1000000;

struct LeadByte {
  int continuationBytes;
  std::uint32_t firstBits;
};

// nullopt for a byte that cannot start a character.
std::optional<LeadByte> ClassifyLead(unsigned char byte) {
  if (byte < 0x80) return LeadByte{0, byte};
  if (byte < 0xC0) return std::nullopt;
  if (byte < 0xE0) return LeadByte{1, byte - 0xC0u};
  if (byte < 0xF0) return LeadByte{2, byte - 0xE0u};
  if (byte < 0xF8) return LeadByte{3, byte - 0xF0u};
  if (byte < 0xFC) return LeadByte{4, byte - 0xF8u};
  return LeadByte{5, byte - 0xFCu};
}

}  // namespace

std::optional<DecodedText> DecodeUtf8(std::string_view bytes) {
  DecodedText decoded;
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    const auto lead = ClassifyLead(static_cast<unsigned char>(bytes[pos++]));
    if (!lead) return std::nullopt;
    std::uint32_t value = lead->firstBits;
    for (int i = 0; i < lead->continuationBytes; ++i) {
      if (pos >= bytes.size()) return std::nullopt;
      const auto byte = static_cast<unsigned char>(bytes[pos++]);
      if (byte < 0x80 || byte > 0xBF) return std::nullopt;
      value = value * 64 + (byte - 0x80u);
    }
    if (value <= 0xFFFF) {
      decoded.runs.back().push_back(static_cast<char16_t>(value));
    } else if (value < kLargestBeyondBmp) {
      decoded.runs.emplace_back();
    } else {
      return std::nullopt;
    }
  }
  return decoded;
}

}  // namespace i18n
