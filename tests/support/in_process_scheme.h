#pragma once
// A port scheme whose devices live in this process, as the simulator's do,
// for tests of the platform layer without the simulator: "inproc:...".

#include <string>

#include "platform/port_schemes.h"

namespace testing_support {

inline void RegisterInProcessScheme() {
  platform::RegisterPortScheme(platform::PortScheme{
      "inproc",
      [](const std::string& name) { return platform::OpenResult{nullptr, platform::Error::NotFound, name}; },
      {},
      /*inProcess=*/true});
}

}  // namespace testing_support
