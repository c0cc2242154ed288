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

// Runs `run` with two temporary streams in place of standard output and
// standard error; what it wrote to them comes back in `out` and `err`.
template <typename Run>
auto CaptureStreams(Run&& run, std::string& out, std::string& err) {
  std::FILE* outFile = std::tmpfile();
  std::FILE* errFile = std::tmpfile();
  auto result = run(outFile, errFile);
  out = StreamText(outFile);
  err = StreamText(errFile);
  std::fclose(outFile);
  std::fclose(errFile);
  return result;
}

}  // namespace testing_support
