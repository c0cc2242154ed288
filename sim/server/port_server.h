#pragma once
// Offers one serial device over TCP with Telnet com-port control, as a
// terminal server offers the port its cable is plugged into. The device stays
// open for the server's whole life; clients come and go, one at a time. Line
// settings and modem lines the client sets become Apply calls on the device,
// one per change, so the device sees the same line sequence a local cable
// would give it.

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>

#include "platform/rfc2217_codec.h"
#include "platform/rfc2217_socket.h"
#include "platform/serial_device.h"

namespace sim::server {

class PortServer {
 public:
  // Applies `initial` to the device at once, as opening a port sets its line.
  PortServer(platform::SerialDevice& device, const platform::LineSettings& initial);
  PortServer(const PortServer&) = delete;
  PortServer& operator=(const PortServer&) = delete;

  // Asked between waits whether the server is to stop (a stop signal, a test
  // ending its server).
  using StopQuery = std::function<bool()>;

  // Serves clients from `listener` until `stopRequested` says so, or after
  // the first client has left when `once` is set. A client that comes while
  // another is served waits a moment for it to leave, then is turned away.
  void Run(const platform::net::Socket& listener, const StopQuery& stopRequested, bool once);

  const platform::LineSettings& Settings() const { return current_; }
  int ClientsServed() const { return clientsServed_; }

 private:
  enum class SessionEnd : std::uint8_t { ClientLeft, Stop };
  class Session;

  SessionEnd Serve(platform::net::Socket client, const platform::net::Socket& listener,
                   const StopQuery& stopRequested, platform::net::Socket* next);
  bool TryApply(const platform::LineSettings& next);
  platform::telnet::Bytes Answer(const platform::telnet::ComPortRecord& record, bool* purge,
                                 platform::PurgeSide* side);
  platform::telnet::Bytes SetFraming(platform::telnet::ComPortCommand command, const platform::telnet::Bytes& value);
  platform::telnet::Bytes AnswerControl(std::uint8_t value);

  platform::SerialDevice& device_;
  platform::LineSettings current_;
  int clientsServed_ = 0;
};

}  // namespace sim::server
