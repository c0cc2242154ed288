// The image-file line reader over arbitrary text, cut into lines the way the
// file run cuts them: at a line feed or after 126 characters.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "bootloader/image_line.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = start;
    while (end < text.size() && end - start < bootloader::kImageLineMax && text[end++] != '\n') {
    }
    const std::string_view line = text.substr(start, end - start);
    start = end;
    const bootloader::ImageLine parsed = bootloader::ParseImageLine(line);
    // A data line reads one value at each of its positions 0, 3, 6, ...
    // before its last three characters, or is refused.
    const std::size_t positions = line.size() > 3 ? (line.size() - 3 + 2) / 3 : 0;
    if (parsed.kind == bootloader::ImageLineKind::Data && parsed.count != positions) std::abort();
    if (parsed.count > parsed.values.size()) std::abort();
    if (parsed.kind == bootloader::ImageLineKind::Address && line.front() != '@') std::abort();
    if (parsed.kind == bootloader::ImageLineKind::End && line.front() != 'q') std::abort();
  }
  return 0;
}
