#pragma once
// What the benchmarks share: the process's processor time and peak memory,
// and the demo image they program by default.

#include <sys/resource.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace bench {

inline double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

inline long PeakKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// The first Apex demo image by name, or empty when there is none.
inline std::string DefaultImage() {
  const std::filesystem::path folder = std::filesystem::path(QUORREL_SOURCE_DIR) / "data/Image/Apex";
  std::vector<std::string> images;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    if (entry.path().extension() == ".mbl") images.push_back(entry.path().string());
  }
  std::sort(images.begin(), images.end());
  return images.empty() ? std::string() : images.front();
}

}  // namespace bench
