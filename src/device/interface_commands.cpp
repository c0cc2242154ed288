#include "device/interface_commands.h"

#include <utility>

#include "platform/clock.h"

namespace device {

std::string WriteSerialCommand(std::string_view serialNumber) {
  std::string command(kWriteSerialPrefix);
  command.append(serialNumber);
  command.append(kWriteSerialSuffix);
  return command;
}

InterfaceCommands::InterfaceCommands(serial::SerialPort& port, StopCheck stopCheck)
    : port_(port), stopCheck_(std::move(stopCheck)) {}

bool InterfaceCommands::OpenForCommands(const std::string& portName) {
  if (!port_.Open(portName, kCommandBaudRate)) return false;
  // A stop cuts the settling short; the command after it is then never sent.
  for (int i = 0; i < kOpenSettleWaits && !Stopping(); ++i) platform::CurrentClock()->Sleep(kOpenSettleWaitMs);
  port_.Purge();
  port_.ClearReceived();
  return true;
}

ExchangeResult InterfaceCommands::CollectReplyLines(std::string& replyBuffer,
                                                    const LineHandler& handler) {
  replyBuffer.clear();
  bool waiting = true;
  for (int passesLeft = kReplyPasses; passesLeft > 0; --passesLeft) {
    platform::CurrentClock()->Sleep(kReplyPassMs);
    while (port_.HasReceived()) {
      const ReplyByte outcome = AppendReplyByte(replyBuffer, static_cast<char>(port_.ReadReceivedByte()));
      if (outcome == ReplyByte::Dropped) break;  // an over-long line is never recognised
      if (outcome == ReplyByte::Kept) continue;
      if (handler(replyBuffer) == LineVerdict::Failed) return ExchangeResult::Failed;
      waiting = false;  // further lines are still read and handled
    }
    if (!waiting) return ExchangeResult::Completed;
    if (Stopping()) return ExchangeResult::Stopped;
  }
  return ExchangeResult::TimedOut;
}

ExchangeResult InterfaceCommands::IdentifyInterface(std::string& replyBuffer,
                                                    const LineHandler& handler) {
  if (Stopping()) return ExchangeResult::Stopped;
  port_.Write(kIdentifyCommand);
  return CollectReplyLines(replyBuffer, handler);
}

ExchangeResult InterfaceCommands::ReadSerialNumber(std::string& replyBuffer, std::string& serialNumber,
                                                   const std::function<void()>& onLine) {
  if (Stopping()) return ExchangeResult::Stopped;
  port_.Write(kReadSerialCommand);
  return CollectReplyLines(replyBuffer, [&](std::string& payload) {
    serialNumber = IsValidSerialNumber(payload) ? payload : std::string(PlaceholderSerialNumber);
    if (onLine) onLine();
    return LineVerdict::Complete;
  });
}

bool InterfaceCommands::WriteSerialNumber(const std::string& portName, const std::string& serialNumber) {
  const bool opened = port_.Open(portName, kCommandBaudRate);
  if (opened) {
    platform::CurrentClock()->Sleep(kWriteSettleMs);
    port_.Purge();
    port_.ClearReceived();
    port_.Write(WriteSerialCommand(serialNumber));
    platform::CurrentClock()->Sleep(kWriteStoreMs);
  }
  port_.ClearReceived();  // whatever the interface answered is not awaited
  return opened;
}

}  // namespace device
