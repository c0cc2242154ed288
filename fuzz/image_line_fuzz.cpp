// The image-file line reader over arbitrary text, cut into lines the way the
// file run cuts them: at a line feed or after 126 characters.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "bootloader/firmware_image.h"
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
    // A data line holds at most one value for every three characters.
    if (parsed.kind == bootloader::ImageLineKind::Data && parsed.count * 3 > line.size() + 1) std::abort();
    if (parsed.count > parsed.values.size()) std::abort();
    if (parsed.kind == bootloader::ImageLineKind::Malformed &&
        parsed.column + parsed.width > bootloader::ImageLineText(line).size()) {
      std::abort();
    }
    if (parsed.kind == bootloader::ImageLineKind::Address && line.front() != '@') std::abort();
    if (parsed.kind == bootloader::ImageLineKind::End && line.front() != 'q') std::abort();
  }
  // The whole-file check never accepts a file without data.
  const bootloader::ImageReadResult whole = bootloader::ParseFirmwareImage(text);
  if (whole.image && whole.image->dataBytes == 0) std::abort();
  return 0;
}
