#pragma once
// The terminal's progress bar: percent, bytes, rate and time left, redrawn in
// place on standard error.

#include <cstdint>
#include <string>

namespace cli {

struct ProgressSample {
  std::int64_t position = 0;
  std::int64_t low = 0;
  std::int64_t high = 0;
  std::int64_t elapsedMicros = 0;  // since the bar last started from its low end
};

// One line, without the carriage return that redraws it.
std::string FormatProgressLine(const ProgressSample& sample, int barWidth = 30);

}  // namespace cli
