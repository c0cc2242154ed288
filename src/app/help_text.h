#pragma once
// The help texts' layout: usage lines, an option list and paragraphs, wrapped
// to the width of a terminal.

#include <cstddef>
#include <string>
#include <string_view>

namespace app {

inline constexpr std::size_t kHelpWidth = 79;

// `text` wrapped at its blanks into lines of at most `width` columns (a
// longer word stands alone). The first line goes on after `firstColumn`
// columns already written; the others start with `indent` blanks. Ends with
// a line feed.
std::string WrapText(std::string_view text, std::size_t firstColumn, std::size_t indent,
                     std::size_t width = kHelpWidth);

// "Usage: PROGRAM FORM", one form after another, each wrapped between its
// options, never inside an option's brackets.
std::string UsageLines(std::string_view program, unsigned programUses);

// The options of `uses`, one paragraph each, their help beside their names.
std::string OptionList(unsigned uses);

}  // namespace app
