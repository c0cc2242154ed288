#pragma once
// The ports of a gang run, read from a file: one port name a line, as
// --port takes it. Blank lines and comments ('#' to the line's end, at its
// start or after a blank) are skipped; blanks around a name and a CR before
// the line end are dropped.

#include <string>
#include <string_view>
#include <vector>

namespace cli {

struct PortListResult {
  std::vector<std::string> ports;
  std::string error;  // empty when the file was read whole
};

PortListResult ReadPortListFile(const std::string& path);
// The same reading over the file's whole content; `path` names it in errors.
PortListResult ParsePortList(std::string_view content, const std::string& path);

// Adds `more` to `ports`; the first name given twice is named in the result.
// One device upgraded twice at once would be erased by two loaders.
std::string AddPorts(std::vector<std::string>& ports, const std::vector<std::string>& more);

}  // namespace cli
