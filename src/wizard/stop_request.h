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
  explicit StopRequest(bool followSignals = false) : followSignals_(followSignals) {}
  StopRequest(const StopRequest&) = delete;
  StopRequest& operator=(const StopRequest&) = delete;

  void Request() { requested_ = true; }
  // A host that stays open after a stop (the window) takes it back before the
  // user starts again; a signal once raised is not taken back.
  void Withdraw() { requested_ = false; }
  bool Requested() const { return requested_.load() || (followSignals_ && platform::StopSignalRaised()); }

 private:
  bool followSignals_;
  std::atomic<bool> requested_{false};
};

}  // namespace wizard
