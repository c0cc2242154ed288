#pragma once
// The system's requests to stop: on Linux SIGINT (Ctrl-C), SIGTERM
// (shutdown) and SIGHUP (the terminal closed); on Windows Ctrl-C, Ctrl-Break
// and the console closing. While a ScopedStopSignals lives they no longer
// end the process at once; they raise a flag that the running upgrades ask
// (wizard::StopRequest), so each can leave its device in a state it reports.

namespace platform {

class ScopedStopSignals {
 public:
  // Installs the handlers and lowers the flag.
  ScopedStopSignals();
  // Puts the previous handlers back.
  ~ScopedStopSignals();
  ScopedStopSignals(const ScopedStopSignals&) = delete;
  ScopedStopSignals& operator=(const ScopedStopSignals&) = delete;
};

// Whether a stop signal arrived while handlers were installed.
bool StopSignalRaised();
// The number of the last one, as the C library names them (0: none). On
// Windows: SIGINT for Ctrl-C, SIGBREAK for Ctrl-Break, SIGTERM for a console
// that closes.
int LastStopSignal();
// How many stop signals have arrived in this process, ever: a count that
// only grows, so an observer can tell a second signal from the first.
unsigned StopSignalCount();

}  // namespace platform
