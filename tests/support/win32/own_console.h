#pragma once
// A console of the test's own, which takes control events as a user's does:
// Ctrl-C sent to it reaches this process (and whatever it started) alone.

#include <windows.h>

#include "platform/stop_signals.h"

namespace testsupport {

class OwnConsole {
 public:
  OwnConsole() {
    FreeConsole();
    made_ = AllocConsole() != FALSE;
  }
  ~OwnConsole() { FreeConsole(); }
  OwnConsole(const OwnConsole&) = delete;
  OwnConsole& operator=(const OwnConsole&) = delete;

  bool Made() const { return made_; }

  // Presses Ctrl-C and waits, for at most 10 s, until the stop handler has
  // counted it: the system runs the handler on a thread of its own. False
  // when the event could not be sent or was not counted.
  static bool PressCtrlC() {
    const unsigned before = platform::StopSignalCount();
    if (GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0) == FALSE) return false;
    for (int waited = 0; waited < 1000 && platform::StopSignalCount() == before; ++waited) Sleep(10);
    return platform::StopSignalCount() != before;
  }

 private:
  bool made_ = false;
};

}  // namespace testsupport
