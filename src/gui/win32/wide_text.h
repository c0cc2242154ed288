#pragma once
// The dialog logic's narrow texts in the window's UTF-16 and back. Texts
// shown arrive in the language table's code page; paths leave in the system
// code page, as the platform layer opens them.

#include <string>
#include <string_view>

#include "platform/codepage.h"

namespace gui::win32 {

std::wstring WideOf(platform::CodePage codePage, std::string_view text);
// A character the code page lacks becomes its default character.
std::string NarrowOf(platform::CodePage codePage, std::wstring_view text);

}  // namespace gui::win32
