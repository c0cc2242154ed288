// A gang's port list file as anyone may write it: every name taken is
// trimmed, on one line, without a comment, and a refusal gives no names.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "cli/port_list_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view content(reinterpret_cast<const char*>(data), size);
  const cli::PortListResult read = cli::ParsePortList(content, "ports.txt");
  if (!read.error.empty() && !read.ports.empty()) std::abort();
  for (const std::string& name : read.ports) {
    if (name.empty() || name.front() == '#' || name.find('\n') != std::string::npos) std::abort();
    if (name.find(" #") != std::string::npos || name.find("\t#") != std::string::npos) std::abort();
    const char first = name.front(), last = name.back();
    if (first == ' ' || first == '\t' || last == ' ' || last == '\t' || last == '\r') std::abort();
  }
  return 0;
}
