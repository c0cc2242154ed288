#pragma once
// What a standard stream is connected to: a terminal, and how wide it is;
// and the terminal readied for the program's text.

#include <cstddef>
#include <cstdio>
#include <memory>
#include <optional>

namespace platform {

// Whether `stream` writes to a terminal (on Windows, a console).
bool IsTerminal(std::FILE* stream);

// The number of columns of the terminal `stream` writes to; nullopt when it is
// no terminal or the terminal does not say.
std::optional<std::size_t> TerminalColumns(std::FILE* stream);

// Readies the terminal `stream` writes to for the program's text while it
// lives, and puts the terminal back as it was afterwards. A Linux terminal
// needs nothing. A Windows console shows bytes in its own output code page
// (the OEM one, by default), while the texts are held in the ANSI code page:
// it is given the ANSI code page, and its virtual-terminal mode, which takes
// the control sequences that redraw a line. One per stream; they may share
// a console, and are undone in the reverse order.
class ScopedTerminalText {
 public:
  explicit ScopedTerminalText(std::FILE* stream);
  ~ScopedTerminalText();
  ScopedTerminalText(const ScopedTerminalText&) = delete;
  ScopedTerminalText& operator=(const ScopedTerminalText&) = delete;

  // Whether the terminal redraws a line in place: takes "\r", "\033[K"
  // (clear to the end of the line) and "\033[<n>A" (n lines up). False for
  // anything that is no terminal, and for a console without the
  // virtual-terminal mode; the program writes plain lines then.
  bool RedrawsLines() const { return redrawsLines_; }

 private:
  struct Saved;  // what the backend changed, to put it back
  std::unique_ptr<Saved> saved_;
  bool redrawsLines_ = false;
};

}  // namespace platform
