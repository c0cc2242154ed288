// The system's default language is the system's setting, not the user's.

#include <windows.h>

#include "platform/process.h"

namespace platform {

std::uint16_t SystemDefaultLanguageId() { return GetSystemDefaultLangID(); }

}  // namespace platform
