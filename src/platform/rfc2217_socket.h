#pragma once
// TCP pieces of the network serial port: the port name, connecting with a
// time-out, a loopback listener for the simulated interface's server, waits,
// and sending with a time-out. Network waits are device waits: they run on the
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

// Owns one socket of the system. The handle is the backend's business.
class Socket {
 public:
  using Handle = std::uintptr_t;
  static constexpr Handle kNoHandle = ~Handle{0};

  Socket() = default;
  explicit Socket(Handle handle) : handle_(handle) {}
  ~Socket() { Reset(); }
  Socket(Socket&& other) noexcept : handle_(other.Release()) {}
  Socket& operator=(Socket&& other) noexcept;
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;

  bool Valid() const { return handle_ != kNoHandle; }
  Handle NativeHandle() const { return handle_; }
  Handle Release();
  void Reset();

 private:
  Handle handle_ = kNoHandle;
};

// Microseconds of the wall clock's monotonic time line.
Micros WallNow();
// Milliseconds left until `deadline` (0 when past), for a socket wait.
int MillisLeft(Micros deadline);

Result<Socket> ConnectTcp(const HostPort& address, int timeoutMs);

// A non-blocking listener on 127.0.0.1; port 0 lets the system pick one.
Result<Socket> ListenLoopback(std::uint16_t port);
std::uint16_t LocalPort(const Socket& socket);
// Takes one waiting connection (non-blocking, Nagle off); invalid when none waits.
Socket AcceptConnection(const Socket& listener);

// Waits until one of `sockets` is readable (data, a connection to accept,
// or the peer gone) or `timeoutMs` passes; `readable` tells which. A
// shutdown from another thread does not wake every system's wait: callers
// that must notice one wait in short slices.
bool WaitReadable(std::span<const Socket* const> sockets, int timeoutMs, std::span<bool> readable);
// Takes what the socket holds, without waiting: the count (0 when nothing
// waits now), or nullopt once the peer has closed or the connection failed.
std::optional<std::size_t> Receive(const Socket& socket, std::span<std::uint8_t> buffer);
// Sends all of `bytes` on a non-blocking socket, waiting for room until the
// deadline. Returns how many went out; fewer means a time-out or a dead peer.
std::size_t SendAll(const Socket& socket, std::span<const std::uint8_t> bytes, Micros deadline);
// Bytes the socket holds that the peer has not yet taken, where the system
// tells; 0 where it does not.
std::size_t UnsentBytes(const Socket& socket);
// Ends the connection both ways; the socket itself stays to be closed.
void ShutDown(const Socket& socket);

}  // namespace platform::net
