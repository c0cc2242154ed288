#include <filesystem>
#include <random>
#include <system_error>

#include "support/test_os.h"

namespace testsupport {

std::string MakeScratchFolder(const std::string& prefix) {
  std::random_device seed;
  std::mt19937_64 random(seed());
  std::error_code error;
  const std::filesystem::path temporary = std::filesystem::temp_directory_path(error);
  if (error) return {};
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::filesystem::path candidate =
        temporary / (prefix + "-" + std::to_string(ProcessId()) + "-" + std::to_string(random() % 1'000'000'000));
    // Made here, or someone else's: only a folder this call made is ours.
    if (std::filesystem::create_directory(candidate, error) && !error) return candidate.string();
  }
  return {};
}

}  // namespace testsupport
