#include "sim/server/port_server.h"

#include <algorithm>
#include <array>
#include <optional>
#include <thread>
#include <vector>

namespace sim::server {
namespace {

namespace net = platform::net;
namespace tn = platform::telnet;
using platform::Micros;

// A client that has just closed its connection is noticed well within this,
// so the next one (the same program reopening the port) is not turned away;
// it is shorter than a client's wait for negotiation, so one turned away
// learns it from the closed connection rather than from a time-out.
constexpr int kBusyGraceMs = 1000;
// Sending to a client that takes nothing for this long means it is gone.
constexpr int kSendTimeoutMs = 5000;
// The device takes what the client sends in this many drain waits at most.
constexpr int kWriteRetries = 100;
constexpr int kWriteRetryMs = 50;
// How often the pump looks up from the device to see whether to stop.
constexpr int kPumpWaitMs = 100;
// How often the server asks whether to stop while it waits on its sockets.
constexpr int kStopCheckMs = 100;
constexpr std::size_t kChunk = 4096;

constexpr std::uint8_t kLocalOptions[] = {tn::kOptionBinary, tn::kOptionSuppressGoAhead, tn::kOptionComPort};
constexpr std::uint8_t kRemoteOptions[] = {tn::kOptionBinary, tn::kOptionSuppressGoAhead, tn::kOptionComPort};

std::uint8_t ServerCode(tn::ComPortCommand command) {
  return static_cast<std::uint8_t>(command) + tn::kServerCodeOffset;
}

Micros DeadlineIn(int ms) { return net::WallNow() + static_cast<Micros>(ms) * 1000; }

}  // namespace

// One client's connection: the Telnet stream in from the client, and a pump
// thread that carries what the device sends out to it.
class PortServer::Session {
 public:
  Session(PortServer& server, net::Socket client)
      : server_(server), client_(std::move(client)), negotiator_(kLocalOptions, kRemoteOptions) {}

  ~Session() {
    stop_ = true;
    server_.device_.CancelWait();
    if (pump_.joinable()) pump_.join();
  }

  void Start() {
    // Bytes the device sent while nobody listened are not this client's.
    server_.device_.Purge(platform::PurgeSide::Input);
    tn::Bytes requests;
    for (const auto& part : {negotiator_.RequestLocal(tn::kOptionBinary), negotiator_.RequestRemote(tn::kOptionBinary),
                             negotiator_.RequestLocal(tn::kOptionSuppressGoAhead),
                             negotiator_.RequestRemote(tn::kOptionSuppressGoAhead)}) {
      requests.insert(requests.end(), part.begin(), part.end());
    }
    Send(requests);
    pump_ = std::thread([this] { Pump(); });
  }

  const net::Socket& Client() const { return client_; }

  // Takes what the client sent; false once the client has gone.
  bool OnReadable() {
    std::array<std::uint8_t, kChunk> chunk{};
    const std::optional<std::size_t> n = net::Receive(client_, chunk);
    if (!n) return false;
    std::vector<tn::Item> items;
    decoder_.Feed({chunk.data(), *n}, items);
    for (const tn::Item& item : items) Take(item);
    return true;
  }

 private:
  void Take(const tn::Item& item) {
    switch (item.kind) {
      case tn::Item::Kind::Data:
        WriteToDevice(item.bytes);
        break;
      case tn::Item::Kind::Negotiation:
        Send(negotiator_.Receive(item.verb, item.option));
        break;
      case tn::Item::Kind::Subnegotiation:
        TakeComPort(item);
        break;
      case tn::Item::Kind::Command:
        break;
    }
  }

  void TakeComPort(const tn::Item& item) {
    const auto record = tn::ParseComPort(item);
    if (!record) return;
    bool purge = false;
    platform::PurgeSide side = platform::PurgeSide::Both;
    const tn::Bytes answer = server_.Answer(*record, &purge, &side);
    if (!purge) {
      Send(answer);
      return;
    }
    // Purge and answer under the send lock: no byte the device sent before
    // the purge may reach the client after the answer.
    std::lock_guard<std::mutex> guard(sendMutex_);
    server_.device_.Purge(side);
    net::SendAll(client_, answer, DeadlineIn(kSendTimeoutMs));
  }

  void WriteToDevice(const tn::Bytes& bytes) {
    std::size_t done = 0;
    for (int tries = 0; done < bytes.size() && tries < kWriteRetries; ++tries) {
      done += server_.device_.Write(bytes.data() + done, bytes.size() - done);
      if (done < bytes.size()) server_.device_.WaitForDrain(kWriteRetryMs);
    }
  }

  void Send(const tn::Bytes& bytes) {
    if (bytes.empty()) return;
    std::lock_guard<std::mutex> guard(sendMutex_);
    net::SendAll(client_, bytes, DeadlineIn(kSendTimeoutMs));
  }

  void Pump() {
    std::array<std::uint8_t, kChunk> chunk{};
    tn::Bytes encoded;
    while (!stop_) {
      if (server_.device_.WaitForInput(1, kPumpWaitMs) == 0) continue;
      std::lock_guard<std::mutex> guard(sendMutex_);
      const std::size_t n = server_.device_.Read(chunk.data(), chunk.size());
      if (n == 0) continue;
      encoded.clear();
      tn::AppendEscaped({chunk.data(), n}, encoded);
      if (net::SendAll(client_, encoded, DeadlineIn(kSendTimeoutMs)) != encoded.size()) {
        // The client takes nothing: end the session as if it had left.
        net::ShutDown(client_);
        return;
      }
    }
  }

  PortServer& server_;
  net::Socket client_;
  tn::Decoder decoder_;
  tn::Negotiator negotiator_;
  std::mutex sendMutex_;
  std::atomic<bool> stop_{false};
  std::thread pump_;
};

PortServer::PortServer(platform::SerialDevice& device, const platform::LineSettings& initial)
    : device_(device), current_(initial) {
  device_.Apply(initial);
}

void PortServer::Run(const net::Socket& listener, const StopQuery& stopRequested, bool once) {
  net::Socket next;
  for (;;) {
    while (!next.Valid()) {
      const net::Socket* const sockets[] = {&listener};
      bool readable[] = {false};
      net::WaitReadable(sockets, kStopCheckMs, readable);
      if (stopRequested()) return;
      if (readable[0]) next = net::AcceptConnection(listener);
    }
    ++clientsServed_;
    const SessionEnd end = Serve(std::move(next), listener, stopRequested, &next);
    if (end == SessionEnd::Stop || once) return;
  }
}

PortServer::SessionEnd PortServer::Serve(net::Socket client, const net::Socket& listener,
                                         const StopQuery& stopRequested, net::Socket* next) {
  Session session(*this, std::move(client));
  session.Start();
  net::Socket waiting;
  Micros waitingUntil = 0;
  for (;;) {
    const net::Socket* const sockets[] = {&session.Client(), &listener};
    bool readable[] = {false, false};
    const int timeout = waiting.Valid() ? std::min(net::MillisLeft(waitingUntil), kStopCheckMs) : kStopCheckMs;
    net::WaitReadable(sockets, timeout, readable);
    if (stopRequested()) return SessionEnd::Stop;
    if (readable[0] && !session.OnReadable()) {
      *next = std::move(waiting);
      return SessionEnd::ClientLeft;
    }
    if (readable[1]) {
      net::Socket newcomer = net::AcceptConnection(listener);
      if (newcomer.Valid() && !waiting.Valid()) {
        waiting = std::move(newcomer);
        waitingUntil = DeadlineIn(kBusyGraceMs);
      }  // a second newcomer is turned away at once (closed here)
    }
    if (waiting.Valid() && net::MillisLeft(waitingUntil) == 0) waiting.Reset();
  }
}

bool PortServer::TryApply(const platform::LineSettings& next) {
  if (next == current_) return true;
  if (!device_.Apply(next)) return false;
  current_ = next;
  return true;
}

// The answer to one com-port command: the value now in force, which tells
// the client whether its request was taken. A value of 0 asks for it.
tn::Bytes PortServer::Answer(const tn::ComPortRecord& record, bool* purge, platform::PurgeSide* side) {
  using Command = tn::ComPortCommand;
  const std::uint8_t first = record.value.empty() ? 0 : record.value.front();
  const std::uint8_t answerCode = record.code + tn::kServerCodeOffset;
  switch (static_cast<Command>(record.code)) {
    case Command::SetBaudRate:
    case Command::SetDataSize:
    case Command::SetParity:
    case Command::SetStopSize:
      return tn::ComPortMessage(answerCode, SetFraming(static_cast<Command>(record.code), record.value));
    case Command::SetControl:
      return AnswerControl(first);
    case Command::NotifyLineState:
    case Command::NotifyModemState:
      // The cable carries no status lines back; nothing to report.
      return tn::ComPortMessage(answerCode, tn::Bytes{0});
    case Command::SetLineStateMask:
    case Command::SetModemStateMask:
      return tn::ComPortMessage(answerCode, tn::Bytes{first});
    case Command::PurgeData: {
      const auto purgeSide = tn::DecodePurge(first);
      if (!purgeSide) return {};
      *purge = true;
      *side = *purgeSide;
      return tn::ComPortMessage(answerCode, tn::Bytes{first});
    }
    case Command::FlowControlSuspend:
    case Command::FlowControlResume:
      return {};
  }
  return {};  // server codes and unknown commands get no answer
}

// Applies one framing value when it is valid; returns the value in force.
tn::Bytes PortServer::SetFraming(tn::ComPortCommand command, const tn::Bytes& value) {
  using Command = tn::ComPortCommand;
  platform::LineSettings next = current_;
  const std::uint8_t first = value.empty() ? 0 : value.front();
  if (command == Command::SetBaudRate) {
    const auto baud = tn::DecodeBaudRate(value);
    if (baud && *baud != 0) next.baudRate = *baud;
  } else if (command == Command::SetDataSize) {
    if (first >= 5 && first <= 8) next.dataBits = first;
  } else if (command == Command::SetParity) {
    next.parity = tn::DecodeParity(first).value_or(next.parity);
  } else {
    next.stopBits = tn::DecodeStopBits(first).value_or(next.stopBits);
  }
  TryApply(next);
  switch (command) {
    case Command::SetBaudRate: return tn::EncodeBaudRate(current_.baudRate);
    case Command::SetDataSize: return {current_.dataBits};
    case Command::SetParity: return {tn::EncodeParity(current_.parity)};
    default: return {tn::EncodeStopBits(current_.stopBits)};
  }
}

tn::Bytes PortServer::AnswerControl(std::uint8_t value) {
  platform::LineSettings next = current_;
  std::uint8_t answer = 0;
  switch (value) {
    case tn::kControlDtrOn:
    case tn::kControlDtrOff:
      next.dtr = value == tn::kControlDtrOn;
      TryApply(next);
      [[fallthrough]];
    case tn::kControlRequestDtr:
      answer = current_.dtr ? tn::kControlDtrOn : tn::kControlDtrOff;
      break;
    case tn::kControlRtsOn:
    case tn::kControlRtsOff:
      next.rts = value == tn::kControlRtsOn;
      TryApply(next);
      [[fallthrough]];
    case tn::kControlRequestRts:
      answer = current_.rts ? tn::kControlRtsOn : tn::kControlRtsOff;
      break;
    case tn::kControlRequestBreak:
    case tn::kControlBreakOn:
    case tn::kControlBreakOff:
      answer = tn::kControlBreakOff;  // the device never sees a break
      break;
    default:
      // Flow control: the cable has no handshake lines, so none is the only
      // setting; any request for it is answered with what is in force.
      if (value <= 3) {
        answer = tn::kControlNoFlowControl;
      } else if (value >= tn::kControlRequestInboundFlow && value <= 19) {
        answer = tn::kControlNoInboundFlowControl;
      } else {
        return {};
      }
  }
  return tn::ComPortMessage(ServerCode(tn::ComPortCommand::SetControl), tn::Bytes{answer});
}

}  // namespace sim::server
