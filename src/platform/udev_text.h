#pragma once
// The texts the device manager hands over come from the adapter itself and
// may hold anything: they are decoded and cleaned before anyone shows them.

#include <string>
#include <string_view>

namespace platform {

// Undoes the device manager's "\x20"-style escapes; a malformed escape stays
// as it was written.
std::string DecodeUdevEscapes(std::string_view text);

// The text with every control character, and every byte that is not part of
// well-formed UTF-8, replaced by '?', so an adapter cannot move a terminal's
// cursor or break a window's text.
std::string CleanDisplayText(std::string_view text);

}  // namespace platform
