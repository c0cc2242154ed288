#include "device/reply_line.h"

namespace device {
namespace {

constexpr char kLineFeed = '\n';
// A line feed ends a line only once the buffer holds at least this much;
// earlier it is an ordinary character.
constexpr std::size_t kShortestLine = kReplyTailLength;

void CutToPayload(std::string& line) {
  if (line.size() <= kReplyLeadLength + kReplyTailLength) {
    line.clear();
    return;
  }
  line = line.substr(kReplyLeadLength, line.size() - kReplyLeadLength - kReplyTailLength);
}

}  // namespace

ReplyByte AppendReplyByte(std::string& buffer, char byte) {
  if (buffer.size() >= kReplyBufferLimit) return ReplyByte::Dropped;
  buffer.push_back(byte);
  if (byte != kLineFeed || buffer.size() < kShortestLine) return ReplyByte::Kept;
  CutToPayload(buffer);
  return ReplyByte::LineComplete;
}

}  // namespace device
