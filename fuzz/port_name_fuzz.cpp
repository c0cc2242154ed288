// Port names as a user or the environment may give them: resolving takes any
// bytes, drops the device prefix (the user's and the one the port classes put
// before it), and maps only COM names to devices.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/port_names.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string name(reinterpret_cast<const char*>(data), size);
  const std::string resolved = platform::ResolvePortName(name);
  if (resolved.size() > name.size() + 16) std::abort();
  const std::string bare = platform::StripDevicePrefix(name);
  if (bare.rfind("\\\\.\\", 0) == 0 || !name.ends_with(bare)) std::abort();
  if (resolved != bare && resolved.rfind("/dev/ttyS", 0) != 0 && std::getenv("QUORREL_COM1") == nullptr) {
    std::abort();
  }
  return 0;
}
