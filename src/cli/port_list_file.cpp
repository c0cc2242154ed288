#include "cli/port_list_file.h"

#include <sys/stat.h>

#include <algorithm>
#include <fstream>

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

std::string AddPorts(std::vector<std::string>& ports, const std::vector<std::string>& more) {
  for (const std::string& name : more) {
    if (std::find(ports.begin(), ports.end(), name) != ports.end()) return "the port " + name + " is given twice";
    ports.push_back(name);
  }
  return {};
}

}  // namespace cli
