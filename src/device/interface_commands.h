#pragma once
// The text commands of the interface's application firmware: identify the
// model, read and write the serial number. Each exchange blocks its caller and
// polls the port's receive ring.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "device/interface_kind.h"
#include "device/reply_line.h"
#include "device/serial_number.h"
#include "serial/serial_port.h"

namespace device {

inline constexpr std::uint32_t kCommandBaudRate = 115200;
inline constexpr std::string_view kIdentifyCommand = "S{10,3}";
inline constexpr std::string_view kReadSerialCommand = "S{10,r}";
inline constexpr std::string_view kWriteSerialPrefix = "S{10,w,";
inline constexpr std::string_view kWriteSerialSuffix = "}";

// The firmware needs about two seconds after the port opens before it listens.
inline constexpr int kOpenSettleWaits = 200;
inline constexpr std::uint32_t kOpenSettleWaitMs = 10;
// A reply has 50 polling passes of at least 10 ms (about half a second).
inline constexpr int kReplyPasses = 50;
inline constexpr std::uint32_t kReplyPassMs = 10;
// The serial-number write: settle after opening, then give the firmware time
// to store the number before the port is closed.
inline constexpr std::uint32_t kWriteSettleMs = 1000;
inline constexpr std::uint32_t kWriteStoreMs = 500;

enum class LineVerdict { Complete, Failed };
// Stopped: a stop was asked for before the command went out or while its
// reply was awaited; nothing more was sent.
enum class ExchangeResult { Completed, Failed, TimedOut, Stopped };

// Gets the reply buffer holding the cut payload; it may replace the buffer's
// content (detection puts "Unknown" there).
using LineHandler = std::function<LineVerdict(std::string& replyBuffer)>;

// "S{10,w," + serial number + "}".
std::string WriteSerialCommand(std::string_view serialNumber);

class InterfaceCommands {
 public:
  // Asked while the firmware settles and while a reply is awaited; true ends
  // the wait, and an exchange then reports Stopped.
  using StopCheck = std::function<bool()>;

  explicit InterfaceCommands(serial::SerialPort& port, StopCheck stopCheck = {});

  // Opens at 115200 baud, lets the firmware settle for 2 s (less when a stop
  // is asked for), purges and clears the ring. False (and nothing sent) when
  // the port does not open.
  bool OpenForCommands(const std::string& portName);
  // The reply buffer belongs to the caller (the worker shows it later); it is
  // emptied here, as a command has just been sent.
  ExchangeResult CollectReplyLines(std::string& replyBuffer, const LineHandler& handler);
  ExchangeResult IdentifyInterface(std::string& replyBuffer, const LineHandler& handler);
  // Writes "S{10,r}"; for each line sets serialNumber (a valid payload or
  // PlaceholderSerialNumber) and then calls onLine (the caller's status line and pause).
  ExchangeResult ReadSerialNumber(std::string& replyBuffer, std::string& serialNumber,
                                  const std::function<void()>& onLine);
  // Opens the port and writes the serial number; nothing is read back. The
  // port stays open (half-open if it failed); the caller closes it. False
  // when the port did not open and nothing was written.
  bool WriteSerialNumber(const std::string& portName, const std::string& serialNumber);

 private:
  bool Stopping() const { return stopCheck_ && stopCheck_(); }

  serial::SerialPort& port_;
  StopCheck stopCheck_;
};

}  // namespace device
