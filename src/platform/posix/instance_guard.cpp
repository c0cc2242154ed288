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
  return Answer{InstanceGuard(fd), Error::None, {}};
}

InstanceGuard::InstanceGuard(InstanceGuard&& other) noexcept : socket_(other.socket_) { other.socket_ = -1; }

InstanceGuard& InstanceGuard::operator=(InstanceGuard&& other) noexcept {
  if (this != &other) {
    Release();
    socket_ = other.socket_;
    other.socket_ = -1;
  }
  return *this;
}

InstanceGuard::~InstanceGuard() { Release(); }

void InstanceGuard::Release() {
  if (socket_ >= 0) ::close(socket_);
  socket_ = -1;
}

}  // namespace platform
