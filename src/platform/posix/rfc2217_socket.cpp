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
#include <charconv>
#include <cstring>
#include <memory>

namespace platform::net {
namespace {

bool ParsePort(std::string_view text, std::uint16_t* port) {
  if (text.empty() || text.size() > 5) return false;
  unsigned value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return false;
  if (value == 0 || value > 65535) return false;
  *port = static_cast<std::uint16_t>(value);
  return true;
}

bool Refuse(std::string* error, const char* reason) {
  if (error) *error = reason;
  return false;
}

bool SplitHostPort(std::string_view rest, HostPort* out, std::string* error) {
  std::string_view host;
  std::string_view port;
  if (!rest.empty() && rest.front() == '[') {
    const auto close = rest.find(']');
    if (close == std::string_view::npos) return Refuse(error, "an IPv6 address lacks its closing ']'");
    host = rest.substr(1, close - 1);
    if (close + 1 >= rest.size() || rest[close + 1] != ':') {
      return Refuse(error, "the address lacks ':PORT'");
    }
    port = rest.substr(close + 2);
  } else {
    const auto colon = rest.rfind(':');
    if (colon == std::string_view::npos) return Refuse(error, "the address lacks ':PORT'");
    host = rest.substr(0, colon);
    port = rest.substr(colon + 1);
    if (host.find(':') != std::string_view::npos) {
      return Refuse(error, "write an IPv6 address in brackets: [addr]:PORT");
    }
  }
  if (host.empty()) return Refuse(error, "the host name is empty");
  for (char c : host) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '.' || c == '-' || c == ':' || c == '_' || c == '%';
    if (!ok) return Refuse(error, "the host name holds a character no host name has");
  }
  if (!ParsePort(port, &out->port)) return Refuse(error, "the port must be a number from 1 to 65535");
  out->host = std::string(host);
  return true;
}

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
  Socket socket(::socket(candidate.ai_family, candidate.ai_socktype | SOCK_CLOEXEC, candidate.ai_protocol));
  if (!socket.Valid() || !MakeNonBlocking(socket.Fd())) {
    *error = std::strerror(errno);
    return {};
  }
  int failure = 0;
  if (connect(socket.Fd(), candidate.ai_addr, candidate.ai_addrlen) != 0) {
    failure = errno == EINPROGRESS ? FinishConnect(socket.Fd(), deadline) : errno;
  }
  if (failure != 0) {
    *error = failure == ETIMEDOUT ? "no answer from the host" : std::strerror(failure);
    return {};
  }
  NoDelay(socket.Fd());
  return socket;
}

}  // namespace

Result<HostPort> ParseNetworkPortName(std::string_view name) {
  if (!name.starts_with(kNetworkScheme)) {
    return Result<HostPort>::Failure(Error::UnknownName, "a network port name begins with rfc2217://");
  }
  Result<HostPort> parsed;
  if (!SplitHostPort(name.substr(kNetworkScheme.size()), &parsed.value, &parsed.detail)) {
    return Result<HostPort>::Failure(Error::UnknownName, std::move(parsed.detail));
  }
  return parsed;
}

Socket& Socket::operator=(Socket&& other) noexcept {
  if (this != &other) {
    Reset();
    fd_ = other.Release();
  }
  return *this;
}

int Socket::Release() {
  const int fd = fd_;
  fd_ = -1;
  return fd;
}

void Socket::Reset() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

Micros WallNow() {
  static const std::shared_ptr<Clock> wall = MakeRealClock();
  return wall->Now();
}

int MillisLeft(Micros deadline) {
  const Micros left = deadline - WallNow();
  if (left <= 0) return 0;
  return static_cast<int>(std::min<Micros>((left + 999) / 1000, 1'000'000));
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
  Socket socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  int one = 1;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (!socket.Valid() || setsockopt(socket.Fd(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) != 0 ||
      bind(socket.Fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      listen(socket.Fd(), 4) != 0) {
    return Result<Socket>::Failure(errno == EADDRINUSE ? Error::Busy : Error::Other, std::strerror(errno));
  }
  return {std::move(socket), Error::None, {}};
}

std::uint16_t LocalPort(const Socket& socket) {
  sockaddr_in address{};
  socklen_t length = sizeof address;
  if (getsockname(socket.Fd(), reinterpret_cast<sockaddr*>(&address), &length) != 0) return 0;
  return ntohs(address.sin_port);
}

Socket AcceptConnection(const Socket& listener) {
  Socket socket(accept4(listener.Fd(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
  if (socket.Valid()) NoDelay(socket.Fd());
  return socket;
}

std::size_t SendAll(int fd, std::span<const std::uint8_t> bytes, Micros deadline) {
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

std::size_t UnsentBytes(int fd) {
  int queued = 0;
  if (ioctl(fd, SIOCOUTQ, &queued) != 0 || queued < 0) return 0;
  return static_cast<std::size_t>(queued);
}

}  // namespace platform::net
