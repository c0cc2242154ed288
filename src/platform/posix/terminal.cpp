#include "platform/terminal.h"

#include <sys/ioctl.h>
#include <unistd.h>

namespace platform {

bool IsTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) != 0; }

std::optional<std::size_t> TerminalColumns(std::FILE* stream) {
  winsize size{};
  if (::ioctl(::fileno(stream), TIOCGWINSZ, &size) != 0 || size.ws_col == 0) return std::nullopt;
  return size.ws_col;
}

// A terminal takes the locale's text and the control sequences as they are.
struct ScopedTerminalText::Saved {};

ScopedTerminalText::ScopedTerminalText(std::FILE* stream) : redrawsLines_(IsTerminal(stream)) {}

ScopedTerminalText::~ScopedTerminalText() = default;

}  // namespace platform
