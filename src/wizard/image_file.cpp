#include "wizard/image_file.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "platform/process.h"

namespace wizard {

ImageFolder ImageFolderFor(const std::string& baseFolder, device::InterfaceKind kind) {
  const std::string image = platform::FindEntryPath(baseFolder, "Image");
  switch (kind) {
    case device::InterfaceKind::Apex:
      return {platform::FindEntryPath(image, "Apex") + "/", "QRA*.mbl"};
    case device::InterfaceKind::Tern:
    case device::InterfaceKind::TernIIMemory:
      return {platform::FindEntryPath(image, "Tern") + "/", "QRT*.mbl"};
    default:
      return {image + "/", "*.mbl"};
  }
}

ImageMeasure MeasureImageFile(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  // A folder does not open as a file; a regular file must be readable.
  if (error || !fs::exists(status) || fs::is_directory(status)) return {};
  if (fs::is_regular_file(status)) {
    std::ifstream file(path, std::ios::binary);
    if (!file.is_open()) return {};
  }
  // Anything else (a pipe, a device) is never opened, so nothing can block:
  // its length query fails and is reported.
  const std::uintmax_t length = fs::file_size(path, error);
  if (error) return {ImageMeasure::Status::LengthFailed, 0, error.message()};
  return {ImageMeasure::Status::Measured, length, {}};
}

}  // namespace wizard
