#include "device/serial_number.h"

#include <cstddef>

namespace device {
namespace {

constexpr std::size_t kMinimumLength = 10;
constexpr std::string_view kMaker = "QR";
constexpr std::size_t kFirstDigit = 3;  // the 3rd character is not examined

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool IsValidSerialNumber(std::string_view text) {
  if (text.size() < kMinimumLength) return false;
  if (text.substr(0, kMaker.size()) != kMaker) return false;
  for (std::size_t i = kFirstDigit; i < kMinimumLength; ++i) {
    if (!IsDigit(text[i])) return false;
  }
  return true;
}

bool IsExactSerialNumber(std::string_view text) {
  if (text.size() != kMinimumLength || !IsValidSerialNumber(text)) return false;
  const char kind = text[kFirstDigit - 1];
  return IsDigit(kind) || (kind >= 'A' && kind <= 'Z') || (kind >= 'a' && kind <= 'z');
}

}  // namespace device
