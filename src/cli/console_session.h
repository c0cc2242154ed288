#pragma once
// One run of the terminal front end: the same dialog logic as the window,
// with the buttons pressed in order: File..., then Upgrade, then Exit after a
// failure.

#include "cli/options.h"

namespace cli {

// Returns the exit status (exit_codes.h).
int RunConsoleUpgrade(const Options& options);

}  // namespace cli
