#include "sim/sim_serial_device.h"

#include <algorithm>
#include <chrono>

#include "sim/device_model.h"

namespace sim {
namespace {

// How long a settle may wait for a watcher thread in real time: long enough
// for any scheduler, short enough that a missing reader cannot hang a test.
constexpr auto kSettleLimit = std::chrono::seconds(3);
// A bounded transmit queue that takes nothing for this long refuses the rest.
constexpr platform::Micros kWriteStallLimit = 2'000'000;

class OwnedDevice final : public platform::SerialDevice {
 public:
  explicit OwnedDevice(std::shared_ptr<SimSerialDevice> device) : device_(std::move(device)) {}
  ~OwnedDevice() override { device_->Close(); }
  bool Apply(const platform::LineSettings& settings) override { return device_->Apply(settings); }
  std::size_t InputWaiting() override { return device_->InputWaiting(); }
  std::size_t OutputWaiting() override { return device_->OutputWaiting(); }
  std::size_t Read(std::uint8_t* buffer, std::size_t max) override { return device_->Read(buffer, max); }
  std::size_t Write(const std::uint8_t* bytes, std::size_t count) override { return device_->Write(bytes, count); }
  void Purge(platform::PurgeSide side) override { device_->Purge(side); }
  std::size_t WaitForInput(std::size_t count, int timeoutMs) override { return device_->WaitForInput(count, timeoutMs); }
  bool WaitForDrain(int timeoutMs) override { return device_->WaitForDrain(timeoutMs); }
  void CancelWait() override { device_->CancelWait(); }

 private:
  std::shared_ptr<SimSerialDevice> device_;
};

}  // namespace

std::unique_ptr<platform::SerialDevice> MakeOwnedDevice(std::shared_ptr<SimSerialDevice> device) {
  return std::make_unique<OwnedDevice>(std::move(device));
}

SimSerialDevice::SimSerialDevice(std::shared_ptr<SimInterface> interface) : interface_(std::move(interface)) {}

SimSerialDevice::~SimSerialDevice() { Close(); }

DeviceModel& SimSerialDevice::Model() { return *interface_->model_; }

// Wakes waiters to look again: something on the line or in the queues changed.
void SimSerialDevice::Changed() {
  ++generation_;
  changed_.notify_all();
  settled_.notify_all();
}

void SimSerialDevice::Close() {
  std::lock_guard<std::mutex> lock(interface_->mutex_);
  if (closed_) return;
  closed_ = true;
  interface_->open_ = false;
  Model().Disconnect(Now());
  readerBusy_ = false;
  Changed();
}

bool SimSerialDevice::Apply(const platform::LineSettings& settings) {
  std::lock_guard<std::mutex> lock(interface_->mutex_);
  if (closed_) return false;
  Model().Apply(settings, Now());
  Changed();
  return true;
}

std::size_t SimSerialDevice::InputWaiting() {
  std::lock_guard<std::mutex> lock(interface_->mutex_);
  NoteForegroundReader();
  return closed_ ? 0 : Model().InputReady(Now());
}

std::size_t SimSerialDevice::OutputWaiting() {
  std::lock_guard<std::mutex> lock(interface_->mutex_);
  return closed_ ? 0 : Model().OutputPending(Now());
}

std::size_t SimSerialDevice::Read(std::uint8_t* buffer, std::size_t max) {
  std::lock_guard<std::mutex> lock(interface_->mutex_);
  NoteForegroundReader();
  if (closed_ || max == 0 || buffer == nullptr) return 0;
  const std::size_t count = Model().TakeInput(buffer, max, Now());
  if (count > 0 && IsBackgroundReader()) readerBusy_ = true;
  return count;
}

// Every byte goes: while a bounded transmit queue is full, the writer waits
// on the clock for the line to take the next byte, as on a tty. Only a closed
// end, or a queue that takes nothing for kWriteStallLimit, refuses the rest.
std::size_t SimSerialDevice::Write(const std::uint8_t* bytes, std::size_t count) {
  std::unique_lock<std::mutex> lock(interface_->mutex_);
  if (bytes == nullptr) return 0;
  const std::shared_ptr<platform::Clock> clock = platform::CurrentClock();
  std::size_t done = 0;
  platform::Micros lastProgress = clock->Now();
  while (!closed_ && done < count) {
    const std::size_t taken = Model().HostWrite(bytes + done, count - done, clock->Now());
    if (taken > 0) {
      done += taken;
      lastProgress = clock->Now();
      Changed();
      continue;
    }
    const platform::Micros giveUp = lastProgress + kWriteStallLimit;
    if (clock->Now() >= giveUp) break;
    const platform::Micros until = std::min(giveUp, Model().NextEvent());
    const std::uint64_t seen = generation_;
    clock->WaitUntil(lock, changed_, until, [&] { return generation_ != seen || closed_; }, true);
  }
  return done;
}

void SimSerialDevice::Purge(platform::PurgeSide side) {
  std::lock_guard<std::mutex> lock(interface_->mutex_);
  if (closed_) return;
  const auto bits = static_cast<unsigned>(side);
  if (bits & static_cast<unsigned>(platform::PurgeSide::Output)) Model().PurgeOutput(Now());
  if (bits & static_cast<unsigned>(platform::PurgeSide::Input)) Model().PurgeInput(Now());
  Changed();
}

std::size_t SimSerialDevice::WaitForInput(std::size_t count, int timeoutMs) {
  std::unique_lock<std::mutex> lock(interface_->mutex_);
  const std::shared_ptr<platform::Clock> clock = platform::CurrentClock();
  const bool foreground = timeoutMs != platform::kWaitForever;
  if (!foreground) {
    backgroundReaders_.insert(std::this_thread::get_id());
    ++backgroundWaiting_;
    backgroundCount_ = std::max<std::size_t>(count, 1);
  }
  if (IsBackgroundReader()) readerBusy_ = false;
  NoteForegroundReader();
  settled_.notify_all();

  const platform::Micros deadline =
      foreground ? clock->Now() + static_cast<platform::Micros>(std::max(timeoutMs, 0)) * 1000 : platform::kNever;
  std::size_t ready = 0;
  for (;;) {
    const platform::Micros now = clock->Now();
    ready = closed_ ? 0 : Model().InputReady(now);
    if (ready >= count || cancelled_ || closed_ || now >= deadline) break;
    const platform::Micros until = std::min(deadline, Model().NextEvent());
    const std::uint64_t seen = generation_;
    clock->WaitUntil(lock, changed_, until, [&] {
      return generation_ != seen || cancelled_ || closed_ || Model().InputReady(clock->Now()) >= count;
    }, foreground);
  }
  cancelled_ = false;
  if (!foreground) {
    --backgroundWaiting_;
    if (ready > 0) readerBusy_ = true;
  }
  settled_.notify_all();
  return ready;
}

bool SimSerialDevice::WaitForDrain(int timeoutMs) {
  std::unique_lock<std::mutex> lock(interface_->mutex_);
  const std::shared_ptr<platform::Clock> clock = platform::CurrentClock();
  const platform::Micros deadline =
      timeoutMs == platform::kWaitForever
          ? platform::kNever
          : clock->Now() + static_cast<platform::Micros>(std::max(timeoutMs, 0)) * 1000;
  for (;;) {
    const platform::Micros now = clock->Now();
    if (closed_ || Model().OutputPending(now) == 0) return true;
    if (now >= deadline) return false;
    const platform::Micros until = std::min(deadline, Model().NextEvent());
    const std::uint64_t seen = generation_;
    clock->WaitUntil(lock, changed_, until, [&] {
      return generation_ != seen || closed_ || Model().OutputPending(clock->Now()) == 0;
    }, true);
  }
}

void SimSerialDevice::CancelWait() {
  std::lock_guard<std::mutex> lock(interface_->mutex_);
  cancelled_ = true;
  Changed();
}

void SimSerialDevice::TimeAdvanced() {
  std::lock_guard<std::mutex> lock(interface_->mutex_);
  changed_.notify_all();
}

// Settled: no watcher is still working on bytes it took, none that waits has
// bytes ready to take, and no ready bytes wait for a watcher still starting.
bool SimSerialDevice::Settled() {
  if (closed_) return true;
  if (readerBusy_) return false;
  const std::size_t ready = Model().InputReady(Now());
  if (backgroundWaiting_ > 0) return ready < backgroundCount_;
  return ready == 0 || foregroundReaderSeen_ || !backgroundReaders_.empty();
}

void SimSerialDevice::Settle() {
  std::unique_lock<std::mutex> lock(interface_->mutex_);
  changed_.notify_all();
  settled_.wait_for(lock, kSettleLimit, [&] { return Settled(); });
}

}  // namespace sim
