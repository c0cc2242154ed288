#pragma once
// TCP pieces of the network serial port: the port name, connecting with a
// time-out, a loopback listener for the simulated interface's server, and
// sending with a time-out. Network waits are device waits: they run on the
// wall clock, like the kernel's own waits on a tty, whatever clock the
// program's pauses use.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/clock.h"
#include "platform/result.h"

namespace platform::net {

inline constexpr std::string_view kNetworkScheme = "rfc2217://";

struct HostPort {
  std::string host;  // a name, an IPv4 address, or an IPv6 address without brackets
  std::uint16_t port = 0;
  friend bool operator==(const HostPort&, const HostPort&) = default;
};

// "rfc2217://HOST:PORT" (IPv6 as "[addr]:PORT"). Anything else, such as a
// missing or zero port or trailing text, is refused with a reason.
Result<HostPort> ParseNetworkPortName(std::string_view name);

// Owns one descriptor.
class Socket {
 public:
  Socket() = default;
  explicit Socket(int fd) : fd_(fd) {}
  ~Socket() { Reset(); }
  Socket(Socket&& other) noexcept : fd_(other.Release()) {}
  Socket& operator=(Socket&& other) noexcept;
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;

  int Fd() const { return fd_; }
  bool Valid() const { return fd_ >= 0; }
  int Release();
  void Reset();

 private:
  int fd_ = -1;
};

// Microseconds of the wall clock's monotonic time line.
Micros WallNow();
// Milliseconds left until `deadline` (0 when past), for poll().
int MillisLeft(Micros deadline);

Result<Socket> ConnectTcp(const HostPort& address, int timeoutMs);

// A non-blocking listener on 127.0.0.1; port 0 lets the system pick one.
Result<Socket> ListenLoopback(std::uint16_t port);
std::uint16_t LocalPort(const Socket& socket);
// Takes one waiting connection (non-blocking, Nagle off); invalid when none waits.
Socket AcceptConnection(const Socket& listener);

// Sends all of `bytes` on a non-blocking socket, waiting for room until the
// deadline. Returns how many went out; fewer means a time-out or a dead peer.
std::size_t SendAll(int fd, std::span<const std::uint8_t> bytes, Micros deadline);
// Bytes the socket holds that the peer has not yet taken.
std::size_t UnsentBytes(int fd);

}  // namespace platform::net
