#pragma once
// The language's texts, loaded once at start-up. A file that gives no texts at
// all would leave the window's captions and its message boxes empty without a
// word: start-up names it on standard error.

#include <cstdint>
#include <string>

#include "i18n/language_table.h"

namespace app {

// Fills `table` for the language; returns what to say when that gave no
// texts at all (the file named), else an empty text.
std::string LoadLanguage(i18n::LanguageTable& table, const std::string& baseFolder, std::uint16_t languageId);

}  // namespace app
