#pragma once
// One run of the terminal front end: one interface, or a gang of them (more
// than one port), each through the same dialog logic as the window with the
// buttons pressed in order: File..., then Upgrade, then Exit after a failure.

#include <cstddef>
#include <cstdio>

#include "cli/options.h"
#include "wizard/stop_request.h"

namespace cli {

struct ConsoleStreams {
  std::FILE* out = stdout;  // the status list
  std::FILE* err = stderr;  // messages, kind, serial number, progress
  bool errIsTerminal = false;
  std::size_t errColumns = 0;  // the terminal's width; 0: it does not say
};

// Returns the exit status (exit_codes.h). `stop`, when given, is asked between
// the steps of the upgrade (a signal, or the caller).
int RunConsoleUpgrade(const Options& options, const ConsoleStreams& streams,
                      const wizard::StopRequest* stop = nullptr);

}  // namespace cli
