// The sim option parser over arbitrary text: it either refuses with a reason
// or gives options that hold what the parser promises.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "sim/sim_options.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::string error;
  const auto options = sim::ParseSimOptions(text, &error);
  if (!options) {
    if (error.empty()) std::abort();
    return 0;
  }
  if (options->replyTrail.size() != 2) std::abort();
  if (options->serialNumber.size() > 64) std::abort();
  if (options->serialNumber.find_first_of("{}") != std::string::npos) std::abort();
  if (options->replyDelayMs > 60'000) std::abort();
  for (const auto& fault : options->faults)
    if (fault.first == 0 || fault.last < fault.first) std::abort();
  return 0;
}
