#pragma once
// The console's control events as the stop signals name them.

namespace platform::win32 {

// SIGINT for Ctrl-C, SIGBREAK for Ctrl-Break, SIGTERM for a console that
// closes, a log-off or a shutdown: each one stops a run the same safe way.
// 0 for an event that is no request to stop.
int StopSignalOf(unsigned long event);

}  // namespace platform::win32
