#include "bootloader/boot_loader.h"

#include <utility>

namespace bootloader {

BootLoader::BootLoader(ProgressCallback progress) : progress_(std::move(progress)) {}

// A connection abandoned without Close still lets go of the device.
BootLoader::~BootLoader() = default;

}  // namespace bootloader
