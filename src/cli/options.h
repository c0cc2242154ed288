#pragma once
// The command line of quorrel-upgrade.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace cli {

struct Options {
  std::string port;
  std::optional<std::string> image;
  bool recovery = false;
  std::optional<std::string> serial;  // written back in recovery mode
  bool verify = false;
  std::optional<std::uint16_t> languageId;
  std::optional<std::uint8_t> passwordFill;
  std::optional<std::string> traceFile;
  bool help = false;
  bool listPorts = false;  // list the serial ports and end
};

struct ParseResult {
  std::optional<Options> options;  // empty on error
  std::string error;               // what is wrong, for the user
};

ParseResult ParseOptions(const std::vector<std::string>& args);

std::string UsageText();

}  // namespace cli
