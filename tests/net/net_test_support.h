#pragma once
// Test pieces for network ports: a device that echoes what it is sent and
// records its line settings, a PortServer running on a thread of its own, and
// a raw TCP peer that plays a misbehaving server.

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "platform/rfc2217_codec.h"
#include "platform/rfc2217_port.h"
#include "platform/rfc2217_socket.h"
#include "platform/serial_device.h"
#include "sim/server/port_server.h"

namespace nettest {

// Generous bound for conditions that come within milliseconds.
inline constexpr int kPatienceMs = 10'000;

// Time-outs for tests that expect answers: a loaded machine running
// sanitized builds side by side never makes a right answer come too late.
inline platform::NetworkTimeouts PatientTimeouts() {
  platform::NetworkTimeouts timeouts;
  timeouts.negotiationMs = kPatienceMs;
  timeouts.answerMs = kPatienceMs;
  timeouts.writeMs = kPatienceMs;
  return timeouts;
}

class LoopbackDevice final : public platform::SerialDevice {
 public:
  bool Apply(const platform::LineSettings& settings) override;
  std::size_t InputWaiting() override;
  std::size_t OutputWaiting() override { return 0; }
  std::size_t Read(std::uint8_t* buffer, std::size_t max) override;
  std::size_t Write(const std::uint8_t* bytes, std::size_t count) override;
  void Purge(platform::PurgeSide side) override;
  std::size_t WaitForInput(std::size_t count, int timeoutMs) override;
  bool WaitForDrain(int) override { return true; }
  void CancelWait() override;

  // The device sends bytes of its own accord.
  void Emit(const std::vector<std::uint8_t>& bytes);
  void RefuseBaudRate(std::uint32_t baud);
  std::vector<platform::LineSettings> Applied() const;
  std::vector<platform::PurgeSide> Purges() const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  std::shared_ptr<platform::Clock> wall_ = platform::MakeRealClock();
  std::deque<std::uint8_t> pending_;
  std::vector<platform::LineSettings> applied_;
  std::vector<platform::PurgeSide> purges_;
  std::uint32_t refusedBaud_ = 0;
  bool cancel_ = false;
};

// A PortServer on 127.0.0.1 serving `device` until destroyed.
class ServerThread {
 public:
  explicit ServerThread(platform::SerialDevice& device, bool once = false);
  ~ServerThread();
  std::string PortName() const;
  std::uint16_t Port() const { return port_; }
  // Ends the server and its session, as if it were switched off.
  void Stop();

 private:
  platform::net::Socket listener_;
  std::uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  sim::server::PortServer server_;
  std::thread thread_;
};

// Accepts one client, sends it `greeting`, then reads and drops what comes
// until the client leaves or the peer is destroyed.
class RawPeer {
 public:
  explicit RawPeer(platform::telnet::Bytes greeting);
  ~RawPeer();
  std::string PortName() const;

 private:
  platform::net::Socket listener_;
  std::uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// A port number on 127.0.0.1 where nobody listens.
std::uint16_t UnusedPort();

}  // namespace nettest
