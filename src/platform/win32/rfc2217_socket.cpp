// Sockets through Winsock.

#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/rfc2217_socket.h"
#include "platform/win32/system_error.h"
#include "platform/win32/winsock.h"

namespace platform::net {
namespace {

SOCKET Native(const Socket& socket) { return static_cast<SOCKET>(socket.NativeHandle()); }

Socket Adopt(SOCKET socket) {
  return socket != INVALID_SOCKET ? Socket(static_cast<Socket::Handle>(socket)) : Socket();
}

Result<Socket> Failure(Error kind, int error) {
  return Result<Socket>::Failure(kind, win32::SystemErrorText(static_cast<DWORD>(error)));
}

bool MakeNonBlocking(SOCKET socket) {
  u_long on = 1;
  return ioctlsocket(socket, FIONBIO, &on) == 0;
}

void NoDelay(SOCKET socket) {
  // The boot-loader link sends one byte at a time and waits for answers;
  // coalescing small writes would hold each byte back.
  const BOOL one = TRUE;
  setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
}

// One socket's wait for `events`; the revents, or 0 on a time-out.
short WaitFor(SOCKET socket, short events, int timeoutMs) {
  WSAPOLLFD entry{socket, events, 0};
  return WSAPoll(&entry, 1, timeoutMs) > 0 ? entry.revents : 0;
}

// Waits for a non-blocking connect to finish; returns 0 or the error.
int FinishConnect(SOCKET socket, Micros deadline) {
  const short revents = WaitFor(socket, POLLOUT, MillisLeft(deadline));
  int failure = 0;
  int length = sizeof failure;
  getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&failure), &length);
  if (failure != 0) return failure;
  return (revents & POLLOUT) != 0 ? 0 : WSAETIMEDOUT;
}

Socket ConnectOne(const addrinfo& candidate, Micros deadline, std::string* error) {
  Socket socket = Adopt(::socket(candidate.ai_family, candidate.ai_socktype, candidate.ai_protocol));
  if (!socket.Valid() || !MakeNonBlocking(Native(socket))) {
    *error = win32::SystemErrorText(static_cast<DWORD>(WSAGetLastError()));
    return {};
  }
  int failure = 0;
  if (connect(Native(socket), candidate.ai_addr, static_cast<int>(candidate.ai_addrlen)) != 0) {
    const int error = WSAGetLastError();
    failure = error == WSAEWOULDBLOCK ? FinishConnect(Native(socket), deadline) : error;
  }
  if (failure != 0) {
    *error = failure == WSAETIMEDOUT ? "no answer from the host" : win32::SystemErrorText(static_cast<DWORD>(failure));
    return {};
  }
  NoDelay(Native(socket));
  return socket;
}

}  // namespace

void Socket::Reset() {
  if (Valid()) closesocket(Native(*this));
  handle_ = kNoHandle;
}

Result<Socket> ConnectTcp(const HostPort& address, int timeoutMs) {
  if (!win32::StartWinsock()) return Result<Socket>::Failure(Error::ConnectionFailed, "the network library did not start");
  const Micros deadline = WallNow() + static_cast<Micros>(timeoutMs) * 1000;
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfo* found = nullptr;
  const std::string port = std::to_string(address.port);
  const int status = getaddrinfo(address.host.c_str(), port.c_str(), &hints, &found);
  if (status != 0) {
    return Result<Socket>::Failure(Error::ConnectionFailed,
                                   "unknown host: " + win32::SystemErrorText(static_cast<DWORD>(status)));
  }
  std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> list(found, freeaddrinfo);
  std::string error = "no address for the host";
  for (const addrinfo* candidate = found; candidate; candidate = candidate->ai_next) {
    Socket socket = ConnectOne(*candidate, deadline, &error);
    if (socket.Valid()) return {std::move(socket), Error::None, {}};
  }
  return Result<Socket>::Failure(Error::ConnectionFailed, error);
}

Result<Socket> ListenLoopback(std::uint16_t port) {
  if (!win32::StartWinsock()) return Result<Socket>::Failure(Error::Other, "the network library did not start");
  Socket socket = Adopt(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
  if (!socket.Valid()) return Failure(Error::Other, WSAGetLastError());
  // Exclusive: no other program may take the port from under the listener.
  const BOOL one = TRUE;
  setsockopt(Native(socket), SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&one), sizeof one);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(Native(socket), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      listen(Native(socket), 4) != 0 || !MakeNonBlocking(Native(socket))) {
    const int error = WSAGetLastError();
    return Failure(error == WSAEADDRINUSE || error == WSAEACCES ? Error::Busy : Error::Other, error);
  }
  return {std::move(socket), Error::None, {}};
}

std::uint16_t LocalPort(const Socket& socket) {
  sockaddr_in address{};
  int length = sizeof address;
  if (getsockname(Native(socket), reinterpret_cast<sockaddr*>(&address), &length) != 0) return 0;
  return ntohs(address.sin_port);
}

Socket AcceptConnection(const Socket& listener) {
  Socket socket = Adopt(accept(Native(listener), nullptr, nullptr));
  if (socket.Valid() && !MakeNonBlocking(Native(socket))) return {};
  if (socket.Valid()) NoDelay(Native(socket));
  return socket;
}

bool WaitReadable(std::span<const Socket* const> sockets, int timeoutMs, std::span<bool> readable) {
  std::vector<WSAPOLLFD> entries;
  for (const Socket* socket : sockets) entries.push_back(WSAPOLLFD{Native(*socket), POLLRDNORM, 0});
  const int ready = WSAPoll(entries.data(), static_cast<ULONG>(entries.size()), timeoutMs);
  for (std::size_t i = 0; i < entries.size() && i < readable.size(); ++i) {
    // A hang-up or an error is news for the reader too: its receive says which.
    readable[i] = ready > 0 && entries[i].revents != 0;
  }
  if (ready < 0) Sleep(static_cast<DWORD>(timeoutMs < 0 ? 1 : std::min(timeoutMs, 1)));  // never spin on a failing wait
  return ready > 0;
}

std::optional<std::size_t> Receive(const Socket& socket, std::span<std::uint8_t> buffer) {
  const int n = recv(Native(socket), reinterpret_cast<char*>(buffer.data()), static_cast<int>(buffer.size()), 0);
  if (n > 0) return static_cast<std::size_t>(n);
  if (n < 0 && WSAGetLastError() == WSAEWOULDBLOCK) return 0;
  return std::nullopt;
}

std::size_t SendAll(const Socket& socket, std::span<const std::uint8_t> bytes, Micros deadline) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const int n = send(Native(socket), reinterpret_cast<const char*>(bytes.data() + sent),
                       static_cast<int>(bytes.size() - sent), 0);
    if (n > 0) {
      sent += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && WSAGetLastError() != WSAEWOULDBLOCK) break;
    const int wait = MillisLeft(deadline);
    if (wait == 0) break;
    const short revents = WaitFor(Native(socket), POLLWRNORM, wait);
    if (revents == 0 || (revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) break;
  }
  return sent;
}

// Winsock does not tell what the peer has yet to take; what send took is
// on its way.
std::size_t UnsentBytes(const Socket& /*socket*/) { return 0; }

void ShutDown(const Socket& socket) { shutdown(Native(socket), SD_BOTH); }

}  // namespace platform::net
