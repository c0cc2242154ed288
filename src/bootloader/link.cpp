// The link layer: the device, the reset line sequence, the sync byte and the
// framed request/reply exchange.

#include <algorithm>
#include <climits>
#include <optional>

#include "bootloader/boot_loader.h"
#include "platform/clock.h"
#include "platform/port_names.h"
#include "platform/serial_device.h"

namespace bootloader {
namespace {

constexpr std::uint8_t kFrameHeader = 0x80;
constexpr std::uint8_t kSyncByte = 0x80;
constexpr std::uint8_t kSyncAnswer = 0x90;
constexpr std::uint8_t kPadByte = 0xFF;
constexpr int kSyncTries = 3;
constexpr std::uint32_t kSyncWaitMs = 100;
// The device needs this long after each restart step before the loader listens.
constexpr std::uint32_t kResetSettleMs = 250;

// Bits a byte takes on the loader's line: start, 8 data, parity, stop.
constexpr std::uint32_t kBitsPerByte = 11;
constexpr std::uint32_t kLoaderBaud = 9600;

constexpr std::uint8_t kReplyAcknowledged = 0x90;
constexpr std::uint8_t kReplyNotAcknowledged = 0xA0;
constexpr std::uint8_t kReplyCommandFailed = 0x70;
constexpr std::uint8_t kReplyDataFrame = 0x80;

platform::LineSettings LoaderLineSettings() {
  platform::LineSettings settings;
  settings.baudRate = 9600;
  settings.dataBits = 8;
  settings.parity = platform::Parity::Even;
  settings.stopBits = platform::StopBits::One;
  settings.dtr = true;
  settings.rts = true;
  // A close must not reset the device: one left in its loader after a
  // failure stays there for the recovery run, one restarted runs its firmware.
  settings.hangUpOnClose = false;
  return settings;
}

struct Request {
  std::array<std::uint8_t, 4 + UINT8_MAX + 1 + 2> bytes{};
  std::size_t size = 0;
};

// 80, the command, L twice, the data padded with FF to an even L, and the
// checksum low byte first. Nothing when the padded L would not fit its byte
// or the data are missing.
std::optional<Request> BuildRequest(std::uint8_t command, const std::uint8_t* data, std::size_t length) {
  if (length == UINT8_MAX || (length > 0 && data == nullptr)) return std::nullopt;
  Request request;
  std::uint8_t* frame = request.bytes.data();
  frame[0] = kFrameHeader;
  frame[1] = command;
  if (length > 0) std::copy(data, data + length, frame + 4);
  if (length % 2 != 0) frame[4 + length++] = kPadByte;
  frame[2] = static_cast<std::uint8_t>(length);
  frame[3] = static_cast<std::uint8_t>(length);
  const std::uint16_t sum = BootLoader::Checksum(frame, 4 + length);
  frame[4 + length] = static_cast<std::uint8_t>(sum & 0xFF);
  frame[5 + length] = static_cast<std::uint8_t>(sum >> 8);
  request.size = length + 6;
  return request;
}

}  // namespace

int BootLoader::Open(const std::string& portName, std::uint32_t byteTimeoutMs,
                     std::uint32_t replyFactor) {
  byteTimeout_ = byteTimeoutMs;
  replyFactor_ = replyFactor;
  device_.reset();
  // The link does everything from the worker's thread, one call at a time.
  platform::OpenResult opened =
      platform::OpenSerialDevice(platform::FormDeviceName(portName), platform::DeviceUse::OneThread, observer_);
  if (!opened.device) {
    lastError = kOpenFailed;
    return kOpenFailed;
  }
  lineSettings_ = LoaderLineSettings();
  if (!opened.device->Apply(lineSettings_)) {
    lastError = kSettingsRefused;
    return kSettingsRefused;
  }
  device_ = std::move(opened.device);
  ClearQueues();
  lastError = kOk;
  return kOk;
}

int BootLoader::Close() {
  if (!device_) {
    lastError = kCloseFailed;
    return kCloseFailed;
  }
  device_->WaitForDrain(static_cast<int>(std::min<std::uint32_t>(byteTimeout_, INT_MAX)));
  ClearQueues();
  device_.reset();
  lastError = kOk;
  return kOk;
}

void BootLoader::ClearQueues() {
  device_->Purge(platform::PurgeSide::Output);
  device_->Purge(platform::PurgeSide::Input);
}

void BootLoader::SetDtr(bool on) {
  lineSettings_.dtr = on;
  device_->Apply(lineSettings_);
}

void BootLoader::SetRts(bool on) {
  lineSettings_.rts = on;
  device_->Apply(lineSettings_);
}

// DTR drives the reset and RTS the loader request: two RTS pulses while the
// reset is held select the loader; releasing the reset without pulses starts
// the application. Every change writes the whole line-settings record.
void BootLoader::Reset(bool enterLoader) {
  if (!device_) return;
  const std::shared_ptr<platform::Clock> clock = platform::CurrentClock();
  SetDtr(true);
  SetRts(true);
  clock->Sleep(kResetSettleMs);
  SetDtr(false);
  if (enterLoader) {
    SetRts(true);
    SetRts(false);
    SetRts(true);
    SetRts(false);
    SetDtr(true);
    SetRts(true);
  } else {
    SetDtr(true);
  }
  clock->Sleep(kResetSettleMs);
  ClearQueues();
}

int BootLoader::Sync() {
  if (!device_) return kSyncFailed;
  for (int attempt = 0; attempt < kSyncTries; ++attempt) {
    device_->Purge(platform::PurgeSide::Input);
    if (device_->Write(&kSyncByte, 1) != 1) return kSyncFailed;  // the device has failed
    WaitUntilSent(1);
    if (WaitInput(1, kSyncWaitMs) == 0) continue;
    std::uint8_t answer = 0;
    if (device_->Read(&answer, 1) == 1 && answer == kSyncAnswer) return kOk;
  }
  return kSyncFailed;
}

// One byte at a time, every byte taken before the next goes; the loader may
// answer before the frame is complete: stop sending then. A device that has
// failed takes no more, and the reply wait finds nothing. Returns the bytes sent.
std::size_t BootLoader::SendRequest(const std::uint8_t* bytes, std::size_t size) {
  std::size_t sent = 0;
  while (sent < size) {
    if (device_->Write(bytes + sent, 1) != 1) break;
    ++sent;
    if (device_->InputWaiting() > 0) break;
  }
  return sent;
}

// The reply waits count from the moment the request has left: a driver queues
// what it is handed, and a long frame takes a good part of a second on the
// wire at 9600 baud. The wait for the queue to empty is bounded by the wire
// time of the bytes sent and one byte time-out more.
void BootLoader::WaitUntilSent(std::size_t bytesSent) {
  const std::uint64_t wireMs = (std::uint64_t{bytesSent} * kBitsPerByte * 1000 + kLoaderBaud - 1) / kLoaderBaud;
  const std::uint64_t boundMs = wireMs + byteTimeout_;
  device_->WaitForDrain(static_cast<int>(std::min<std::uint64_t>(boundMs, INT_MAX)));
}

// Returns as soon as `count` bytes wait, or once more than `timeoutMs` has
// passed on the tick count. Blocks in the device's readiness wait in between
// rather than spinning.
std::size_t BootLoader::WaitInput(std::size_t count, std::uint32_t timeoutMs) {
  if (!device_) return 0;
  const std::shared_ptr<platform::Clock> clock = platform::CurrentClock();
  const std::uint32_t start = clock->TickCount();
  for (;;) {
    const std::size_t waiting = device_->InputWaiting();
    if (waiting >= count) return waiting;
    const std::uint32_t elapsed = clock->TickCount() - start;
    if (elapsed > timeoutMs) return waiting;
    const std::uint32_t remaining = timeoutMs - elapsed + 1;
    device_->WaitForInput(count, static_cast<int>(std::min<std::uint32_t>(remaining, INT_MAX)));
  }
}

std::uint16_t BootLoader::Checksum(const std::uint8_t* bytes, std::size_t count) {
  std::uint8_t even = 0;
  std::uint8_t odd = 0;
  for (std::size_t i = 0; i < count; ++i) {
    if (i % 2 == 0) {
      even ^= bytes[i];
    } else {
      odd ^= bytes[i];
    }
  }
  return static_cast<std::uint16_t>(static_cast<std::uint8_t>(~even) |
                                    (static_cast<std::uint8_t>(~odd) << 8));
}

int BootLoader::Transact(std::uint8_t command, std::uint8_t* data, std::uint8_t length) {
  if (!device_) {
    lastError = kNoReply;
    return kNoReply;
  }
  const std::optional<Request> request = BuildRequest(command, data, length);
  if (!request) {
    lastError = kBadReply;
    return kBadReply;
  }
  device_->Purge(platform::PurgeSide::Input);
  WaitUntilSent(SendRequest(request->bytes.data(), request->size));

  replyLength_ = 0;
  lastError = kOk;
  const std::uint64_t replyWait = std::uint64_t{byteTimeout_} * replyFactor_;
  if (WaitInput(1, static_cast<std::uint32_t>(std::min<std::uint64_t>(replyWait, UINT32_MAX))) == 0) {
    lastError = kNoReply;
    return kNoReply;
  }
  int result = ReadReply();
  if (result != kOk && lastError == kOk) {
    lastError = kBadReply;
    result = kBadReply;
  }
  return result;
}

// The reply's first byte: its high four bits give its kind.
int BootLoader::ReadReply() {
  std::uint8_t reply = 0;
  if (device_->Read(&reply, 1) != 1) return kBadReply;
  switch (reply & 0xF0) {
    case kReplyAcknowledged: return kOk;
    case kReplyNotAcknowledged: return lastError = kNotAcknowledged;
    case kReplyCommandFailed: return lastError = kCommandFailed;
    case kReplyDataFrame: return ReadDataFrame();
    default: return kBadReply;
  }
}

// After the 80 of a data frame: 00, L1, L2 (equal), L1 data bytes and the
// checksum over 80 00 L1 L2 and the data. A frame longer than the reply area
// is refused before any of its data is stored.
int BootLoader::ReadDataFrame() {
  if (WaitInput(3, byteTimeout_) < 3) return kBadReply;
  std::array<std::uint8_t, 3> head{};
  if (device_->Read(head.data(), head.size()) != head.size()) return kBadReply;
  if (head[0] != 0x00 || head[1] != head[2]) return kBadReply;
  const std::size_t length = head[1];
  if (length > kDataAreaSize) return kBadReply;
  if (WaitInput(length + 2, byteTimeout_) < length + 2) return kBadReply;
  replyFrame_[0] = kReplyDataFrame;
  std::copy(head.begin(), head.end(), replyFrame_.begin() + 1);
  if (device_->Read(replyFrame_.data() + 4, length + 2) != length + 2) return kBadReply;
  replyLength_ = length;
  const std::uint16_t received =
      static_cast<std::uint16_t>(replyFrame_[4 + length] | (replyFrame_[5 + length] << 8));
  return Checksum(replyFrame_.data(), 4 + length) == received ? kOk : kBadReply;
}

}  // namespace bootloader
