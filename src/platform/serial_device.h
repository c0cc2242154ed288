#pragma once
// One interface for a serial device, whatever carries it: a tty, the built-in
// simulated interface, or a network port. Each backend lives in files of its
// own behind this header; OpenSerialDevice picks one from the port name.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/device_observer.h"
#include "platform/result.h"

namespace platform {

// Parity and stop bits in the encoding the line-settings records use:
// 0 = no parity, 0 = one stop bit.
enum class Parity : std::uint8_t { None = 0, Odd = 1, Even = 2, Mark = 3, Space = 4 };
enum class StopBits : std::uint8_t { One = 0, OneAndHalf = 1, Two = 2 };

// One line-settings record. Applying it sets the framing and both modem lines
// at once, so no step of a line sequence leaves the lines in a state that the
// sequence does not have.
struct LineSettings {
  std::uint32_t baudRate = 9600;
  std::uint8_t dataBits = 8;
  Parity parity = Parity::None;
  StopBits stopBits = StopBits::One;
  bool dtr = true;  // held on
  bool rts = true;  // held on
  // Whether the driver drops DTR and RTS when the port closes, as a tty does
  // unless told otherwise. Where DTR drives the interface's reset, a drop
  // holds it in reset from the close until the next open.
  bool hangUpOnClose = true;
  friend bool operator==(const LineSettings&, const LineSettings&) = default;
};

enum class PurgeSide : std::uint8_t { Input = 1, Output = 2, Both = 3 };

// Wait time meaning "until input arrives or the wait is cancelled".
inline constexpr int kWaitForever = -1;

class SerialDevice {
 public:
  virtual ~SerialDevice() = default;

  virtual bool Apply(const LineSettings& settings) = 0;
  virtual std::size_t InputWaiting() = 0;
  virtual std::size_t OutputWaiting() = 0;
  // Takes up to `max` of the bytes waiting; never blocks.
  virtual std::size_t Read(std::uint8_t* buffer, std::size_t max) = 0;
  // Hands bytes to the device in order, waiting while its driver has no room;
  // returns how many it took. Fewer than `count` only when the device has
  // failed or has taken nothing for a bounded time: no byte is skipped.
  virtual std::size_t Write(const std::uint8_t* bytes, std::size_t count) = 0;
  virtual void Purge(PurgeSide side) = 0;
  // Blocks until at least `count` bytes wait, `timeoutMs` passes, or
  // CancelWait is called; returns the bytes waiting then.
  virtual std::size_t WaitForInput(std::size_t count, int timeoutMs) = 0;
  // Blocks until the output queue is empty or `timeoutMs` passes.
  virtual bool WaitForDrain(int timeoutMs) = 0;
  // Cuts a WaitForInput short from another thread. A cancel that comes while
  // no wait runs ends the next wait at once.
  virtual void CancelWait() = 0;
};

// The platform's result form; the device it opened is named for what it is.
struct [[nodiscard]] OpenResult {
  std::unique_ptr<SerialDevice> device;  // null on failure
  Error error = Error::None;
  std::string detail;  // what the system said, for the user

  bool ok() const { return error == Error::None; }
};

// How the caller uses the device, so a backend can open it to suit: a
// watcher thread waits for input while another thread writes (the
// application-phase port), or one thread at a time does everything (the
// loader link, whose cancels only ever end its next wait).
enum class DeviceUse : std::uint8_t { Watched, OneThread };

// Resolves a port name ("COM3", "\\.\COM12", "/dev/ttyUSB0", or one a
// registered scheme takes) and opens the device exclusively. `observer`, when
// given, traces the device, hears why it did not open and what troubles its
// line meets; it lives as long as the device does.
OpenResult OpenSerialDevice(const std::string& name, DeviceUse use = DeviceUse::Watched,
                            std::shared_ptr<DeviceObserver> observer = nullptr);

// "115200 8N1", "9600 8E1".
std::string DescribeSettings(const LineSettings& settings);

// A short, user-facing reason for a failed open; for a name nobody takes,
// the names that are taken (the registered schemes' among them).
std::string DescribeOpenError(Error error);

}  // namespace platform
