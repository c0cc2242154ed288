#include "serial/serial_port.h"

#include <algorithm>
#include <system_error>

#include "platform/clock.h"
#include "platform/port_names.h"
#include "platform/serial_device.h"

namespace serial {
namespace {

std::int32_t NextIndex(std::int32_t index) { return (index + 1) % kRingSize; }

}  // namespace

SerialPort::SerialPort(std::shared_ptr<platform::DeviceObserver> observer) : observer_(std::move(observer)) {}

SerialPort::~SerialPort() {
  // A watcher left running would read a port that no longer exists.
  if (watcher_.joinable()) Close();
}

bool SerialPort::Open(const std::string& portName, std::uint32_t baudRate) {
  // Opening over an open port would strand its watcher; start clean instead.
  if (IsOpen()) Close();

  deviceName_ = platform::FormDeviceName(portName);

  handleSet_ = true;  // from here on a failure leaves the port half-open
  platform::OpenResult opened = platform::OpenSerialDevice(deviceName_, platform::DeviceUse::Watched, observer_);
  if (!opened.device) return false;
  device_ = std::move(opened.device);

  Purge();
  if (!SetLine(baudRate, 8, 0, 0)) return false;

  running_.store(1);
  try {
    watcher_ = std::thread(&SerialPort::WatchInput, this);
  } catch (const std::system_error&) {
    running_.store(0);
    return false;
  }
  return true;
}

void SerialPort::Close() {
  running_.store(0);
  if (device_) device_->CancelWait();
  if (watcher_.joinable()) watcher_.join();
  if (device_) device_->Purge(platform::PurgeSide::Both);
  device_.reset();
  handleSet_ = false;
}

bool SerialPort::IsOpen() const { return handleSet_; }

void SerialPort::Write(const std::uint8_t* bytes, std::int32_t count) {
  if (!device_ || bytes == nullptr || count <= 0) return;
  // The device waits for room and takes every byte in order; it refuses the
  // rest only once it has failed, and then the command goes unanswered.
  device_->Write(bytes, static_cast<std::size_t>(count));
}

void SerialPort::Write(std::string_view text) {
  Write(reinterpret_cast<const std::uint8_t*>(text.data()), static_cast<std::int32_t>(text.size()));
}

std::int32_t SerialPort::Read(std::uint8_t* buffer, std::int32_t max) {
  if (!device_ || buffer == nullptr || max <= 0) return 0;
  const std::size_t waiting = device_->InputWaiting();
  const std::size_t wanted = std::min(static_cast<std::size_t>(max), waiting);
  if (wanted == 0) return 0;
  return static_cast<std::int32_t>(device_->Read(buffer, wanted));
}

void SerialPort::Purge() {
  if (device_) device_->Purge(platform::PurgeSide::Both);
}

bool SerialPort::SetLine(std::uint32_t baud, std::uint8_t byteSize, std::uint8_t parity,
                         std::uint8_t stopBits) {
  if (!device_) return false;
  if (parity > static_cast<std::uint8_t>(platform::Parity::Space)) return false;
  if (stopBits > static_cast<std::uint8_t>(platform::StopBits::Two)) return false;
  lineSettings_.baudRate = baud;
  lineSettings_.dataBits = byteSize;
  lineSettings_.parity = static_cast<platform::Parity>(parity);
  lineSettings_.stopBits = static_cast<platform::StopBits>(stopBits);
  lineSettings_.dtr = true;
  lineSettings_.rts = true;
  // DTR drives the interface's reset: a close must not hold it in reset.
  lineSettings_.hangUpOnClose = false;
  return device_->Apply(lineSettings_);
}

bool SerialPort::HasReceived() const {
  return writeIndex_.load(std::memory_order_acquire) != readIndex_.load(std::memory_order_relaxed);
}

std::uint8_t SerialPort::ReadReceivedByte() {
  // Stepping past the write index would make the ring look full of stale bytes.
  if (!HasReceived()) return 0;
  const std::int32_t read = readIndex_.load(std::memory_order_relaxed);
  const std::uint8_t byte = ring_[static_cast<std::size_t>(read)];
  readIndex_.store(NextIndex(read), std::memory_order_release);
  return byte;
}

void SerialPort::ClearReceived() {
  // Only the watcher moves the write index: resetting it here could race with
  // an append in flight and bring stale bytes back. Catching the read index up
  // discards the same bytes.
  readIndex_.store(writeIndex_.load(std::memory_order_acquire), std::memory_order_release);
}

const std::string& SerialPort::DeviceName() const { return deviceName_; }

void SerialPort::WatchInput() {
  const std::shared_ptr<platform::Clock> clock = platform::CurrentClock();
  while (running_.load() != 0) {
    clock->IdlePause(1);
    const std::size_t waiting = device_->WaitForInput(1, platform::kWaitForever);
    if (waiting > 0 && running_.load() != 0) DrainDevice();
  }
}

// Takes everything waiting. The driver's input queue is not cleared afterwards:
// a byte arriving between the last read and the clear would be lost.
void SerialPort::DrainDevice() {
  std::array<std::uint8_t, kWatcherChunk + 1> chunk{};
  for (;;) {
    chunk.fill(0);
    const std::int32_t count = Read(chunk.data(), kWatcherChunk);
    if (count == 0) return;
    platform::CurrentClock()->IdlePause(1);
    AppendReceived(chunk.data(), count);
  }
}

void SerialPort::AppendReceived(const std::uint8_t* bytes, std::int32_t count) {
  for (std::int32_t i = 0; i < count; ++i) {
    const std::int32_t write = writeIndex_.load(std::memory_order_relaxed);
    const std::int32_t next = NextIndex(write);
    if (next == readIndex_.load(std::memory_order_acquire)) continue;  // full: dropped
    ring_[static_cast<std::size_t>(write)] = bytes[i];
    writeIndex_.store(next, std::memory_order_release);
  }
}

}  // namespace serial
