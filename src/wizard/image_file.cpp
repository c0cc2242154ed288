#include "wizard/image_file.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "bootloader/firmware_image.h"
#include "i18n/notices.h"
#include "platform/process.h"

namespace wizard {
namespace {

std::string WhatIsWrong(const i18n::LanguageTable* table, const bootloader::ImageDamage& damage) {
  using bootloader::ImageProblem;
  auto text = [table](i18n::Entry entry) {
    return table ? table->GetText(entry) : std::string(i18n::BuiltInNotice(entry.index));
  };
  switch (damage.problem) {
    case ImageProblem::NotHexValue: return i18n::FillIn(text(i18n::WhatNotHexValue), {{"value", damage.value}});
    case ImageProblem::NoAddress: return text(i18n::WhatNoAddress);
    case ImageProblem::LineTooLong:
      return i18n::FillIn(text(i18n::WhatLineTooLong), {{"limit", std::to_string(bootloader::kImageLineTextMax)}});
    case ImageProblem::TooManyValues: return text(i18n::WhatTooManyValues);
    case ImageProblem::Truncated: return text(i18n::WhatTruncated);
    case ImageProblem::NoData: return text(i18n::WhatNoData);
    case ImageProblem::NotRegularFile: return text(i18n::WhatNotRegularFile);
    case ImageProblem::TooLarge: return text(i18n::WhatTooLarge);
    default: return i18n::FillIn(text(i18n::WhatNotReadable), {{"error", damage.systemText}});
  }
}

}  // namespace

// The message for a refused file: which file, which line, what is wrong.
std::string DescribeRefusedFile(const i18n::LanguageTable* table, const std::string& path,
                                const bootloader::ImageDamage& damage, bool patch) {
  const i18n::Entry atLine = patch ? i18n::PatchDamagedAtLine : i18n::ImageDamagedAtLine;
  const i18n::Entry whole = patch ? i18n::PatchRefused : i18n::ImageRefused;
  const i18n::Entry entry = damage.line > 0 ? atLine : whole;
  const std::string text = table ? table->GetText(entry) : std::string(i18n::BuiltInNotice(entry.index));
  return i18n::FillIn(text, {{"file", path}, {"line", std::to_string(damage.line)}, {"what", WhatIsWrong(table, damage)}});
}


CheckedFiles CheckImageAndPatch(const std::string& imagePath, const std::string& patchPath) {
  CheckedFiles files;
  bootloader::ImageReadResult image = bootloader::ReadFirmwareImage(imagePath);
  if (!image.image) {
    files.damage = std::move(image.damage);
    return files;
  }
  std::error_code error;
  if (std::filesystem::exists(patchPath, error)) {
    bootloader::ImageReadResult patch = bootloader::ReadFirmwareImage(patchPath);
    if (!patch.image) {
      files.damage = std::move(patch.damage);
      files.patchRefused = true;
      return files;
    }
    files.patch = std::make_shared<const bootloader::FirmwareImage>(std::move(*patch.image));
  }
  files.image = std::make_shared<const bootloader::FirmwareImage>(std::move(*image.image));
  return files;
}

ImageFolder ImageFolderFor(const std::string& baseFolder, device::InterfaceKind kind) {
  const std::string image = platform::FindEntryPath(baseFolder, "Image");
  switch (kind) {
    case device::InterfaceKind::Apex:
      return {platform::FindEntryPath(image, "Apex") + platform::kFolderSeparator, "QRA*.mbl"};
    case device::InterfaceKind::Tern:
    case device::InterfaceKind::TernIIMemory:
      return {platform::FindEntryPath(image, "Tern") + platform::kFolderSeparator, "QRT*.mbl"};
    default:
      return {image + platform::kFolderSeparator, "*.mbl"};
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
