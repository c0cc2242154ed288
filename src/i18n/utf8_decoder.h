#pragma once
// The language files' UTF-8, decoded leniently: overlong forms and
// surrogate values are taken at their value, as the files have always been.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace i18n {

// UTF-16 runs, with one character beyond U+FFFF between each run and the
// next (such a character has no place in any narrow code page).
struct DecodedText {
  std::vector<std::u16string> runs{std::u16string()};
};

// nullopt: the bytes are not acceptable (a stray continuation byte, a
// sequence cut short or broken, or a value too large).
std::optional<DecodedText> DecodeUtf8(std::string_view bytes);

}  // namespace i18n
