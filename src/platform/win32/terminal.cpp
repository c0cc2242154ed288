// A console behind a standard stream: its width, its code page and its
// virtual-terminal mode.

#include <io.h>
#include <windows.h>

#include "platform/terminal.h"

namespace platform {
namespace {

HANDLE HandleOf(std::FILE* stream) {
  const int fd = _fileno(stream);
  return fd < 0 ? INVALID_HANDLE_VALUE : reinterpret_cast<HANDLE>(_get_osfhandle(fd));
}

// The console `stream` writes to, with its mode; none for a file, a pipe or
// the null device (which the C library would call a terminal too).
std::optional<DWORD> ConsoleMode(HANDLE handle) {
  DWORD mode = 0;
  if (handle == INVALID_HANDLE_VALUE || GetConsoleMode(handle, &mode) == FALSE) return std::nullopt;
  return mode;
}

}  // namespace

bool IsTerminal(std::FILE* stream) { return ConsoleMode(HandleOf(stream)).has_value(); }

std::optional<std::size_t> TerminalColumns(std::FILE* stream) {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (GetConsoleScreenBufferInfo(HandleOf(stream), &info) == FALSE) return std::nullopt;
  const int columns = info.srWindow.Right - info.srWindow.Left + 1;
  return columns > 0 ? std::optional<std::size_t>(static_cast<std::size_t>(columns)) : std::nullopt;
}

struct ScopedTerminalText::Saved {
  HANDLE console = INVALID_HANDLE_VALUE;
  DWORD mode = 0;
  UINT codePage = 0;
};

ScopedTerminalText::ScopedTerminalText(std::FILE* stream) {
  const HANDLE console = HandleOf(stream);
  const std::optional<DWORD> mode = ConsoleMode(console);
  if (!mode) return;
  saved_ = std::make_unique<Saved>(Saved{console, *mode, GetConsoleOutputCP()});
  SetConsoleOutputCP(GetACP());
  // A console too old for the mode refuses it: plain lines, then.
  redrawsLines_ = (*mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0 ||
                  SetConsoleMode(console, *mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != FALSE;
}

ScopedTerminalText::~ScopedTerminalText() {
  if (!saved_) return;
  std::fflush(nullptr);  // what is written yet shows in the code page it was meant for
  SetConsoleMode(saved_->console, saved_->mode);
  SetConsoleOutputCP(saved_->codePage);
}

}  // namespace platform
