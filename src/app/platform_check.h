#pragma once
// Whether the program may run on the system that answered the version query.

#include <optional>

#include "platform/process.h"

namespace app {

// `extended` is the answer to the extended version query; `basic` is asked
// only when that was refused. Only the supported family, version 4.10 or
// 4.90, passes; a refused query fails.
bool PlatformCheckPasses(const std::optional<platform::VersionRecord>& extended,
                         const std::optional<platform::VersionRecord>& basic);

}  // namespace app
