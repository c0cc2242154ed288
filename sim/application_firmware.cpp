#include "sim/application_firmware.h"

namespace sim {
namespace {

// The firmware's command buffer; a longer run of bytes without "}" is dropped.
constexpr std::size_t kCommandBufferSize = 128;
constexpr std::size_t kLongLineLength = 140;
constexpr std::string_view kMalformedSerial = "QRX12345A7";
constexpr std::string_view kSecondLinePayload = "Ready";

}  // namespace

std::optional<Emission> ApplicationFirmware::Receive(std::uint8_t byte) {
  pending_ += static_cast<char>(byte);
  if (byte != '}') {
    if (pending_.size() >= kCommandBufferSize) pending_.clear();
    return std::nullopt;
  }
  // Only a command exactly as sent alone is understood: stray bytes in front
  // of it spoil it.
  const bool exact = pending_.starts_with("S{");
  const std::string command = exact ? pending_.substr(2, pending_.size() - 3) : std::string();
  pending_.clear();
  if (!exact) return std::nullopt;
  return Execute(command);
}

std::optional<Emission> ApplicationFirmware::Execute(const std::string& command) {
  const bool identify = command == "10,3";
  const bool read = command == "10,r";
  const bool write = command.starts_with("10,w,");
  if (!identify && !read && !write) return std::nullopt;
  commands_.push_back(command);
  const std::uint32_t n = faults_.Count(FaultBook::Counter::TextCommand);
  if (write) {
    memory_.StoreSerialNumber(command.substr(5));
    return std::nullopt;
  }
  if (faults_.Fires(FaultKind::NoReply, n)) return std::nullopt;
  std::string payload = options_.model;
  if (read) {
    const std::uint32_t reads = faults_.Count(FaultBook::Counter::SerialRead);
    payload = faults_.Fires(FaultKind::BadSerial, reads) ? std::string(kMalformedSerial) : memory_.SerialNumber();
  }
  if (faults_.Fires(FaultKind::LongLine, n)) payload = std::string(kLongLineLength, '#');
  std::string text;
  if (faults_.Fires(FaultKind::EmptyLine, n)) text += "\r\n";
  text += Line(payload);
  if (faults_.Fires(FaultKind::SecondLine, n)) text += Line(std::string(kSecondLinePayload));
  Emission reply;
  reply.bytes.assign(text.begin(), text.end());
  reply.delay = static_cast<platform::Micros>(options_.replyDelayMs) * 1000;
  return reply;
}

// One leading character, the payload, two trailing characters, a line feed.
std::string ApplicationFirmware::Line(const std::string& payload) const {
  return options_.replyLead + payload + options_.replyTrail + '\n';
}

}  // namespace sim
