// The single-instance guard: a named mutex, created owned. The system
// releases it when the process ends, however it ends.

#include <windows.h>

#include <string>

#include "platform/process.h"

namespace platform {

struct InstanceGuard::Held {
  explicit Held(HANDLE mutex) : handle(mutex) {}
  ~Held() {
    ReleaseMutex(handle);
    CloseHandle(handle);
  }
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;
  HANDLE handle;
};

Result<std::optional<InstanceGuard>> InstanceGuard::Acquire(std::string_view name) {
  using Answer = Result<std::optional<InstanceGuard>>;
  // A backslash would name a kernel namespace, not an instance.
  if (name.empty() || name.size() >= MAX_PATH || name.find('\\') != std::string_view::npos) {
    return Answer::Failure(Error::Other, "no guard can carry that name");
  }
  const std::string text(name);
  HANDLE mutex = CreateMutexA(nullptr, TRUE, text.c_str());
  const DWORD error = GetLastError();
  if (mutex == nullptr) return Answer::Failure(Error::Other, "the guard could not be made (error " + std::to_string(error) + ")");
  if (error == ERROR_ALREADY_EXISTS) {
    CloseHandle(mutex);
    return Answer::Failure(Error::Busy, "another instance is running");
  }
  return Answer{InstanceGuard(std::make_unique<Held>(mutex)), Error::None, {}};
}

InstanceGuard::InstanceGuard(std::unique_ptr<Held> held) : held_(std::move(held)) {}
InstanceGuard::InstanceGuard(InstanceGuard&& other) noexcept = default;
InstanceGuard& InstanceGuard::operator=(InstanceGuard&& other) noexcept = default;
InstanceGuard::~InstanceGuard() = default;

void InstanceGuard::Release() { held_.reset(); }

}  // namespace platform
