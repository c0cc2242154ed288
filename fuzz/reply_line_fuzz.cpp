// Reply bytes from the interface, whatever they are: the buffer never grows
// past its limit and every cut payload fits inside a line.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "device/reply_line.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string buffer;
  for (std::size_t i = 0; i < size; ++i) {
    const device::ReplyByte outcome = device::AppendReplyByte(buffer, static_cast<char>(data[i]));
    if (buffer.size() > device::kReplyBufferLimit) std::abort();
    if (outcome == device::ReplyByte::Dropped && buffer.size() != device::kReplyBufferLimit) std::abort();
    if (outcome == device::ReplyByte::LineComplete &&
        buffer.size() > device::kReplyBufferLimit - device::kReplyLeadLength - device::kReplyTailLength) {
      std::abort();
    }
  }
  return 0;
}
