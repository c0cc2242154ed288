// The network serial port against the simulated interface's server, with a
// device that echoes and records, and against misbehaving peers.

#include <gtest/gtest.h>

#include <thread>

#include "net/net_test_support.h"
#include "platform/serial_device.h"
#include "platform/rfc2217_port.h"

using platform::LineSettings;
using platform::Error;
using platform::Parity;
using platform::PurgeSide;
namespace tn = platform::telnet;

namespace {

constexpr LineSettings kApplication{115200, 8, Parity::None, platform::StopBits::One, true, true};

std::unique_ptr<platform::SerialDevice> OpenOrFail(const std::string& name,
                                                   const platform::NetworkTimeouts& timeouts = nettest::PatientTimeouts()) {
  platform::OpenResult result = platform::OpenNetworkSerialDevice(name, timeouts);
  EXPECT_TRUE(result.device) << name << ": " << result.detail;
  return std::move(result.device);
}

std::vector<std::uint8_t> ReadExactly(platform::SerialDevice& port, std::size_t count) {
  EXPECT_EQ(port.WaitForInput(count, nettest::kPatienceMs), count);
  std::vector<std::uint8_t> bytes(count);
  bytes.resize(port.Read(bytes.data(), bytes.size()));
  return bytes;
}

// Polls a condition that comes within milliseconds, with a generous bound.
template <typename Condition>
bool Eventually(Condition condition) {
  const platform::Micros until = platform::net::WallNow() + nettest::kPatienceMs * 1000LL;
  while (!condition()) {
    if (platform::net::WallNow() > until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

}  // namespace

TEST(NetworkPort, EachSettingIsInForceWhenApplyReturnsAndOnlyChangesAreSent) {
  nettest::LoopbackDevice device;
  nettest::ServerThread server(device);
  auto port = OpenOrFail(server.PortName());
  ASSERT_TRUE(port);

  // The server opened the device at its defaults; the first Apply sends the
  // whole record, of which only the baud rate differs.
  ASSERT_TRUE(port->Apply(kApplication));
  auto applied = device.Applied();
  ASSERT_EQ(applied.size(), 2u);
  EXPECT_EQ(applied.back(), kApplication);

  // One modem line at a time, as a reset sequence plays them: one device
  // change per step, in force when Apply returns, with no extra states.
  LineSettings step = kApplication;
  for (const auto& [dtr, rts] : std::vector<std::pair<bool, bool>>{{false, true}, {false, false}, {false, true},
                                                                  {false, false}, {true, false}, {true, true}}) {
    step.dtr = dtr;
    step.rts = rts;
    ASSERT_TRUE(port->Apply(step));
    EXPECT_EQ(device.Applied().back(), step);
  }
  EXPECT_EQ(device.Applied().size(), 8u);

  // Framing for the loader: baud rate, then parity.
  LineSettings loader = step;
  loader.baudRate = 9600;
  loader.parity = Parity::Even;
  ASSERT_TRUE(port->Apply(loader));
  applied = device.Applied();
  ASSERT_EQ(applied.size(), 10u);
  EXPECT_EQ(applied[8].baudRate, 9600u);
  EXPECT_EQ(applied[8].parity, Parity::None);
  EXPECT_EQ(applied[9], loader);

  // Applying the same record again changes nothing on the device.
  ASSERT_TRUE(port->Apply(loader));
  EXPECT_EQ(device.Applied().size(), 10u);
}

TEST(NetworkPort, RefusedSettingFailsApplyAndTheNextApplySendsEverything) {
  nettest::LoopbackDevice device;
  device.RefuseBaudRate(300);
  nettest::ServerThread server(device);
  auto port = OpenOrFail(server.PortName());
  ASSERT_TRUE(port);
  ASSERT_TRUE(port->Apply(kApplication));

  LineSettings slow = kApplication;
  slow.baudRate = 300;
  slow.dtr = false;
  EXPECT_FALSE(port->Apply(slow));
  EXPECT_EQ(device.Applied().back(), kApplication);

  LineSettings dtrOff = kApplication;
  dtrOff.dtr = false;
  ASSERT_TRUE(port->Apply(dtrOff));
  EXPECT_EQ(device.Applied().back(), dtrOff);
}

TEST(NetworkPort, CarriesEveryByteValueBothWays) {
  nettest::LoopbackDevice device;
  nettest::ServerThread server(device);
  auto port = OpenOrFail(server.PortName());
  ASSERT_TRUE(port);
  ASSERT_TRUE(port->Apply(kApplication));

  std::vector<std::uint8_t> sent;
  for (int round = 0; round < 4; ++round) {
    for (int value = 255; value >= 0; --value) sent.push_back(static_cast<std::uint8_t>(value));
  }
  sent.insert(sent.end(), {0xFF, 0xFF, 0xFF, 0xFA, 0xFF, 0xF0});  // runs of FF, things that look like commands
  EXPECT_EQ(port->Write(sent.data(), sent.size()), sent.size());
  EXPECT_EQ(ReadExactly(*port, sent.size()), sent);
  EXPECT_TRUE(port->WaitForDrain(nettest::kPatienceMs));
  EXPECT_EQ(port->OutputWaiting(), 0u);
  EXPECT_EQ(port->InputWaiting(), 0u);
}

TEST(NetworkPort, InputNobodyReadsHoldsBackTheSenderAndLosesNothing) {
  nettest::LoopbackDevice device;
  nettest::ServerThread server(device);
  auto port = OpenOrFail(server.PortName());
  ASSERT_TRUE(port);
  ASSERT_TRUE(port->Apply(kApplication));

  std::vector<std::uint8_t> flood(300 * 1024);
  for (std::size_t i = 0; i < flood.size(); ++i) flood[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
  device.Emit(flood);
  // The client stops taking from the network at its limit, well short of all.
  ASSERT_TRUE(Eventually([&] { return port->InputWaiting() >= 64 * 1024; }));
  EXPECT_LT(port->InputWaiting(), flood.size());

  std::vector<std::uint8_t> received;
  std::vector<std::uint8_t> chunk(10'000);
  while (received.size() < flood.size() && port->WaitForInput(1, nettest::kPatienceMs) > 0) {
    chunk.resize(port->Read(chunk.data(), 10'000));
    received.insert(received.end(), chunk.begin(), chunk.end());
    chunk.resize(10'000);
  }
  EXPECT_TRUE(received == flood) << received.size() << " of " << flood.size() << " bytes";
}

TEST(NetworkPort, InputPurgeDiscardsWhatArrivedAndWasNotRead) {
  nettest::LoopbackDevice device;
  nettest::ServerThread server(device);
  auto port = OpenOrFail(server.PortName());
  ASSERT_TRUE(port);
  ASSERT_TRUE(port->Apply(kApplication));

  device.Emit({'o', 'l', 'd'});
  ASSERT_EQ(port->WaitForInput(3, nettest::kPatienceMs), 3u);
  device.Emit({'s', 't', 'a', 'l', 'e'});  // may still be on its way
  port->Purge(PurgeSide::Input);
  EXPECT_EQ(port->InputWaiting(), 0u);
  EXPECT_EQ(device.Purges().back(), PurgeSide::Input);

  const std::uint8_t fresh[] = {'n', 'e', 'w'};
  port->Write(fresh, sizeof fresh);
  EXPECT_EQ(ReadExactly(*port, 3), std::vector<std::uint8_t>({'n', 'e', 'w'}));

  port->Purge(PurgeSide::Output);
  EXPECT_EQ(device.Purges().back(), PurgeSide::Output);
}

TEST(NetworkPort, WaitsEndOnCancelAndOnTheirTimeOut) {
  nettest::LoopbackDevice device;
  nettest::ServerThread server(device);
  auto port = OpenOrFail(server.PortName());
  ASSERT_TRUE(port);

  EXPECT_EQ(port->WaitForInput(1, 20), 0u);
  port->CancelWait();  // no wait runs: the next one ends at once
  EXPECT_EQ(port->WaitForInput(1, platform::kWaitForever), 0u);

  // From another thread: whether it comes before the wait or during it, the
  // wait ends.
  std::thread canceller([&] { port->CancelWait(); });
  EXPECT_EQ(port->WaitForInput(1, platform::kWaitForever), 0u);
  canceller.join();
}

TEST(NetworkPort, FailedOpensSayWhy) {
  platform::NetworkTimeouts quick;
  quick.connectMs = 2000;
  quick.negotiationMs = 300;

  auto malformed = platform::OpenNetworkSerialDevice("rfc2217://127.0.0.1", quick);
  EXPECT_FALSE(malformed.device);
  EXPECT_EQ(malformed.error, Error::UnknownName);
  EXPECT_NE(malformed.detail.find("PORT"), std::string::npos);

  auto refused = platform::OpenNetworkSerialDevice(
      "rfc2217://127.0.0.1:" + std::to_string(nettest::UnusedPort()), quick);
  EXPECT_FALSE(refused.device);
  EXPECT_EQ(refused.error, Error::ConnectionFailed);
  EXPECT_FALSE(refused.detail.empty());

  nettest::RawPeer plainTelnet(tn::OptionCommand(tn::kDont, tn::kOptionComPort));
  auto noComPort = platform::OpenNetworkSerialDevice(plainTelnet.PortName(), nettest::PatientTimeouts());
  EXPECT_FALSE(noComPort.device);
  EXPECT_EQ(noComPort.error, Error::ConnectionFailed);
  EXPECT_NE(noComPort.detail.find("does not offer"), std::string::npos);

  tn::Bytes textOnly = tn::OptionCommand(tn::kDo, tn::kOptionComPort);
  const tn::Bytes noBinary = tn::OptionCommand(tn::kWont, tn::kOptionBinary);
  textOnly.insert(textOnly.begin(), noBinary.begin(), noBinary.end());
  nettest::RawPeer sevenBit(textOnly);
  auto noBinaryMode = platform::OpenNetworkSerialDevice(sevenBit.PortName(), nettest::PatientTimeouts());
  EXPECT_FALSE(noBinaryMode.device);
  EXPECT_EQ(noBinaryMode.error, Error::ConnectionFailed);
  EXPECT_NE(noBinaryMode.detail.find("BINARY"), std::string::npos);

  nettest::RawPeer silent({});
  auto noAnswer = platform::OpenNetworkSerialDevice(silent.PortName(), quick);
  EXPECT_FALSE(noAnswer.device);
  EXPECT_EQ(noAnswer.error, Error::ConnectionFailed);
  EXPECT_NE(noAnswer.detail.find("did not answer"), std::string::npos);
}

TEST(NetworkPort, ServerThatNeverConfirmsMakesApplyFailAfterItsTimeOut) {
  nettest::RawPeer mute(tn::OptionCommand(tn::kDo, tn::kOptionComPort));
  platform::NetworkTimeouts quick = nettest::PatientTimeouts();
  quick.answerMs = 200;
  auto port = OpenOrFail(mute.PortName(), quick);
  ASSERT_TRUE(port);
  EXPECT_FALSE(port->Apply(kApplication));
  port->Purge(PurgeSide::Both);  // returns after its time-out too
  EXPECT_EQ(port->InputWaiting(), 0u);
}

TEST(NetworkPort, DroppedConnectionKeepsWhatArrivedThenReportsNothing) {
  nettest::LoopbackDevice device;
  auto server = std::make_unique<nettest::ServerThread>(device);
  auto port = OpenOrFail(server->PortName());
  ASSERT_TRUE(port);
  ASSERT_TRUE(port->Apply(kApplication));
  device.Emit({'a', 'b', 'c'});
  ASSERT_EQ(port->WaitForInput(3, nettest::kPatienceMs), 3u);

  server.reset();  // the terminal server goes away
  const std::uint8_t byte = 0x55;
  EXPECT_TRUE(Eventually([&] { return port->Write(&byte, 1) == 0; }));
  EXPECT_FALSE(port->Apply(kApplication));
  EXPECT_EQ(ReadExactly(*port, 3), std::vector<std::uint8_t>({'a', 'b', 'c'}));
  EXPECT_EQ(port->WaitForInput(1, 20), 0u);
  port->Purge(PurgeSide::Both);  // returns at once, nothing to wait for
  EXPECT_EQ(port->Write(&byte, 1), 0u);
}

TEST(NetworkPort, OneClientAtATimeAndTheNextIsServedOnceTheFirstLeaves) {
  nettest::LoopbackDevice device;
  nettest::ServerThread server(device);
  auto first = OpenOrFail(server.PortName());
  ASSERT_TRUE(first);

  auto second = platform::OpenNetworkSerialDevice(server.PortName(), nettest::PatientTimeouts());
  EXPECT_FALSE(second.device);
  EXPECT_EQ(second.error, Error::ConnectionFailed);

  // Closing and reopening at once, as the program hands the port from one
  // layer to the next, is served.
  first.reset();
  auto third = OpenOrFail(server.PortName());
  ASSERT_TRUE(third);
  EXPECT_TRUE(third->Apply(kApplication));
}

TEST(NetworkPort, PlatformOpensNetworkNamesOnceRegistered) {
  nettest::LoopbackDevice device;
  nettest::ServerThread server(device);
  platform::RegisterNetworkPorts();
  auto result = platform::OpenSerialDevice(server.PortName());
  ASSERT_TRUE(result.device) << result.detail;
  EXPECT_TRUE(result.device->Apply(kApplication));
  EXPECT_EQ(device.Applied().back(), kApplication);
}
