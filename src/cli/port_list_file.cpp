#include "cli/port_list_file.h"

#include <algorithm>
#include <sstream>

#include "platform/regular_file.h"

#include "platform/port_identity.h"

namespace cli {
namespace {

// A list of ports is a few lines; anything much larger is not one.
constexpr std::size_t kMaxListBytes = 1 << 20;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// The line without a comment: '#' at its start or after a blank begins one,
// so a name keeps any '#' inside it.
std::string WithoutComment(const std::string& line) {
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '#' && (i == 0 || IsBlank(line[i - 1]))) return line.substr(0, i);
  }
  return line;
}

std::string Trimmed(const std::string& line) {
  auto begin = std::find_if_not(line.begin(), line.end(), IsBlank);
  auto end = std::find_if_not(line.rbegin(), std::make_reverse_iterator(begin), IsBlank).base();
  return std::string(begin, end);
}

}  // namespace

PortListResult ReadPortListFile(const std::string& path) {
  const platform::Result<std::string> read = platform::ReadRegularFile(path, kMaxListBytes);
  if (read.error == platform::Error::NotRegularFile) return {{}, "the port list " + path + " is not a regular file"};
  if (!read.ok()) return {{}, "cannot read the port list " + path + (read.detail.empty() ? "" : ": " + read.detail)};
  return ParsePortList(read.value, path);
}

PortListResult ParsePortList(std::string_view content, const std::string& path) {
  PortListResult result;
  std::istringstream lines{std::string(content)};
  int number = 0;
  for (std::string line; std::getline(lines, line);) {
    ++number;
    const std::string name = Trimmed(WithoutComment(line));
    if (name.empty()) continue;
    if (name.find('\0') != std::string::npos) {
      return {{}, "the port list " + path + ", line " + std::to_string(number) + ": not a port name"};
    }
    result.ports.push_back(name);
  }
  return result;
}

// Two names of one device are one port given twice: "COM1" and "\\.\COM1",
// a device path and a link to it, two names of one network address.
std::string AddPorts(std::vector<std::string>& ports, const std::vector<std::string>& more) {
  std::vector<platform::PortIdentity> identities;
  for (const std::string& name : ports) identities.push_back(platform::IdentifyPortName(name));
  for (const std::string& name : more) {
    const platform::PortIdentity identity = platform::IdentifyPortName(name);
    for (std::size_t i = 0; i < ports.size(); ++i) {
      if (!platform::SameDevice(identities[i], identity)) continue;
      if (ports[i] == name) return "the port " + name + " is given twice";
      return "the ports " + ports[i] + " and " + name + " are one port given twice";
    }
    ports.push_back(name);
    identities.push_back(identity);
  }
  return {};
}

}  // namespace cli
