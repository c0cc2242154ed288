#include "bootloader/image_line.h"

namespace bootloader {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

ImageLine Malformed(ImageLineProblem problem, std::size_t column, std::size_t width) {
  ImageLine parsed;
  parsed.kind = ImageLineKind::Malformed;
  parsed.problem = problem;
  parsed.column = column;
  parsed.width = width;
  return parsed;
}

// "@F000": blanks, an optional 0x, the digits, trailing blanks. A longer
// number keeps its low 16 bits.
ImageLine ParseAddressLine(std::string_view text) {
  std::size_t pos = 1;
  while (pos < text.size() && IsBlank(text[pos])) ++pos;
  if (text.substr(pos, 2) == "0x" || text.substr(pos, 2) == "0X") pos += 2;
  std::uint32_t address = 0;
  std::size_t digits = 0;
  for (; pos < text.size() && HexDigit(text[pos]) >= 0; ++pos, ++digits) {
    address = ((address << 4) | static_cast<std::uint32_t>(HexDigit(text[pos]))) & 0xFFFF;
  }
  while (pos < text.size() && IsBlank(text[pos])) ++pos;
  if (digits == 0 || pos != text.size()) return Malformed(ImageLineProblem::NoAddress, 1, text.size() - 1);
  ImageLine parsed;
  parsed.kind = ImageLineKind::Address;
  parsed.address = static_cast<std::uint16_t>(address);
  return parsed;
}

ImageLine ParseDataLine(std::string_view text) {
  ImageLine parsed;
  std::size_t pos = 0;
  for (;;) {
    while (pos < text.size() && IsBlank(text[pos])) ++pos;
    if (pos == text.size()) return parsed;
    const std::size_t start = pos;
    while (pos < text.size() && !IsBlank(text[pos])) ++pos;
    const std::string_view value = text.substr(start, pos - start);
    if (value.size() != 2 || HexDigit(value[0]) < 0 || HexDigit(value[1]) < 0) {
      return Malformed(ImageLineProblem::NotHexValue, start, value.size());
    }
    if (parsed.count == parsed.values.size()) return Malformed(ImageLineProblem::TooManyValues, start, 2);
    parsed.values[parsed.count++] = static_cast<std::uint8_t>(HexDigit(value[0]) * 16 + HexDigit(value[1]));
  }
}

}  // namespace

std::string_view ImageLineText(std::string_view line) {
  if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

ImageLine ParseImageLine(std::string_view line) {
  const std::string_view text = ImageLineText(line);
  if (!text.empty() && text[0] == '@') return ParseAddressLine(text);
  if (!text.empty() && text[0] == 'q') {
    ImageLine parsed;
    parsed.kind = ImageLineKind::End;
    return parsed;
  }
  return ParseDataLine(text);
}

}  // namespace bootloader
