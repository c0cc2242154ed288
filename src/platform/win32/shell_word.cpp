#include "platform/shell_word.h"

namespace platform {

// The command prompt knows no single quotes: a word with a space or a
// character it acts on goes in double quotes. The C library splits the
// command line by the rules of CommandLineToArgvW: backslashes are plain
// unless they stand before a double quote, where they are doubled, and a
// double quote inside is given as \".
std::string ShellWord(const std::string& text) {
  if (IsPlainWord(text, "/\\._:=,+@-")) return text;
  std::string quoted = "\"";
  std::size_t backslashes = 0;
  for (const char c : text) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, '\\');  // before the closing quote
  return quoted + "\"";
}

}  // namespace platform
