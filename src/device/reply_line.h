#pragma once
// How reply bytes gather into lines: at most 128 characters are kept, and a
// line feed ends a line once at least 3 characters are held; the line is then
// cut to its payload in place.

#include <cstddef>
#include <string>

namespace device {

// At most this many characters, the line feed included, are collected.
inline constexpr std::size_t kReplyBufferLimit = 128;
// A reply line is one leading character, the payload, two characters and a line feed.
inline constexpr std::size_t kReplyLeadLength = 1;
inline constexpr std::size_t kReplyTailLength = 3;

enum class ReplyByte {
  Kept,          // appended; no line yet
  Dropped,       // the buffer is full: the byte is lost and this pass stops reading
  LineComplete,  // the buffer now holds the cut payload of a whole line
};

// Adds one received byte to `buffer`. The payload of a line is the line
// without its first character and its last three (the last being the line
// feed); a 3-character line has an empty payload.
ReplyByte AppendReplyByte(std::string& buffer, char byte);

}  // namespace device
