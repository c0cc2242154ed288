// The whole-file check that runs before anything is erased, on the largest
// image the interfaces' flash can take (60 KiB of data from 1000, in lines of
// 16 values) and on the demo images: time per check, characters per second,
// and the memory the checked image holds. The check runs when the image is
// chosen, so it must stay far below what a user notices (a tenth of a second).
//
// Usage: quorrel_bench_image_check [IMAGE.mbl ...]

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bootloader/firmware_image.h"

namespace {

std::string LargestImageText() {
  std::string text = "@1000\r\n";
  char value[4];
  for (std::size_t i = 0; i < 0xF000; ++i) {
    std::snprintf(value, sizeof value, "%02X", static_cast<unsigned>((i * 7) & 0xFF));
    text += value;
    text += (i % 16 == 15) ? "\r\n" : " ";
  }
  return text + "q\r\n";
}

void Measure(const std::string& path) {
  constexpr int kRounds = 20;
  const auto start = std::chrono::steady_clock::now();
  std::size_t dataBytes = 0;
  std::size_t lines = 0;
  for (int i = 0; i < kRounds; ++i) {
    const bootloader::ImageReadResult result = bootloader::ReadFirmwareImage(path);
    if (!result.image) {
      std::printf("%s: refused at line %zu\n", path.c_str(), result.damage.line);
      return;
    }
    dataBytes = result.image->dataBytes;
    lines = result.image->lines.size();
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / kRounds;
  const auto size = std::filesystem::file_size(path);
  const double held = static_cast<double>(lines * (sizeof(bootloader::ImageLine) + sizeof(std::int32_t)));
  std::printf("%-40s %8ju chars %6zu data bytes  %7.2f ms per check  %6.1f MB/s  %6.0f KiB held\n",
              std::filesystem::path(path).filename().c_str(), static_cast<std::uintmax_t>(size), dataBytes,
              seconds * 1e3, static_cast<double>(size) / seconds / 1e6, held / 1024);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string largest = (std::filesystem::temp_directory_path() / "quorrel_bench_largest.mbl").string();
  std::ofstream(largest, std::ios::binary) << LargestImageText();
  Measure(largest);
  for (int i = 1; i < argc; ++i) Measure(argv[i]);
  std::filesystem::remove(largest);
  return 0;
}
