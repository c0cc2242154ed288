#pragma once
// The terminal's text on its standard streams. A stream that can no longer be
// written (its reader went away, the disk is full) never stops a run: the
// device and its record matter more than the text about them.

#include <cstdio>
#include <string>
#include <string_view>

namespace cli {

// A message of the program's own: "quorrel-upgrade: TEXT".
std::string ProgramMessage(std::string_view text);

// The program's own message, on `err`.
void Complain(std::FILE* err, std::string_view text);

// Writes `text` to `stream` and flushes it. The first failure of `stream` is
// noted on `noteTo` (null: nowhere); the stream's error flag remembers it, so
// the text that follows is lost without another word.
void WriteConsoleText(std::FILE* stream, std::string_view text, std::FILE* noteTo);

}  // namespace cli
