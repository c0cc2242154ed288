#include "cli/port_list_file.h"

#include <sys/stat.h>

#include <algorithm>
#include <fstream>

#include "platform/port_identity.h"

namespace cli {
namespace {

std::string Trimmed(const std::string& line) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  auto begin = std::find_if_not(line.begin(), line.end(), blank);
  auto end = std::find_if_not(line.rbegin(), std::make_reverse_iterator(begin), blank).base();
  return std::string(begin, end);
}

}  // namespace

PortListResult ReadPortListFile(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return {{}, "cannot read the port list " + path};
  if (!S_ISREG(info.st_mode)) return {{}, "the port list " + path + " is not a regular file"};
  std::ifstream file(path, std::ios::binary);
  if (!file) return {{}, "cannot read the port list " + path};
  PortListResult result;
  int number = 0;
  for (std::string line; std::getline(file, line);) {
    ++number;
    const std::string name = Trimmed(line);
    if (name.empty() || name.front() == '#') continue;
    if (name.find('\0') != std::string::npos) {
      return {{}, "the port list " + path + ", line " + std::to_string(number) + ": not a port name"};
    }
    result.ports.push_back(name);
  }
  if (file.bad()) return {{}, "cannot read the port list " + path};
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
