#pragma once
// The host's end of a simulated interface's cable. No thread of its own:
// bytes cross the line at their times on the clock's time line, and every
// call first brings the device up to the present.
//
// Waits with a time-out belong to the program's own thread and move a
// virtual clock; a wait without one (a watcher thread) never does. As a time
// observer the end settles before the clock moves on: it waits until a
// watcher thread has taken what became ready and is waiting again.

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <set>
#include <thread>

#include "platform/clock.h"
#include "platform/serial_device.h"
#include "sim/sim_interface.h"

namespace sim {

class SimSerialDevice final : public platform::SerialDevice, public platform::TimeObserver {
 public:
  explicit SimSerialDevice(std::shared_ptr<SimInterface> interface);
  ~SimSerialDevice() override;

  bool Apply(const platform::LineSettings& settings) override;
  std::size_t InputWaiting() override;
  std::size_t OutputWaiting() override;
  std::size_t Read(std::uint8_t* buffer, std::size_t max) override;
  std::size_t Write(const std::uint8_t* bytes, std::size_t count) override;
  void Purge(platform::PurgeSide side) override;
  std::size_t WaitForInput(std::size_t count, int timeoutMs) override;
  bool WaitForDrain(int timeoutMs) override;
  void CancelWait() override;

  void TimeAdvanced() override;
  void Settle() override;

  // Unplugs this end from the interface; later calls do nothing.
  void Close();

 private:
  platform::Micros Now() const { return platform::CurrentClock()->Now(); }
  DeviceModel& Model();
  void Changed();
  bool Settled();
  bool IsBackgroundReader() const { return backgroundReaders_.count(std::this_thread::get_id()) > 0; }
  void NoteForegroundReader() {
    if (!IsBackgroundReader()) foregroundReaderSeen_ = true;
  }

  std::shared_ptr<SimInterface> interface_;
  std::condition_variable changed_;  // with interface_->mutex_
  std::condition_variable settled_;
  std::uint64_t generation_ = 0;
  bool cancelled_ = false;
  bool closed_ = false;
  // Threads that wait without a time-out: the readers a settle waits for.
  std::set<std::thread::id> backgroundReaders_;
  int backgroundWaiting_ = 0;
  std::size_t backgroundCount_ = 1;
  bool readerBusy_ = false;
  // Until some thread has read or waited, bytes that are ready are taken to
  // be on their way to a watcher thread that has not started waiting yet.
  bool foregroundReaderSeen_ = false;
};

// The owning handle OpenSerialDevice hands out: it closes the end when it goes.
std::unique_ptr<platform::SerialDevice> MakeOwnedDevice(std::shared_ptr<SimSerialDevice> device);

}  // namespace sim
