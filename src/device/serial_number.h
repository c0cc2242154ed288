#pragma once
// The interface's serial number as its firmware reports it.

#include <string_view>

namespace device {

// Takes the place of a malformed serial number, and is written in recovery mode.
inline constexpr std::string_view PlaceholderSerialNumber = "QRX0000000";

// At least 10 characters, "QR" first, the 4th to 10th decimal digits; the 3rd
// is not examined and characters after the 10th are kept.
bool IsValidSerialNumber(std::string_view text);

// A serial number as a label shows it, and nothing more: exactly 10
// characters, "QR", a letter or digit, then 7 digits. What a technician types
// is held to this, since every character of it reaches the device.
bool IsExactSerialNumber(std::string_view text);

}  // namespace device
