#include "platform/rfc2217_port.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/port_schemes.h"
#include "platform/rfc2217_codec.h"
#include "platform/rfc2217_socket.h"

namespace platform {
namespace {

namespace tn = telnet;

// A reader that never takes its bytes must not make memory grow without end:
// past this, the receiver stops reading and the server's sends wait.
constexpr std::size_t kInputLimit = 64 * 1024;
constexpr std::size_t kReceiveChunk = 4096;
// The receiver looks this often whether the device is closing: a shutdown
// does not wake every system's socket wait.
constexpr int kStopCheckMs = 100;

constexpr std::uint8_t kLocalOptions[] = {tn::kOptionBinary, tn::kOptionSuppressGoAhead, tn::kOptionComPort};
constexpr std::uint8_t kRemoteOptions[] = {tn::kOptionBinary, tn::kOptionSuppressGoAhead, tn::kOptionComPort};

std::uint8_t Code(tn::ComPortCommand command) { return static_cast<std::uint8_t>(command); }

class NetworkSerialDevice final : public SerialDevice {
 public:
  NetworkSerialDevice(net::Socket socket, const NetworkTimeouts& timeouts)
      : socket_(std::move(socket)), timeouts_(timeouts), negotiator_(kLocalOptions, kRemoteOptions) {}

  ~NetworkSerialDevice() override {
    {
      std::lock_guard<std::mutex> guard(mutex_);
      stopping_ = true;
    }
    cv_.notify_all();
    // Tells the server we are gone (and wakes the receiver where it can).
    net::ShutDown(socket_);
    if (receiver_.joinable()) receiver_.join();
  }

  // Starts the receiver and asks for the options; true once the server has
  // agreed to com-port control.
  bool Negotiate(std::string* detail) {
    // The requests are noted before anything can arrive, so an early answer
    // (or refusal) is taken as the answer to them.
    tn::Bytes requests;
    {
      std::lock_guard<std::mutex> guard(mutex_);
      for (const auto& part : {negotiator_.RequestLocal(tn::kOptionBinary),
                               negotiator_.RequestRemote(tn::kOptionBinary),
                               negotiator_.RequestLocal(tn::kOptionSuppressGoAhead),
                               negotiator_.RequestRemote(tn::kOptionSuppressGoAhead),
                               negotiator_.RequestLocal(tn::kOptionComPort)}) {
        requests.insert(requests.end(), part.begin(), part.end());
      }
    }
    receiver_ = std::thread([this] { ReceiveLoop(); });
    if (!SendRaw(requests)) {
      *detail = "the connection closed at once";
      return false;
    }
    std::unique_lock<std::mutex> lock(mutex_);
    const bool answered = WaitFor(lock, timeouts_.negotiationMs, [&] {
      return negotiator_.LocalAnswered(tn::kOptionComPort) || !connected_;
    });
    if (negotiator_.LocalEnabled(tn::kOptionComPort) && !negotiator_.Refused(tn::kOptionBinary)) return true;
    if (negotiator_.Refused(tn::kOptionBinary)) {
      // Without binary mode a Telnet peer may alter carriage returns: no
      // firmware frame would arrive as sent.
      *detail = "the server refuses to carry 8-bit data (Telnet BINARY)";
    } else if (!connected_) {
      *detail = "the server closed the connection (is another program using the port?)";
    } else if (answered) {
      *detail = "the server does not offer serial port control (RFC 2217)";
    } else {
      *detail = "the server did not answer the Telnet negotiation";
    }
    return false;
  }

  bool Apply(const LineSettings& settings) override {
    std::lock_guard<std::mutex> command(commandMutex_);
    if (!Connected()) return false;
    const bool all = !confirmed_.has_value();
    const LineSettings before = confirmed_.value_or(LineSettings{});
    confirmed_.reset();  // anything short of full success means "unknown"
    struct Step {
      bool changed;
      tn::ComPortCommand command;
      tn::Bytes value;
    };
    // The framing first, the modem lines last: a line change may restart the
    // device, which should then see the new framing. Flow control goes off
    // once, with the first record.
    const Step steps[] = {
        {settings.baudRate != before.baudRate, tn::ComPortCommand::SetBaudRate, tn::EncodeBaudRate(settings.baudRate)},
        {settings.dataBits != before.dataBits, tn::ComPortCommand::SetDataSize, {settings.dataBits}},
        {settings.parity != before.parity, tn::ComPortCommand::SetParity, {tn::EncodeParity(settings.parity)}},
        {settings.stopBits != before.stopBits, tn::ComPortCommand::SetStopSize, {tn::EncodeStopBits(settings.stopBits)}},
        {false, tn::ComPortCommand::SetControl, {tn::kControlNoFlowControl}},
        {settings.dtr != before.dtr, tn::ComPortCommand::SetControl,
         {settings.dtr ? tn::kControlDtrOn : tn::kControlDtrOff}},
        {settings.rts != before.rts, tn::ComPortCommand::SetControl,
         {settings.rts ? tn::kControlRtsOn : tn::kControlRtsOff}},
    };
    for (const Step& step : steps) {
      if ((all || step.changed) && !Set(step.command, step.value)) return false;
    }
    confirmed_ = settings;
    return true;
  }

  std::size_t InputWaiting() override {
    std::lock_guard<std::mutex> guard(mutex_);
    return input_.size();
  }

  std::size_t OutputWaiting() override { return net::UnsentBytes(socket_); }

  std::size_t Read(std::uint8_t* buffer, std::size_t max) override {
    std::size_t taken = 0;
    {
      std::lock_guard<std::mutex> guard(mutex_);
      taken = std::min(max, input_.size());
      std::copy_n(input_.begin(), taken, buffer);
      input_.erase(input_.begin(), input_.begin() + static_cast<std::ptrdiff_t>(taken));
    }
    if (taken > 0) cv_.notify_all();  // the receiver may wait for room
    return taken;
  }

  std::size_t Write(const std::uint8_t* bytes, std::size_t count) override {
    if (count == 0 || !Connected()) return 0;
    tn::Bytes encoded;
    encoded.reserve(count + count / 8 + 1);
    tn::AppendEscaped({bytes, count}, encoded);
    std::size_t sent = 0;
    {
      std::lock_guard<std::mutex> send(sendMutex_);
      sent = net::SendAll(socket_, encoded, Deadline(timeouts_.writeMs));
    }
    if (sent == encoded.size()) return count;
    // The stream may now end inside a doubled FF: nothing more can be sent
    // on it safely, so the connection counts as dropped.
    Drop();
    return DataBytesIn(bytes, count, sent);
  }

  void Purge(PurgeSide side) override {
    std::lock_guard<std::mutex> command(commandMutex_);
    const bool input = side != PurgeSide::Output;
    if (input) {
      std::lock_guard<std::mutex> guard(mutex_);
      input_.clear();
      // Whatever the server sent before it purged is stale too; it ends
      // with the server's answer.
      discardUntilPurgeAnswer_ = true;
    }
    Set(tn::ComPortCommand::PurgeData, {tn::EncodePurge(side)});
    if (input) {
      std::lock_guard<std::mutex> guard(mutex_);
      discardUntilPurgeAnswer_ = false;
    }
    cv_.notify_all();
  }

  std::size_t WaitForInput(std::size_t count, int timeoutMs) override {
    std::unique_lock<std::mutex> lock(mutex_);
    // A dropped connection is a silent line: the wait runs to its time-out.
    WaitFor(lock, timeoutMs, [&] { return input_.size() >= count || cancelPending_ || stopping_; });
    cancelPending_ = false;
    return input_.size();
  }

  bool WaitForDrain(int timeoutMs) override {
    const Micros deadline = Deadline(timeoutMs);
    for (;;) {
      if (net::UnsentBytes(socket_) == 0) return true;
      if (!Connected() || net::MillisLeft(deadline) == 0) return false;
      wall_->IdlePause(1);
    }
  }

  void CancelWait() override {
    {
      std::lock_guard<std::mutex> guard(mutex_);
      cancelPending_ = true;
    }
    cv_.notify_all();
  }

 private:
  static Micros Deadline(int timeoutMs) { return net::WallNow() + static_cast<Micros>(timeoutMs) * 1000; }

  // Data bytes whose whole encoding is among the first `sent` stream bytes.
  static std::size_t DataBytesIn(const std::uint8_t* bytes, std::size_t count, std::size_t sent) {
    std::size_t used = 0;
    for (std::size_t i = 0; i < count; ++i) {
      used += bytes[i] == tn::kIac ? 2 : 1;
      if (used > sent) return i;
    }
    return count;
  }

  template <typename Ready>
  bool WaitFor(std::unique_lock<std::mutex>& lock, int timeoutMs, Ready ready) {
    const Micros until = timeoutMs == kWaitForever ? kNever : Deadline(timeoutMs);
    return wall_->WaitUntil(lock, cv_, until, ready, true);
  }

  bool Connected() {
    std::lock_guard<std::mutex> guard(mutex_);
    return connected_;
  }

  void Drop() {
    {
      std::lock_guard<std::mutex> guard(mutex_);
      connected_ = false;
    }
    net::ShutDown(socket_);
    cv_.notify_all();
  }

  bool SendRaw(const tn::Bytes& bytes) {
    std::lock_guard<std::mutex> send(sendMutex_);
    return net::SendAll(socket_, bytes, Deadline(timeouts_.writeMs)) == bytes.size();
  }

  // Sends one com-port command and waits for the server to confirm the value.
  bool Set(tn::ComPortCommand command, const tn::Bytes& value) {
    const std::uint8_t answerCode = Code(command) + tn::kServerCodeOffset;
    std::unique_lock<std::mutex> lock(mutex_);
    if (!connected_) return false;
    const std::uint64_t before = answers_[answerCode].count;
    lock.unlock();
    if (!SendRaw(tn::ComPortMessage(Code(command), value))) {
      Drop();
      return false;
    }
    lock.lock();
    const bool answered = WaitFor(lock, timeouts_.answerMs, [&] {
      return answers_[answerCode].count != before || !connected_;
    });
    return answered && connected_ && answers_[answerCode].value == value;
  }

  void ReceiveLoop() {
    tn::Decoder decoder;
    std::vector<tn::Item> items;
    std::array<std::uint8_t, kReceiveChunk> chunk{};
    for (;;) {
      if (!WaitForRoom()) break;
      const net::Socket* const sockets[] = {&socket_};
      bool readable[] = {false};
      if (!net::WaitReadable(sockets, kStopCheckMs, readable)) continue;
      const std::optional<std::size_t> n = net::Receive(socket_, chunk);
      if (!n) break;
      if (*n == 0) continue;
      items.clear();
      decoder.Feed({chunk.data(), *n}, items);
      const tn::Bytes replies = Take(items);
      if (!replies.empty()) SendRaw(replies);
    }
    {
      std::lock_guard<std::mutex> guard(mutex_);
      connected_ = false;
    }
    cv_.notify_all();
  }

  bool WaitForRoom() {
    std::unique_lock<std::mutex> lock(mutex_);
    cv_.wait(lock, [&] { return input_.size() < kInputLimit || stopping_; });
    return !stopping_;
  }

  // Takes decoded items in order; returns the negotiation answers to send.
  tn::Bytes Take(const std::vector<tn::Item>& items) {
    tn::Bytes replies;
    {
      std::lock_guard<std::mutex> guard(mutex_);
      for (const tn::Item& item : items) {
        switch (item.kind) {
          case tn::Item::Kind::Data:
            if (!discardUntilPurgeAnswer_) input_.insert(input_.end(), item.bytes.begin(), item.bytes.end());
            break;
          case tn::Item::Kind::Negotiation: {
            const tn::Bytes answer = negotiator_.Receive(item.verb, item.option);
            replies.insert(replies.end(), answer.begin(), answer.end());
            break;
          }
          case tn::Item::Kind::Subnegotiation:
            TakeComPort(item);
            break;
          case tn::Item::Kind::Command:
            break;
        }
      }
    }
    cv_.notify_all();
    return replies;
  }

  // Answers to our settings are recorded; notifications of line and modem
  // state, and flow-control requests, are read and let go.
  void TakeComPort(const tn::Item& item) {
    const auto record = tn::ParseComPort(item);
    if (!record || record->code <= tn::kServerCodeOffset) return;
    Answer& answer = answers_[record->code];
    answer.value = record->value;
    ++answer.count;
    if (record->code == Code(tn::ComPortCommand::PurgeData) + tn::kServerCodeOffset) {
      discardUntilPurgeAnswer_ = false;
    }
  }

  struct Answer {
    std::uint64_t count = 0;
    tn::Bytes value;
  };

  net::Socket socket_;
  const NetworkTimeouts timeouts_;
  const std::shared_ptr<Clock> wall_ = MakeRealClock();
  std::thread receiver_;

  std::mutex commandMutex_;  // one setting or purge at a time
  std::mutex sendMutex_;     // whole Telnet sequences, never interleaved
  std::optional<LineSettings> confirmed_;

  std::mutex mutex_;
  std::condition_variable cv_;
  tn::Negotiator negotiator_;
  std::deque<std::uint8_t> input_;
  std::array<Answer, 256> answers_{};
  bool connected_ = true;
  bool stopping_ = false;
  bool cancelPending_ = false;
  bool discardUntilPurgeAnswer_ = false;
};

}  // namespace

OpenResult OpenNetworkSerialDevice(const std::string& name, const NetworkTimeouts& timeouts) {
  OpenResult result;
  const Result<net::HostPort> address = net::ParseNetworkPortName(name);
  if (!address.ok()) {
    result.error = address.error;
    result.detail = "not a network port name (" + address.detail + "): write rfc2217://HOST:PORT";
    return result;
  }
  Result<net::Socket> connection = net::ConnectTcp(address.value, timeouts.connectMs);
  if (!connection.ok()) {
    result.error = connection.error;
    result.detail = address.value.host + " port " + std::to_string(address.value.port) + ": " + connection.detail;
    return result;
  }
  auto device = std::make_unique<NetworkSerialDevice>(std::move(connection.value), timeouts);
  std::string problem;
  if (!device->Negotiate(&problem)) {
    result.error = Error::ConnectionFailed;
    result.detail = problem;
    return result;
  }
  result.device = std::move(device);
  return result;
}

void RegisterNetworkPorts() {
  RegisterPortScheme(PortScheme{std::string(net::kNetworkScheme),
                                [](const std::string& name) { return OpenNetworkSerialDevice(name); },
                                std::string(net::kNetworkScheme) + "host:port", false});
}

}  // namespace platform
