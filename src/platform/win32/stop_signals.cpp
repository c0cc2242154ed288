// The console's requests to stop: Ctrl-C, Ctrl-Break and the console
// window closing (or the user logging off, the system shutting down). Each
// raises the same flag the Linux signals raise. A console that is closing
// ends the process as soon as the handler returns, so for those the handler
// keeps the process alive while the run reaches its safe stop; the system
// allows some seconds for that.

#include <windows.h>

#include <atomic>
#include <csignal>

#include "platform/stop_signals.h"
#include "platform/win32/console_control.h"

namespace platform {
namespace {

// The numbers LastStopSignal gives, as the C library names them.
constexpr int kInterrupt = SIGINT;  // Ctrl-C
constexpr int kBreak = SIGBREAK;    // Ctrl-Break
constexpr int kClosing = SIGTERM;   // the console closing, a log-off, a shutdown

std::atomic<int> lastSignal{0};
std::atomic<unsigned> signalCount{0};

void Raise(int number) {
  lastSignal.store(number);
  signalCount.fetch_add(1);
}

BOOL WINAPI OnConsoleControl(DWORD event) {
  const int number = win32::StopSignalOf(event);
  if (number == 0) return FALSE;
  Raise(number);
  // A closing console ends the process when this returns: wait here until
  // the program has ended itself (or the system's patience runs out).
  if (number == kClosing) Sleep(INFINITE);
  return TRUE;
}

}  // namespace

int win32::StopSignalOf(unsigned long event) {
  switch (event) {
    case CTRL_C_EVENT: return kInterrupt;
    case CTRL_BREAK_EVENT: return kBreak;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT: return kClosing;
    default: return 0;
  }
}

ScopedStopSignals::ScopedStopSignals() {
  lastSignal.store(0);
  SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

ScopedStopSignals::~ScopedStopSignals() { SetConsoleCtrlHandler(OnConsoleControl, FALSE); }

bool StopSignalRaised() { return lastSignal.load() != 0; }

int LastStopSignal() { return lastSignal.load(); }

unsigned StopSignalCount() { return signalCount.load(); }

}  // namespace platform
