// The system's default language is its configured locale.

#include "platform/process.h"

namespace platform {

std::uint16_t SystemDefaultLanguageId() { return SystemDefaultLanguageId(LocaleSources{}); }

}  // namespace platform
