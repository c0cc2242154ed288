#pragma once
// What a run wrote to a temporary stream (std::tmpfile), read back whole.

#include <cstdio>
#include <string>

namespace testing_support {

inline std::string StreamText(std::FILE* file) {
  std::fflush(file);
  std::rewind(file);
  std::string text;
  char buffer[4096];
  while (std::size_t n = std::fread(buffer, 1, sizeof buffer, file)) text.append(buffer, n);
  return text;
}

}  // namespace testing_support
