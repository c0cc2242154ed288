#pragma once
// A request to stop an upgrade, owned by the session that runs it. The
// session's own code may raise it, and it may follow the system's stop
// signals (platform/stop_signals.h) so that one signal reaches every session
// of the process. The worker asks it between steps and after each block.

#include <atomic>

#include "platform/stop_signals.h"

namespace wizard {

class StopRequest {
 public:
  // A request that follows the signals heeds those that arrive after it is made.
  explicit StopRequest(bool followSignals = false)
      : followSignals_(followSignals), signalsTakenBack_(platform::StopSignalCount()) {}
  StopRequest(const StopRequest&) = delete;
  StopRequest& operator=(const StopRequest&) = delete;

  void Request() { requested_ = true; }
  // A host that stays open after a stop (the window) takes it back before the
  // user starts again, together with the signals that raised it; a signal
  // that comes later raises it anew.
  void Withdraw() {
    requested_ = false;
    signalsTakenBack_ = platform::StopSignalCount();
  }
  bool Requested() const {
    return requested_.load() || (followSignals_ && platform::StopSignalCount() != signalsTakenBack_.load());
  }

 private:
  bool followSignals_;
  std::atomic<bool> requested_{false};
  std::atomic<unsigned> signalsTakenBack_;
};

}  // namespace wizard
