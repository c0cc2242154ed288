// Lock files in the shared lock folder, as any program or user may leave
// them: the owner read from their bytes is a process number or nothing.

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/lock_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto owner = platform::ParseLockOwner(bytes);
  if (owner && (*owner <= 0 || *owner > INT_MAX)) std::abort();
  return 0;
}
