#include "cli/console_write.h"

#include <cerrno>
#include <cstring>

#include "app/option_table.h"

namespace cli {

std::string ProgramMessage(std::string_view text) {
  return std::string(app::kTerminalProgram).append(": ").append(text);
}

void Complain(std::FILE* err, std::string_view text) { std::fputs((ProgramMessage(text) + "\n").c_str(), err); }

void WriteConsoleText(std::FILE* stream, std::string_view text, std::FILE* noteTo) {
  const bool failedBefore = std::ferror(stream) != 0;
  errno = 0;
  std::fwrite(text.data(), 1, text.size(), stream);
  std::fflush(stream);
  const int error = errno;
  if (failedBefore || !std::ferror(stream) || noteTo == nullptr) return;
  Complain(noteTo, "standard output cannot be written (" + std::string(std::strerror(error)) +
                      "); the run goes on to its end, and its exit status and run record tell how the device ended");
  std::fflush(noteTo);
}

}  // namespace cli
