// The server side spoken to directly: requests a client of ours never sends
// get the value in force, bad values change nothing, unknown ones no answer.

#include <gtest/gtest.h>

#include "net/net_test_support.h"

namespace tn = platform::telnet;
using tn::Bytes;

namespace {

class RawClient {
 public:
  explicit RawClient(std::uint16_t port)
      : socket_(platform::net::ConnectTcp({"127.0.0.1", port}, nettest::kPatienceMs).value) {}

  void Send(const Bytes& bytes) {
    platform::net::SendAll(socket_, bytes, platform::net::WallNow() + nettest::kPatienceMs * 1000LL);
  }

  // The next com-port record from the server, skipping negotiation.
  std::optional<tn::ComPortRecord> NextRecord() {
    for (int rounds = 0; rounds < 1000; ++rounds) {
      for (; next_ < items_.size(); ++next_) {
        if (auto record = tn::ParseComPort(items_[next_])) {
          ++next_;
          return record;
        }
      }
      const platform::net::Socket* const sockets[] = {&socket_};
      bool readable[] = {false};
      if (!platform::net::WaitReadable(sockets, nettest::kPatienceMs, readable)) return std::nullopt;
      std::uint8_t chunk[512];
      const std::optional<std::size_t> n = platform::net::Receive(socket_, chunk);
      if (!n) return std::nullopt;
      decoder_.Feed({chunk, *n}, items_);
    }
    return std::nullopt;
  }

  bool Valid() const { return socket_.Valid(); }

 private:
  platform::net::Socket socket_;
  tn::Decoder decoder_;
  std::vector<tn::Item> items_;
  std::size_t next_ = 0;
};

Bytes Request(tn::ComPortCommand command, Bytes value) {
  return tn::ComPortMessage(static_cast<std::uint8_t>(command), value);
}

void ExpectAnswer(RawClient& client, tn::ComPortCommand command, const Bytes& value) {
  const auto record = client.NextRecord();
  ASSERT_TRUE(record);
  EXPECT_EQ(record->code, static_cast<std::uint8_t>(command) + tn::kServerCodeOffset);
  EXPECT_EQ(record->value, value);
}

}  // namespace

TEST(PortServer, AnswersQueriesAndBadValuesWithTheValueInForce) {
  using Command = tn::ComPortCommand;
  nettest::LoopbackDevice device;
  nettest::ServerThread server(device);
  RawClient client(server.Port());
  ASSERT_TRUE(client.Valid());

  // Queries, values no line has, and flow control the cable cannot do.
  client.Send(Request(Command::SetBaudRate, {0, 0, 0, 0}));
  client.Send(Request(Command::SetBaudRate, {0, 0}));  // too short
  client.Send(Request(Command::SetDataSize, {9}));
  client.Send(Request(Command::SetParity, {0}));
  client.Send(Request(Command::SetParity, {6}));
  client.Send(Request(Command::SetStopSize, {4}));
  client.Send(Request(Command::SetControl, {tn::kControlRequestDtr}));
  client.Send(Request(Command::SetControl, {2}));  // XON/XOFF
  client.Send(Request(Command::SetControl, {tn::kControlBreakOn}));
  client.Send(Request(Command::SetControl, {16}));  // inbound hardware flow
  client.Send(Request(Command::SetControl, {99}));  // no such value: no answer
  client.Send(tn::ComPortMessage(50, Bytes{1}));     // no such command: no answer
  client.Send(Request(Command::PurgeData, {7}));     // no such purge: no answer
  client.Send(Request(Command::NotifyModemState, {}));
  client.Send(Request(Command::SetModemStateMask, {0xFF}));

  ExpectAnswer(client, Command::SetBaudRate, {0x00, 0x00, 0x25, 0x80});
  ExpectAnswer(client, Command::SetBaudRate, {0x00, 0x00, 0x25, 0x80});
  ExpectAnswer(client, Command::SetDataSize, {8});
  ExpectAnswer(client, Command::SetParity, {1});
  ExpectAnswer(client, Command::SetParity, {1});
  ExpectAnswer(client, Command::SetStopSize, {1});
  ExpectAnswer(client, Command::SetControl, {tn::kControlDtrOn});
  ExpectAnswer(client, Command::SetControl, {tn::kControlNoFlowControl});
  ExpectAnswer(client, Command::SetControl, {tn::kControlBreakOff});
  ExpectAnswer(client, Command::SetControl, {tn::kControlNoInboundFlowControl});
  ExpectAnswer(client, Command::NotifyModemState, {0});
  ExpectAnswer(client, Command::SetModemStateMask, {0xFF});

  // A real change after all that: answered, and the only one the device saw.
  client.Send(Request(Command::SetParity, {tn::EncodeParity(platform::Parity::Even)}));
  ExpectAnswer(client, Command::SetParity, {3});
  const auto applied = device.Applied();
  ASSERT_EQ(applied.size(), 2u);  // the defaults when the server opened it, then this
  EXPECT_EQ(applied[1].parity, platform::Parity::Even);
  EXPECT_EQ(applied[1].baudRate, 9600u);
}
