#include "net/net_test_support.h"

#include <algorithm>
#include <stdexcept>

namespace nettest {

namespace net = platform::net;

bool LoopbackDevice::Apply(const platform::LineSettings& settings) {
  std::lock_guard<std::mutex> guard(mutex_);
  if (refusedBaud_ != 0 && settings.baudRate == refusedBaud_) return false;
  applied_.push_back(settings);
  return true;
}

std::size_t LoopbackDevice::InputWaiting() {
  std::lock_guard<std::mutex> guard(mutex_);
  return pending_.size();
}

std::size_t LoopbackDevice::Read(std::uint8_t* buffer, std::size_t max) {
  std::lock_guard<std::mutex> guard(mutex_);
  const std::size_t n = std::min(max, pending_.size());
  std::copy_n(pending_.begin(), n, buffer);
  pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(n));
  return n;
}

std::size_t LoopbackDevice::Write(const std::uint8_t* bytes, std::size_t count) {
  {
    std::lock_guard<std::mutex> guard(mutex_);
    pending_.insert(pending_.end(), bytes, bytes + count);
  }
  cv_.notify_all();
  return count;
}

void LoopbackDevice::Purge(platform::PurgeSide side) {
  std::lock_guard<std::mutex> guard(mutex_);
  purges_.push_back(side);
  if (side != platform::PurgeSide::Output) pending_.clear();
}

std::size_t LoopbackDevice::WaitForInput(std::size_t count, int timeoutMs) {
  std::unique_lock<std::mutex> lock(mutex_);
  const platform::Micros until =
      timeoutMs == platform::kWaitForever ? platform::kNever : wall_->Now() + timeoutMs * 1000LL;
  wall_->WaitUntil(lock, cv_, until, [&] { return pending_.size() >= count || cancel_; }, true);
  cancel_ = false;
  return pending_.size();
}

void LoopbackDevice::CancelWait() {
  {
    std::lock_guard<std::mutex> guard(mutex_);
    cancel_ = true;
  }
  cv_.notify_all();
}

void LoopbackDevice::Emit(const std::vector<std::uint8_t>& bytes) { Write(bytes.data(), bytes.size()); }

void LoopbackDevice::RefuseBaudRate(std::uint32_t baud) {
  std::lock_guard<std::mutex> guard(mutex_);
  refusedBaud_ = baud;
}

std::vector<platform::LineSettings> LoopbackDevice::Applied() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return applied_;
}

std::vector<platform::PurgeSide> LoopbackDevice::Purges() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return purges_;
}

namespace {

net::Socket Listen() {
  platform::Result<net::Socket> listening = net::ListenLoopback(0);
  if (!listening.ok()) throw std::runtime_error("cannot listen: " + listening.detail);
  return std::move(listening.value);
}

std::string NameFor(std::uint16_t port) { return "rfc2217://127.0.0.1:" + std::to_string(port); }

bool WaitReadable(const net::Socket& socket, int timeoutMs) {
  const net::Socket* const sockets[] = {&socket};
  bool readable[] = {false};
  return net::WaitReadable(sockets, timeoutMs, readable) && readable[0];
}

}  // namespace

ServerThread::ServerThread(platform::SerialDevice& device, bool once)
    : listener_(Listen()), port_(net::LocalPort(listener_)), server_(device, platform::LineSettings{}) {
  thread_ = std::thread([this, once] { server_.Run(listener_, [this] { return stop_.load(); }, once); });
}

ServerThread::~ServerThread() { Stop(); }

void ServerThread::Stop() {
  if (!thread_.joinable()) return;
  stop_ = true;
  thread_.join();
}

std::string ServerThread::PortName() const { return NameFor(port_); }

RawPeer::RawPeer(platform::telnet::Bytes greeting) : listener_(Listen()), port_(net::LocalPort(listener_)) {
  thread_ = std::thread([this, greeting] {
    net::Socket client;
    while (!stop_ && !client.Valid()) {
      if (WaitReadable(listener_, 20)) client = net::AcceptConnection(listener_);
    }
    if (!client.Valid()) return;
    net::SendAll(client, greeting, net::WallNow() + 1'000'000);
    std::uint8_t sink[256];
    while (!stop_) {
      if (WaitReadable(client, 20) && !net::Receive(client, sink)) return;
    }
  });
}

RawPeer::~RawPeer() {
  stop_ = true;
  thread_.join();
}

std::string RawPeer::PortName() const { return NameFor(port_); }

std::uint16_t UnusedPort() {
  return net::LocalPort(Listen());  // closed again at once: nobody listens there now
}

}  // namespace nettest
