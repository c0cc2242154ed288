#pragma once
// The instance guard asked as the start-up tests ask it: the guard, and
// whether another holder has the name.

#include <optional>
#include <string>

#include "platform/process.h"

namespace testing_support {

inline std::optional<platform::InstanceGuard> AcquireGuard(const std::string& name, bool* taken) {
  auto acquired = platform::InstanceGuard::Acquire(name);
  *taken = acquired.error == platform::Error::Busy;
  return std::move(acquired.value);
}

}  // namespace testing_support
