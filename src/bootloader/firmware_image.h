#pragma once
// A firmware image (or the loader patch) read whole and checked before
// anything is sent to the loader: the bytes checked are the bytes programmed,
// so a file that changes on disk during an upgrade changes nothing.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "bootloader/image_line.h"

namespace bootloader {

// Far above any image the interfaces' flash can hold in this text format.
inline constexpr std::size_t kImageFileMax = 4 * 1024 * 1024;

enum class ImageProblem {
  None,
  NotOpened,       // the file cannot be opened
  NotRegularFile,  // a directory, a named pipe, a device
  TooLarge,
  ReadFailed,
  NotHexValue,    // a value that is not two hexadecimal digits
  NoAddress,      // an address line without a number
  LineTooLong,    // longer than the format allows
  TooManyValues,  // more values than the longest line carries
  Truncated,      // the last line stops before its line end
  NoData,         // nothing to program
};

struct ImageDamage {
  ImageProblem problem = ImageProblem::None;
  std::size_t line = 0;    // 1-based; 0 when the problem is the whole file
  std::string value;       // the offending text, for NotHexValue and NoAddress
  std::string systemText;  // the system's words for a failed open or read
};

struct FirmwareImage {
  // Address and data lines up to the end line.
  std::vector<ImageLine> lines;
  // Characters of the file read once each line is taken, its line end
  // included (the window's progress bar runs over the file's size).
  std::vector<std::int32_t> charactersAfter;
  std::size_t dataBytes = 0;
  // The whole file as read and checked: its size and SHA-256, which say in a
  // record which firmware went into a device.
  std::size_t fileBytes = 0;
  std::string sha256;
};

struct ImageReadResult {
  std::optional<FirmwareImage> image;  // empty when the file is refused
  ImageDamage damage;
};

// Checks a whole file's text. Lines after the end line are not read.
ImageReadResult ParseFirmwareImage(std::string_view text);
// Reads the file once and checks it.
ImageReadResult ReadFirmwareImage(const std::string& path);

}  // namespace bootloader
