#pragma once
// The window program's command line, answered before any window opens or the
// single-instance guard is taken: --help and --version on the terminal, a
// usage error refused. Everything else is the window's.

#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/command_line.h"

namespace app {

// The window program's exit statuses, as its manual lists them.
struct ExitStatusWording {
  int code;
  std::string_view text;
};
std::span<const ExitStatusWording> WindowExitStatuses();

inline constexpr int kWindowExitUsage = 1;

std::string WindowHelpText();

// Nothing to answer (nullopt: open the window), or the exit status of the
// answer given on `out` or `err`. The toolkit's own options pass.
std::optional<int> AnswerWindowCommandLine(const std::vector<std::string>& args,
                                           std::span<const ForeignOption> toolkit, std::FILE* out, std::FILE* err);

}  // namespace app
