#include "bootloader/boot_loader.h"

#include <utility>

namespace bootloader {

BootLoader::BootLoader(ProgressCallback progress, std::shared_ptr<platform::DeviceObserver> observer)
    : progress_(std::move(progress)), observer_(std::move(observer)) {}

// A connection abandoned without Close still lets go of the device.
BootLoader::~BootLoader() = default;

}  // namespace bootloader
