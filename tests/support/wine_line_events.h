#pragma once
// The bridge's end of the shim preloaded into Wine: a unix socket on which
// the shim tells each change of the COM port's line (framing, DTR, RTS) as
// the Windows program makes it. Each change reaches the simulated interface
// before the shim is answered, so the device sees it before any byte the
// program sends after it.

#include <atomic>
#include <string>
#include <thread>

#include "support/pty_sim_bridge.h"

namespace e2etest {

class WineLineEvents {
 public:
  // Listens at `socketPath` and applies what it hears to `bridge`.
  WineLineEvents(PtySimBridge& bridge, std::string socketPath);
  ~WineLineEvents();
  WineLineEvents(const WineLineEvents&) = delete;
  WineLineEvents& operator=(const WineLineEvents&) = delete;

  bool ok() const { return listener_ >= 0; }
  const std::string& SocketPath() const { return path_; }
  // Line changes heard so far.
  int Heard() const { return heard_.load(); }

 private:
  void Run();
  void Serve(int connection);

  PtySimBridge& bridge_;
  std::string path_;
  int listener_ = -1;
  std::atomic<bool> stop_{false};
  std::atomic<int> heard_{0};
  std::thread thread_;
};

// "9600 8 E 1 1 0": baud, data bits, parity letter, stop bits, DTR, RTS.
bool ParseLineEvent(const std::string& text, platform::LineSettings& settings);

}  // namespace e2etest
