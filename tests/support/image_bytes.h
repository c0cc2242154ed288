#pragma once
// What an image file should put into the device, read independently of the
// program's own reader: "@hex" sets the address, data lines are runs of
// two-digit hexadecimal values separated by spaces, "q" ends the data.
// Meant for well-formed files with CR LF line ends (the demo images).

#include <cstdint>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace testsupport {

inline std::map<std::uint16_t, std::uint8_t> ReadImageBytes(const std::string& path) {
  std::map<std::uint16_t, std::uint8_t> bytes;
  std::ifstream file(path, std::ios::binary);
  std::string line;
  unsigned address = 0;
  while (std::getline(file, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    if (line[0] == 'q') break;
    if (line[0] == '@') {
      address = static_cast<unsigned>(std::stoul(line.substr(1), nullptr, 16)) & 0xFFFF;
      continue;
    }
    std::istringstream values(line);
    std::string token;
    while (values >> token) {
      bytes[static_cast<std::uint16_t>(address)] = static_cast<std::uint8_t>(std::stoul(token, nullptr, 16));
      address = (address + 1) & 0xFFFF;
    }
  }
  return bytes;
}

}  // namespace testsupport
