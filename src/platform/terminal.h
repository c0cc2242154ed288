#pragma once
// What a standard stream is connected to: a terminal, and how wide it is.

#include <cstddef>
#include <cstdio>
#include <optional>

namespace platform {

// Whether `stream` writes to a terminal.
bool IsTerminal(std::FILE* stream);

// The number of columns of the terminal `stream` writes to; nullopt when it is
// no terminal or the terminal does not say.
std::optional<std::size_t> TerminalColumns(std::FILE* stream);

}  // namespace platform
