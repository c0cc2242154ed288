#include "cli/progress_meter.h"

#include <algorithm>
#include <cstdio>

namespace cli {
namespace {

std::string FormatDuration(std::int64_t seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%lld:%02lld", static_cast<long long>(seconds / 60),
                static_cast<long long>(seconds % 60));
  return text;
}

}  // namespace

std::string FormatProgressLine(const ProgressSample& sample, int barWidth) {
  const std::int64_t span = std::max<std::int64_t>(sample.high - sample.low, 1);
  const std::int64_t done = std::clamp<std::int64_t>(sample.position - sample.low, 0, span);
  const int percent = static_cast<int>(done * 100 / span);
  const int filled = static_cast<int>(done * barWidth / span);

  std::string line = "[";
  line.append(static_cast<std::size_t>(filled), '#');
  line.append(static_cast<std::size_t>(barWidth - filled), ' ');
  line += "] ";
  char numbers[96];
  std::snprintf(numbers, sizeof numbers, "%3d%%  %lld/%lld bytes", percent, static_cast<long long>(done),
                static_cast<long long>(span));
  line += numbers;

  if (sample.elapsedMicros > 0 && done > 0) {
    const double rate = static_cast<double>(done) * 1e6 / static_cast<double>(sample.elapsedMicros);
    const auto left = static_cast<std::int64_t>(static_cast<double>(span - done) / rate);
    std::snprintf(numbers, sizeof numbers, "  %.0f B/s  %s left", rate, FormatDuration(left).c_str());
    line += numbers;
  }
  return line;
}

}  // namespace cli
