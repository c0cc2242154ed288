#pragma once
// Paths are the program's narrow texts in the ANSI code page; the system's
// wide calls take them whatever their length.

#include <string>

namespace platform::win32 {

// `path` for the wide calls: in UTF-16, and, when it is too long for the
// classic limit of 260 characters, made whole and marked as a long path.
std::wstring SystemPath(const std::string& path);

// A name the system gave in UTF-16, back in the ANSI code page.
std::string AnsiText(const std::wstring& text);

}  // namespace platform::win32
