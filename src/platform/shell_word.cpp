#include "platform/shell_word.h"

#include <algorithm>
#include <cstring>

namespace platform {

bool IsPlainWord(const std::string& text, const char* punctuation) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [punctuation](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           (c != '\0' && std::strchr(punctuation, c) != nullptr);
  });
}

}  // namespace platform
