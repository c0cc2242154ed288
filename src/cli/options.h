#pragma once
// The command line of quorrel-upgrade, read from the options table the help
// and the manual are made from.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace cli {

struct Options {
  std::vector<std::string> ports;  // every --port, in order
  std::optional<std::string> portsFile;  // more ports, one a line
  bool allPorts = false;                 // every port discovery finds
  std::optional<std::string> image;
  bool recovery = false;
  std::optional<std::string> serial;  // written back in recovery mode
  bool verify = false;
  bool force = false;  // take an image whose name says it is for another model
  std::optional<std::uint16_t> languageId;
  std::optional<std::uint8_t> passwordFill;
  std::optional<std::string> traceFile;  // a file; a folder in a gang run
  std::optional<std::string> reportFile;  // run records are appended here
  bool help = false;
  bool version = false;
  bool listPorts = false;  // list the serial ports and end
};

struct ParseResult {
  std::optional<Options> options;  // empty on error
  std::string error;               // what is wrong, for the user, in one line
};

ParseResult ParseOptions(const std::vector<std::string>& args);

// Several interfaces at once: more than one --port, a port list file or
// --all-ports.
bool IsGangRun(const Options& options);

// The whole help: usage lines, options, what the program does, exit statuses.
std::string UsageText();

}  // namespace cli
