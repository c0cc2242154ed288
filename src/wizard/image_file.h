#pragma once
// Where the images of a model lie, and the size of the one chosen.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "bootloader/firmware_image.h"
#include "device/interface_kind.h"

namespace i18n {
class LanguageTable;
}

namespace wizard {

inline constexpr const char* kImageFilterLabel = "MyType Files (*.mbl)";

struct ImageFolder {
  std::string path;     // under the base folder, ends with '/'
  std::string pattern;  // the chooser's default extension
};

// Image/Apex/ with "QRA*.mbl" for Apex, Image/Tern/ with "QRT*.mbl" for the
// Tern family, Image/ with "*.mbl" otherwise (recovery mode and Unknown).
// Each folder name also matches an entry that differs only in letter case.
ImageFolder ImageFolderFor(const std::string& baseFolder, device::InterfaceKind kind);

// The models an image is for, by the chooser pattern its file name matches
// (letter case aside, as the chooser takes it): "QRA*.mbl" the Apex,
// "QRT*.mbl" the Tern and the Tern II Memory. A name that matches neither
// says no model: such an image, like those of the recovery folder, is taken
// for any model.
struct ImageModel {
  device::InterfaceKind kind;  // Apex, or Tern for the Tern family
  const char* names;           // the models, as a message names them
};
std::optional<ImageModel> ImageModelOf(const std::string& fileName);
// The image's name says it is for a model other than `kind`.
bool ImageIsForOtherModel(const std::string& fileName, device::InterfaceKind kind);

struct ImageMeasure {
  enum class Status { NotOpened, Measured, LengthFailed };
  Status status = Status::NotOpened;
  std::uint64_t length = 0;
  std::string errorText;  // the system's description of a failed length query
};

// The image and, when it is there, the loader patch, read whole and checked
// before anything is sent: what was checked is what an upgrade programs. A
// missing patch is not refused (newer loaders need none).
struct CheckedFiles {
  std::shared_ptr<const bootloader::FirmwareImage> image;  // null when refused
  std::shared_ptr<const bootloader::FirmwareImage> patch;  // null when there is none
  bootloader::ImageDamage damage;  // why the files were refused
  bool patchRefused = false;       // the damage is the patch's
};
CheckedFiles CheckImageAndPatch(const std::string& imagePath, const std::string& patchPath);

// The message for a refused image (or patch, when `patch`): which file,
// which line, what is wrong, and that nothing was erased.
std::string DescribeRefusedFile(const i18n::LanguageTable* table, const std::string& path,
                                const bootloader::ImageDamage& damage, bool patch);

// Opens the file for reading and takes its length; the file is closed again.
ImageMeasure MeasureImageFile(const std::string& path);

}  // namespace wizard
