// The single-instance guard: a unix socket bound to the name in the abstract
// namespace. Only one socket can hold a name, and the kernel lets it go when
// the process ends, however it ends; no file is left behind.

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstring>

#include "platform/process.h"

namespace platform {

struct InstanceGuard::Held {
  explicit Held(int fd) : socket(fd) {}
  ~Held() { ::close(socket); }
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;
  int socket;
};

Result<std::optional<InstanceGuard>> InstanceGuard::Acquire(std::string_view name) {
  using Answer = Result<std::optional<InstanceGuard>>;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  // The first byte stays zero: that selects the abstract namespace.
  if (name.empty() || name.size() > sizeof(address.sun_path) - 1) {
    return Answer::Failure(Error::Other, "no guard can carry that name");
  }
  std::memcpy(address.sun_path + 1, name.data(), name.size());
  const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());

  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return Answer::Failure(Error::Other, std::strerror(errno));
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0) {
    const int error = errno;
    ::close(fd);
    return Answer::Failure(error == EADDRINUSE ? Error::Busy : Error::Other, std::strerror(error));
  }
  return Answer{InstanceGuard(std::make_unique<Held>(fd)), Error::None, {}};
}

InstanceGuard::InstanceGuard(std::unique_ptr<Held> held) : held_(std::move(held)) {}
InstanceGuard::InstanceGuard(InstanceGuard&& other) noexcept = default;
InstanceGuard& InstanceGuard::operator=(InstanceGuard&& other) noexcept = default;
InstanceGuard::~InstanceGuard() = default;

void InstanceGuard::Release() { held_.reset(); }

}  // namespace platform
