#pragma once
// The asynchronous serial port over which the program talks to the interface's
// application firmware. A watcher thread moves every received byte into a
// receive ring; the owning thread writes commands and polls the ring.

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <thread>

#include "platform/serial_device.h"

namespace serial {

// The ring holds one byte less than its size: equal indices mean empty.
inline constexpr std::int32_t kRingSize = 4096;
inline constexpr std::int32_t kRingCapacity = kRingSize - 1;

// Driver queue sizes asked for when the port opens. A tty sizes its own queues;
// the values stay here so a backend that can use them finds them.
inline constexpr std::uint32_t kInputQueueSize = 4096;
inline constexpr std::uint32_t kOutputQueueSize = 4096;

// Read and write time-outs of the port. Reads never block here (the watcher
// reads only what is waiting), and a write waits only while the driver has no
// room, so these only bound what a backend may do on its own.
struct CommTimeouts {
  std::uint32_t readIntervalMs = 0xFFFFFFFF;
  std::uint32_t readTotalMultiplierMs = 0;
  std::uint32_t readTotalConstantMs = 10000;
  std::uint32_t writeTotalMultiplierMs = 0;
  std::uint32_t writeTotalConstantMs = 10000;
};
inline constexpr CommTimeouts kCommTimeouts{};

// The watcher reads at most this many bytes per device read.
inline constexpr std::int32_t kWatcherChunk = 128;

class SerialPort {
 public:
  // `observer` hears of the devices the port opens (their trace, a failed
  // open, a line in trouble); null: nobody does.
  explicit SerialPort(std::shared_ptr<platform::DeviceObserver> observer = nullptr);
  // Stops the watcher of a port still open, so no thread outlives the port.
  virtual ~SerialPort();
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  // Opens at `baudRate`, 8 data bits, no parity, one stop bit, DTR and RTS on.
  // A failure at or after opening the device leaves the port half-open:
  // IsOpen() stays true until Close().
  bool Open(const std::string& portName, std::uint32_t baudRate);
  // Harmless on a closed or half-open port.
  void Close();
  bool IsOpen() const;

  // Hands every byte to the device in order, waiting while its driver has no
  // room; a device that has failed takes nothing more and the command goes
  // unanswered. A count of zero or less writes nothing.
  void Write(const std::uint8_t* bytes, std::int32_t count);
  void Write(std::string_view text);
  // Takes up to `max` of the bytes waiting in the driver; never blocks.
  // Used by the watcher thread.
  std::int32_t Read(std::uint8_t* buffer, std::int32_t max);
  // Drops whatever waits in the driver's queues, both ways.
  void Purge();
  // parity: 0 none, 1 odd, 2 even, 3 mark, 4 space; stopBits: 0 one,
  // 1 one and a half, 2 two. DTR and RTS are held on.
  bool SetLine(std::uint32_t baud, std::uint8_t byteSize, std::uint8_t parity, std::uint8_t stopBits);

  bool HasReceived() const;
  // The oldest byte of the ring. Call only after HasReceived(); an empty ring
  // gives 0 and stays empty.
  std::uint8_t ReadReceivedByte();
  // Discards what the ring holds.
  void ClearReceived();

  // The name actually opened ("\\.\COM12" for "COM12"); empty until the first Open.
  const std::string& DeviceName() const;

 private:
  void WatchInput();
  void DrainDevice();
  void AppendReceived(const std::uint8_t* bytes, std::int32_t count);

  // The device handle: null (closed), or set. A set handle without a device
  // is the invalid-handle value left by an open that failed.
  bool handleSet_ = false;
  std::shared_ptr<platform::DeviceObserver> observer_;
  std::unique_ptr<platform::SerialDevice> device_;
  std::array<std::uint8_t, kRingSize> ring_{};
  std::atomic<std::int32_t> writeIndex_{0};
  std::atomic<std::int32_t> readIndex_{0};
  std::atomic<std::int32_t> running_{0};
  std::thread watcher_;
  platform::LineSettings lineSettings_{};
  std::string deviceName_;
};

}  // namespace serial
