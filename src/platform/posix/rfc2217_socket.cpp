// Sockets through the BSD socket calls of Linux.

#include "platform/rfc2217_socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/sockios.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

namespace platform::net {
namespace {

int Fd(const Socket& socket) { return static_cast<int>(socket.NativeHandle()); }

// A descriptor the system gave, or none (-1).
Socket Adopt(int fd) { return fd >= 0 ? Socket(static_cast<Socket::Handle>(fd)) : Socket(); }

bool MakeNonBlocking(int fd) {
  const int flags = fcntl(fd, F_GETFL, 0);
  return flags >= 0 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

void NoDelay(int fd) {
  // The boot-loader link sends one byte at a time and waits for answers;
  // coalescing small writes would hold each byte back.
  int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

// Waits for a non-blocking connect to finish; returns 0 or the errno.
int FinishConnect(int fd, Micros deadline) {
  pollfd entry{fd, POLLOUT, 0};
  int ready = 0;
  do {
    ready = poll(&entry, 1, MillisLeft(deadline));
  } while (ready < 0 && errno == EINTR);
  if (ready == 0) return ETIMEDOUT;
  if (ready < 0) return errno;
  int failure = 0;
  socklen_t length = sizeof failure;
  if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &failure, &length) != 0) return errno;
  return failure;
}

Socket ConnectOne(const addrinfo& candidate, Micros deadline, std::string* error) {
  Socket socket = Adopt(::socket(candidate.ai_family, candidate.ai_socktype | SOCK_CLOEXEC, candidate.ai_protocol));
  if (!socket.Valid() || !MakeNonBlocking(Fd(socket))) {
    *error = std::strerror(errno);
    return {};
  }
  int failure = 0;
  if (connect(Fd(socket), candidate.ai_addr, candidate.ai_addrlen) != 0) {
    failure = errno == EINPROGRESS ? FinishConnect(Fd(socket), deadline) : errno;
  }
  if (failure != 0) {
    *error = failure == ETIMEDOUT ? "no answer from the host" : std::strerror(failure);
    return {};
  }
  NoDelay(Fd(socket));
  return socket;
}

}  // namespace

void Socket::Reset() {
  if (Valid()) ::close(Fd(*this));
  handle_ = kNoHandle;
}

Result<Socket> ConnectTcp(const HostPort& address, int timeoutMs) {
  const Micros deadline = WallNow() + static_cast<Micros>(timeoutMs) * 1000;
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const std::string port = std::to_string(address.port);
  const int status = getaddrinfo(address.host.c_str(), port.c_str(), &hints, &found);
  if (status != 0) return Result<Socket>::Failure(Error::ConnectionFailed, std::string("unknown host: ") + gai_strerror(status));
  std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> list(found, freeaddrinfo);
  std::string error = "no address for the host";
  for (const addrinfo* candidate = found; candidate; candidate = candidate->ai_next) {
    Socket socket = ConnectOne(*candidate, deadline, &error);
    if (socket.Valid()) return {std::move(socket), Error::None, {}};
  }
  return Result<Socket>::Failure(Error::ConnectionFailed, error);
}

Result<Socket> ListenLoopback(std::uint16_t port) {
  Socket socket = Adopt(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  int one = 1;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (!socket.Valid() || setsockopt(Fd(socket), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) != 0 ||
      bind(Fd(socket), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      listen(Fd(socket), 4) != 0) {
    return Result<Socket>::Failure(errno == EADDRINUSE ? Error::Busy : Error::Other, std::strerror(errno));
  }
  return {std::move(socket), Error::None, {}};
}

std::uint16_t LocalPort(const Socket& socket) {
  sockaddr_in address{};
  socklen_t length = sizeof address;
  if (getsockname(Fd(socket), reinterpret_cast<sockaddr*>(&address), &length) != 0) return 0;
  return ntohs(address.sin_port);
}

Socket AcceptConnection(const Socket& listener) {
  Socket socket = Adopt(accept4(Fd(listener), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
  if (socket.Valid()) NoDelay(Fd(socket));
  return socket;
}

bool WaitReadable(std::span<const Socket* const> sockets, int timeoutMs, std::span<bool> readable) {
  std::vector<pollfd> entries;
  for (const Socket* socket : sockets) entries.push_back(pollfd{Fd(*socket), POLLIN, 0});
  const int ready = poll(entries.data(), entries.size(), timeoutMs);
  for (std::size_t i = 0; i < entries.size() && i < readable.size(); ++i) {
    // A hang-up or an error is news for the reader too: its receive says which.
    readable[i] = ready > 0 && entries[i].revents != 0;
  }
  return ready > 0;
}

std::optional<std::size_t> Receive(const Socket& socket, std::span<std::uint8_t> buffer) {
  const ssize_t n = recv(Fd(socket), buffer.data(), buffer.size(), 0);
  if (n > 0) return static_cast<std::size_t>(n);
  if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return 0;
  return std::nullopt;
}

std::size_t SendAll(const Socket& socket, std::span<const std::uint8_t> bytes, Micros deadline) {
  const int fd = Fd(socket);
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n > 0) {
      sent += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) break;
    pollfd entry{fd, POLLOUT, 0};
    const int wait = MillisLeft(deadline);
    if (wait == 0 || poll(&entry, 1, wait) == 0) break;
    if (entry.revents & (POLLERR | POLLHUP | POLLNVAL)) break;
  }
  return sent;
}

std::size_t UnsentBytes(const Socket& socket) {
  int queued = 0;
  if (ioctl(Fd(socket), SIOCOUTQ, &queued) != 0 || queued < 0) return 0;
  return static_cast<std::size_t>(queued);
}

void ShutDown(const Socket& socket) { shutdown(Fd(socket), SHUT_RDWR); }

}  // namespace platform::net
