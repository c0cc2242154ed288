#include "wizard/image_file.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>

#include "bootloader/firmware_image.h"
#include "i18n/notices.h"
#include "platform/process.h"

namespace wizard {
namespace {

// Each model's image folder under Image/ and the chooser's pattern there.
struct ModelImages {
  device::InterfaceKind kind;
  const char* folder;
  const char* pattern;
  const char* names;
};
constexpr ModelImages kModelImages[] = {
    {device::InterfaceKind::Apex, "Apex", "QRA*.mbl", "Quorrel Apex"},
    {device::InterfaceKind::Tern, "Tern", "QRT*.mbl", "Quorrel Tern / Quorrel Tern II Memory"},
};

// The images of `kind`'s folder; null for a kind with none of its own.
const ModelImages* ModelImagesFor(device::InterfaceKind kind) {
  const device::InterfaceKind family = device::IsTernFamily(kind) ? device::InterfaceKind::Tern : kind;
  for (const ModelImages& model : kModelImages) {
    if (model.kind == family) return &model;
  }
  return nullptr;
}

bool SameLetters(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
  });
}

// A pattern of one '*' between a fixed start and a fixed end ("QRA*.mbl"),
// letter case aside.
bool MatchesPattern(std::string_view name, std::string_view pattern) {
  const std::size_t star = pattern.find('*');
  const std::string_view head = pattern.substr(0, star);
  const std::string_view tail = pattern.substr(star + 1);
  return name.size() >= head.size() + tail.size() && SameLetters(name.substr(0, head.size()), head) &&
         SameLetters(name.substr(name.size() - tail.size()), tail);
}

// A name in the folder is a patch that is there, whether or not it can be
// read: a link to nothing, a loop of links or a name that cannot be looked at
// is refused as damaged before anything is erased, never taken for absent.
bool PatchEntryExists(const std::string& patchPath) {
  std::error_code error;
  return std::filesystem::symlink_status(patchPath, error).type() != std::filesystem::file_type::not_found;
}

std::string WhatIsWrong(const i18n::LanguageTable* table, const bootloader::ImageDamage& damage) {
  using bootloader::ImageProblem;
  auto text = [table](i18n::Entry entry) { return i18n::NoticeText(table, entry); };
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
  const std::string text = i18n::NoticeText(table, entry);
  return i18n::FillIn(text, {{"file", path}, {"line", std::to_string(damage.line)}, {"what", WhatIsWrong(table, damage)}});
}


CheckedFiles CheckImageAndPatch(const std::string& imagePath, const std::string& patchPath) {
  CheckedFiles files;
  bootloader::ImageReadResult image = bootloader::ReadFirmwareImage(imagePath);
  if (!image.image) {
    files.damage = std::move(image.damage);
    return files;
  }
  if (PatchEntryExists(patchPath)) {
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
  const ModelImages* model = ModelImagesFor(kind);
  if (!model) return {image + platform::kFolderSeparator, "*.mbl"};
  return {platform::FindEntryPath(image, model->folder) + platform::kFolderSeparator, model->pattern};
}

std::optional<ImageModel> ImageModelOf(const std::string& fileName) {
  for (const ModelImages& model : kModelImages) {
    if (MatchesPattern(fileName, model.pattern)) return ImageModel{model.kind, model.names};
  }
  return std::nullopt;
}

bool ImageIsForOtherModel(const std::string& fileName, device::InterfaceKind kind) {
  const std::optional<ImageModel> image = ImageModelOf(fileName);
  return image && ModelImagesFor(image->kind) != ModelImagesFor(kind);
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
