#pragma once
// Whether the program may run on the system that answered the version query.

#include <optional>

#include "platform/process.h"

namespace app {

// `extended` is the answer to the extended version query; `basic` is asked
// only when that was refused. The family the program was made for passes in
// its versions 4.10 and 4.90, current Windows (version 10 and later) and
// Wine pass; a refused query fails.
bool PlatformCheckPasses(const std::optional<platform::VersionRecord>& extended,
                         const std::optional<platform::VersionRecord>& basic);

}  // namespace app
