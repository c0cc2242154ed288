#pragma once
// A scripted serial line for tests: the far end answers commands with reply
// bytes after a delay on the installed (virtual) clock. It settles with the
// clock, so a pause of the program's thread finds every ready byte already
// taken by the port's watcher.

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/serial_device.h"

namespace testing_support {

class FakeLine : public platform::TimeObserver, public std::enable_shared_from_this<FakeLine> {
 public:
  // Registers with the current clock: install the virtual clock first.
  static std::shared_ptr<FakeLine> Create();

  // When the bytes written so far end with `command`, `reply` arrives
  // `delayMs` later. Answers every time the command is written.
  void Respond(const std::string& command, const std::string& reply, std::uint32_t delayMs = 0);
  // `bytes` arrive `delayMs` from now, as if the interface sent them.
  void Deliver(const std::string& bytes, std::uint32_t delayMs = 0);
  // `bytes` arrive just after the watcher has found the input queue empty
  // following a read: the moment a clear of the input queue would lose them.
  void ArriveAfterDrain(const std::string& bytes);

  // What the program did to the line.
  std::string Written();
  std::vector<platform::LineSettings> Applied();
  int Purges();
  int Opens();
  std::size_t Waiting();
  bool SettleGaveUp();

  // Faults and states.
  void SetHeld(bool held);           // opens fail with Busy
  void SetRefuseApply(bool refuse);  // line settings are refused
  void SetRefuseEveryOtherWrite(bool refuse);

  // The device end (used by the fake device only).
  platform::OpenResult Open();
  void Detach();
  bool Apply(const platform::LineSettings& settings);
  std::size_t InputWaiting();
  std::size_t Read(std::uint8_t* buffer, std::size_t max);
  std::size_t Write(const std::uint8_t* bytes, std::size_t count);
  void Purge(platform::PurgeSide side);
  std::size_t WaitForInput(std::size_t count, int timeoutMs);
  void CancelWait();

  void TimeAdvanced() override;
  void Settle() override;

 private:
  struct Pending {
    platform::Micros due;
    std::string bytes;
  };
  struct Response {
    std::string command;
    std::string reply;
    std::uint32_t delayMs;
  };
  void ReleaseDueLocked();
  void MatchCommandsLocked();

  std::mutex mutex_;
  std::condition_variable changed_;
  std::string input_;
  std::vector<Pending> pending_;
  std::vector<Response> responses_;
  std::string written_;
  std::size_t matchedUpTo_ = 0;
  std::vector<platform::LineSettings> applied_;
  int purges_ = 0;
  int opens_ = 0;
  bool attached_ = false;
  bool held_ = false;
  bool refuseApply_ = false;
  bool refuseEveryOtherWrite_ = false;
  std::uint64_t writeCalls_ = 0;
  bool cancel_ = false;
  bool inFlight_ = false;  // the watcher took bytes and has not come back to wait
  bool settleGaveUp_ = false;
  std::string arriveAfterDrain_;
};

// Puts `line` behind the port name "fake:<id>" (the "fake" scheme is
// registered on first use).
void AttachFakeLine(const std::string& id, std::shared_ptr<FakeLine> line);

}  // namespace testing_support
