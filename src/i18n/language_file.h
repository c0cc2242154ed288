#pragma once
// Reading a language file's bytes and cutting them into the lines the
// language table walks.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/codepage.h"

namespace i18n {

// The file's bytes, untranslated. nullopt: the file cannot be opened (it is
// missing, unreadable or not a regular file). A read error part-way keeps
// the whole lines read before it and drops the rest.
std::optional<std::string> ReadLanguageFile(const std::string& path);

// The working text: the file's lines (each up to an LF, which is dropped)
// each followed by CR LF, with a byte order mark removed from the first line.
std::string BuildWorkingText(std::string_view fileBytes);

// The working text cut at every CR and LF, empty lines skipped. A lead byte
// of `codePage` takes the byte after it along, so that byte ends nothing.
std::vector<std::string_view> SplitLines(std::string_view workingText, platform::CodePage codePage);

// One entry line split into its key and its text, walking it the same way.
struct EntryLine {
  std::string_view key;
  std::string_view text;
};
EntryLine SplitEntryLine(std::string_view line, platform::CodePage codePage);

}  // namespace i18n
