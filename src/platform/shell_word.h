#pragma once
// A command the program tells the user to type: each word written so that
// the system's own command shell (a POSIX shell; on Windows the console's
// command prompt and the C library's reading of a command line) passes it to
// the program as it stands.

#include <string>

namespace platform {

// `text` as one word of a command line; unchanged when it needs no quoting.
std::string ShellWord(const std::string& text);

// Whether `text` is not empty and holds only letters, digits and the
// characters of `punctuation`: a word each shell takes as it stands.
bool IsPlainWord(const std::string& text, const char* punctuation);

}  // namespace platform
