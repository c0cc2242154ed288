#pragma once
// One run of the terminal front end: the same dialog logic as the window,
// with the buttons pressed in order: File..., then Upgrade, then Exit after a
// failure.

#include <cstdio>

#include "cli/options.h"

namespace cli {

struct ConsoleStreams {
  std::FILE* out = stdout;  // the status list
  std::FILE* err = stderr;  // messages, kind, serial number, progress
  bool errIsTerminal = false;
};

// Returns the exit status (exit_codes.h).
int RunConsoleUpgrade(const Options& options, const ConsoleStreams& streams);

}  // namespace cli
