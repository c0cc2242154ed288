#pragma once
// A simulated interface on the far side of a pseudo-terminal: the program
// opens the slave path as it would a USB adapter's tty; a thread carries the
// bytes between the master side and the simulated cable. A pseudo-terminal
// carries neither parity nor modem lines, so the tty's own test seam tells
// the bridge each line-settings record as the program applies it; bytes the
// program wrote before are carried over first, so the device sees both in
// the order the program made them.

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/pty_pair.h"
#include "platform/tty_calls.h"
#include "sim/sim_interface.h"

namespace e2etest {

class PtySimBridge {
 public:
  explicit PtySimBridge(const std::string& simOptions);
  ~PtySimBridge();
  PtySimBridge(const PtySimBridge&) = delete;
  PtySimBridge& operator=(const PtySimBridge&) = delete;

  bool ok() const { return pty_.ok() && cable_ != nullptr; }
  const std::string& PortName() const { return pty_.slavePath(); }
  sim::SimInterface& Device() { return *sim_; }
  // The seam to install: line settings reach the device; writes go through
  // `write` (the system's own when empty).
  platform::TtyCalls Calls(decltype(platform::TtyCalls::write) write = {});
  // A line-settings record the program applied, told some other way (by
  // the shim preloaded into Wine).
  void ApplyLine(const platform::LineSettings& settings);
  // The adapter is pulled out: the program's end hangs up.
  void PullOut();

 private:
  void Run();
  void CarryLocked();

  testing_support::PtyPair pty_;
  std::shared_ptr<sim::SimInterface> sim_;
  std::unique_ptr<platform::SerialDevice> cable_;
  std::mutex mutex_;
  std::string toProgram_;
  bool pulledOut_ = false;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace e2etest
