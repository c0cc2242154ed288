// The Telnet stream codec as pure functions: doubling, splitting, records.

#include <gtest/gtest.h>

#include "platform/rfc2217_codec.h"
#include "platform/rfc2217_socket.h"

namespace tn = platform::telnet;
using tn::Bytes;
using tn::Item;

namespace {

std::vector<Item> DecodeAll(const Bytes& stream) {
  tn::Decoder decoder;
  std::vector<Item> items;
  decoder.Feed(stream, items);
  return items;
}

// Feeds the stream in pieces cut at `cuts`, then joins adjacent data items,
// since a cut may split one run of data into two.
std::vector<Item> DecodeInPieces(const Bytes& stream, const std::vector<std::size_t>& cuts) {
  tn::Decoder decoder;
  std::vector<Item> items;
  std::size_t from = 0;
  for (std::size_t cut : cuts) {
    decoder.Feed({stream.data() + from, cut - from}, items);
    from = cut;
  }
  decoder.Feed({stream.data() + from, stream.size() - from}, items);
  std::vector<Item> joined;
  for (Item& item : items) {
    if (!joined.empty() && item.kind == Item::Kind::Data && joined.back().kind == Item::Kind::Data) {
      joined.back().bytes.insert(joined.back().bytes.end(), item.bytes.begin(), item.bytes.end());
    } else {
      joined.push_back(std::move(item));
    }
  }
  return joined;
}

Item DataItem(Bytes bytes) { return Item{Item::Kind::Data, 0, 0, std::move(bytes)}; }

Bytes AllByteValues() {
  Bytes all(256);
  for (int i = 0; i < 256; ++i) all[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
  return all;
}

}  // namespace

TEST(TelnetCodec, DoublesFfInDataAndUndoesItOnReceipt) {
  Bytes stream;
  tn::AppendEscaped(Bytes{0x00, 0xFF, 0x41, 0xFF, 0xFF}, stream);
  EXPECT_EQ(stream, (Bytes{0x00, 0xFF, 0xFF, 0x41, 0xFF, 0xFF, 0xFF, 0xFF}));

  Bytes all;
  tn::AppendEscaped(AllByteValues(), all);
  EXPECT_EQ(all.size(), 257u);
  const auto items = DecodeAll(all);
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0], DataItem(AllByteValues()));
}

TEST(TelnetCodec, StreamCutAtEveryPointDecodesTheSame) {
  // Data with a doubled FF, a negotiation, a com-port record whose value
  // holds a doubled FF, a bare command, more data.
  Bytes stream{0x10, 0xFF, 0xFF, 0x20};
  const Bytes will = tn::OptionCommand(tn::kWill, tn::kOptionComPort);
  stream.insert(stream.end(), will.begin(), will.end());
  const Bytes record = tn::ComPortMessage(101, tn::EncodeBaudRate(0x0001C2FF));
  stream.insert(stream.end(), record.begin(), record.end());
  stream.insert(stream.end(), {0xFF, 0xF1, 0x30, 0xFF, 0xFF});

  const auto whole = DecodeAll(stream);
  ASSERT_EQ(whole.size(), 5u);
  EXPECT_EQ(whole[0], DataItem({0x10, 0xFF, 0x20}));
  EXPECT_EQ(whole[1], (Item{Item::Kind::Negotiation, tn::kWill, tn::kOptionComPort, {}}));
  EXPECT_EQ(whole[2], (Item{Item::Kind::Subnegotiation, tn::kSb, tn::kOptionComPort, {101, 0x00, 0x01, 0xC2, 0xFF}}));
  EXPECT_EQ(whole[3], (Item{Item::Kind::Command, 0xF1, 0, {}}));
  EXPECT_EQ(whole[4], DataItem({0x30, 0xFF}));

  for (std::size_t cut = 1; cut < stream.size(); ++cut) {
    EXPECT_EQ(DecodeInPieces(stream, {cut}), whole) << "cut at " << cut;
  }
  std::vector<std::size_t> everyByte;
  for (std::size_t i = 1; i < stream.size(); ++i) everyByte.push_back(i);
  EXPECT_EQ(DecodeInPieces(stream, everyByte), whole);
}

TEST(TelnetCodec, ComPortRecordsParseAndBadOnesAreDropped) {
  const auto items = DecodeAll(tn::ComPortMessage(5, Bytes{8}));
  ASSERT_EQ(items.size(), 1u);
  const auto record = tn::ParseComPort(items[0]);
  ASSERT_TRUE(record);
  EXPECT_EQ(record->code, 5);
  EXPECT_EQ(record->value, Bytes{8});

  // A record of another option, or an empty one, is not a com-port record.
  EXPECT_FALSE(tn::ParseComPort(DecodeAll({0xFF, 0xFA, 24, 0, 0xFF, 0xF0}).at(0)));
  EXPECT_FALSE(tn::ParseComPort(DecodeAll({0xFF, 0xFA, 44, 0xFF, 0xF0}).at(0)));

  // An over-long record vanishes whole; the stream goes on after it.
  Bytes longRecord{0xFF, 0xFA, 44, 1};
  longRecord.insert(longRecord.end(), 200, 0x55);
  longRecord.insert(longRecord.end(), {0xFF, 0xF0, 0x42});
  EXPECT_EQ(DecodeAll(longRecord), std::vector<Item>{DataItem({0x42})});

  // A record cut short by another command is dropped; the command counts.
  const auto cut = DecodeAll({0xFF, 0xFA, 44, 1, 2, 0xFF, 0xFD, 3, 0x42});
  ASSERT_EQ(cut.size(), 2u);
  EXPECT_EQ(cut[0], (Item{Item::Kind::Negotiation, tn::kDo, 3, {}}));
  EXPECT_EQ(cut[1], DataItem({0x42}));
}

TEST(TelnetCodec, LineValuesRoundTripAndUnknownOnesAreRefused) {
  EXPECT_EQ(tn::EncodeBaudRate(115200), (Bytes{0x00, 0x01, 0xC2, 0x00}));
  EXPECT_EQ(tn::DecodeBaudRate(tn::EncodeBaudRate(9600)), 9600u);
  EXPECT_FALSE(tn::DecodeBaudRate(Bytes{0x00, 0x25}));

  using platform::Parity;
  EXPECT_EQ(tn::EncodeParity(Parity::None), 1);
  EXPECT_EQ(tn::EncodeParity(Parity::Even), 3);
  for (Parity parity : {Parity::None, Parity::Odd, Parity::Even, Parity::Mark, Parity::Space}) {
    EXPECT_EQ(tn::DecodeParity(tn::EncodeParity(parity)), parity);
  }
  EXPECT_FALSE(tn::DecodeParity(0));
  EXPECT_FALSE(tn::DecodeParity(6));

  using platform::StopBits;
  EXPECT_EQ(tn::EncodeStopBits(StopBits::OneAndHalf), 3);
  for (StopBits stop : {StopBits::One, StopBits::OneAndHalf, StopBits::Two}) {
    EXPECT_EQ(tn::DecodeStopBits(tn::EncodeStopBits(stop)), stop);
  }
  EXPECT_FALSE(tn::DecodeStopBits(0));

  using platform::PurgeSide;
  EXPECT_EQ(tn::EncodePurge(PurgeSide::Input), tn::kPurgeReceive);
  EXPECT_EQ(tn::EncodePurge(PurgeSide::Output), tn::kPurgeTransmit);
  EXPECT_EQ(tn::DecodePurge(3), PurgeSide::Both);
  EXPECT_FALSE(tn::DecodePurge(4));
}

TEST(TelnetNegotiator, AgreesToSupportedOptionsRefusesOthersAndNeverLoops) {
  const std::uint8_t supported[] = {tn::kOptionBinary, tn::kOptionComPort};
  tn::Negotiator negotiator(supported, supported);

  // Our own request: its answer needs no answer back.
  EXPECT_EQ(negotiator.RequestLocal(tn::kOptionComPort), tn::OptionCommand(tn::kWill, tn::kOptionComPort));
  EXPECT_FALSE(negotiator.LocalAnswered(tn::kOptionComPort));
  EXPECT_EQ(negotiator.Receive(tn::kDo, tn::kOptionComPort), Bytes{});
  EXPECT_TRUE(negotiator.LocalAnswered(tn::kOptionComPort));
  EXPECT_TRUE(negotiator.LocalEnabled(tn::kOptionComPort));
  // Asking again changes nothing and sends nothing.
  EXPECT_EQ(negotiator.RequestLocal(tn::kOptionComPort), Bytes{});
  EXPECT_EQ(negotiator.Receive(tn::kDo, tn::kOptionComPort), Bytes{});

  // The peer's request for a supported option is agreed to once.
  EXPECT_EQ(negotiator.Receive(tn::kWill, tn::kOptionBinary), tn::OptionCommand(tn::kDo, tn::kOptionBinary));
  EXPECT_EQ(negotiator.Receive(tn::kWill, tn::kOptionBinary), Bytes{});
  EXPECT_TRUE(negotiator.RemoteEnabled(tn::kOptionBinary));
  EXPECT_EQ(negotiator.Receive(tn::kWont, tn::kOptionBinary), tn::OptionCommand(tn::kDont, tn::kOptionBinary));
  EXPECT_FALSE(negotiator.RemoteEnabled(tn::kOptionBinary));

  // Unsupported options are refused; their refusal is not answered.
  EXPECT_EQ(negotiator.Receive(tn::kDo, tn::kOptionEcho), tn::OptionCommand(tn::kWont, tn::kOptionEcho));
  EXPECT_EQ(negotiator.Receive(tn::kWill, tn::kOptionEcho), tn::OptionCommand(tn::kDont, tn::kOptionEcho));
  EXPECT_EQ(negotiator.Receive(tn::kDont, tn::kOptionEcho), Bytes{});
  EXPECT_FALSE(negotiator.LocalEnabled(tn::kOptionEcho));

  // A refused request counts as answered and stays off.
  tn::Negotiator refused(supported, supported);
  refused.RequestLocal(tn::kOptionComPort);
  EXPECT_EQ(refused.Receive(tn::kDont, tn::kOptionComPort), Bytes{});
  EXPECT_TRUE(refused.LocalAnswered(tn::kOptionComPort));
  EXPECT_FALSE(refused.LocalEnabled(tn::kOptionComPort));
  EXPECT_TRUE(refused.Refused(tn::kOptionComPort));
  // An option we never asked for, switched off, is not a refusal.
  EXPECT_FALSE(negotiator.Refused(tn::kOptionEcho));
  EXPECT_FALSE(negotiator.Refused(tn::kOptionBinary));
}

TEST(NetworkPortName, TakesHostAndPortAndRefusesTheRest) {
  namespace net = platform::net;
  EXPECT_EQ(net::ParseNetworkPortName("rfc2217://127.0.0.1:4001").value, (net::HostPort{"127.0.0.1", 4001}));
  EXPECT_EQ(net::ParseNetworkPortName("rfc2217://terminal-7.lab:65535").value,
            (net::HostPort{"terminal-7.lab", 65535}));
  EXPECT_EQ(net::ParseNetworkPortName("rfc2217://[::1]:23").value, (net::HostPort{"::1", 23}));

  for (const char* bad : {"rfc2217://", "rfc2217://host", "rfc2217://host:", "rfc2217://:4001",
                          "rfc2217://host:0", "rfc2217://host:65536", "rfc2217://host:40x1",
                          "rfc2217://host:4001/x", "rfc2217://::1:23", "rfc2217://[::1]23", "rfc2217://[::1",
                          "rfc2217://ho st:1", "rfc2217://host:+1", "RFC2217://host:1", "COM3"}) {
    const auto parsed = net::ParseNetworkPortName(bad);
    EXPECT_EQ(parsed.error, platform::Error::UnknownName) << bad;
    EXPECT_FALSE(parsed.detail.empty()) << bad;
  }
}
