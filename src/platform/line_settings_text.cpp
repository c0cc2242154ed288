#include <string>
#include <string_view>

#include "platform/serial_device.h"

namespace platform {

std::string DescribeSettings(const LineSettings& settings) {
  constexpr std::string_view kParityLetters = "NOEMS";
  const auto parity = static_cast<std::size_t>(settings.parity);
  const char letter = parity < kParityLetters.size() ? kParityLetters[parity] : '?';
  const char* stop = settings.stopBits == StopBits::One ? "1" : settings.stopBits == StopBits::OneAndHalf ? "1.5" : "2";
  return std::to_string(settings.baudRate) + " " + std::to_string(settings.dataBits) + letter + stop;
}

}  // namespace platform
