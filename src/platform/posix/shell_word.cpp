#include "platform/shell_word.h"

namespace platform {

// Inside single quotes a POSIX shell takes every byte as it is; a single
// quote itself ends the quoting, is given escaped, and the quoting resumes.
std::string ShellWord(const std::string& text) {
  if (IsPlainWord(text, "/._:=,+@%-")) return text;
  std::string quoted = "'";
  for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

}  // namespace platform
