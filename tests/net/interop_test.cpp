// Interoperability with an RFC 2217 implementation nobody here wrote
// (pyserial's), and quorrel-sim as a program of its own.

#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "support/child_process.h"
#include "platform/rfc2217_port.h"

using nettest::ChildProcess;
using platform::LineSettings;
using platform::Parity;

namespace {

constexpr int kStartMs = 20'000;  // an interpreter or a sanitized program starting up
constexpr int kStepMs = 20'000;
const std::string kPython = "/usr/bin/python3";  // Debian's, which has python3-serial

platform::NetworkTimeouts Patient() {
  platform::NetworkTimeouts timeouts;
  timeouts.negotiationMs = kStepMs;
  timeouts.answerMs = kStepMs;
  timeouts.writeMs = kStepMs;
  return timeouts;
}

std::string Script(const char* name) { return std::string(QUORREL_SOURCE_DIR) + "/tests/net/" + name; }

std::unique_ptr<ChildProcess> StartOrFail(const std::vector<std::string>& argv) {
  std::string error;
  auto child = ChildProcess::Start(argv, &error);
  EXPECT_TRUE(child) << error;
  return child;
}

// The first line a server prints is its port number.
std::string PortNameOf(ChildProcess& server) {
  const auto line = server.ReadLine(kStartMs);
  EXPECT_TRUE(line) << "the server printed no port number";
  return line ? "rfc2217://127.0.0.1:" + *line : std::string();
}

// Reads "state ..." lines until one equals `expected`.
bool StateBecomes(ChildProcess& server, const std::string& expected) {
  for (int lines = 0; lines < 100; ++lines) {
    const auto line = server.ReadLine(kStepMs);
    if (!line) return false;
    if (*line == expected) return true;
  }
  return false;
}

std::vector<std::uint8_t> EveryByteTwice() {
  std::vector<std::uint8_t> bytes;
  for (int round = 0; round < 2; ++round) {
    for (int value = 0; value < 256; ++value) bytes.push_back(static_cast<std::uint8_t>(value));
  }
  return bytes;
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::filesystem::path ScratchDir(const std::string& name) {
  const auto dir = std::filesystem::temp_directory_path() / ("quorrel-net-" + name + "-" + std::to_string(getpid()));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

}  // namespace

TEST(Interop, OurClientAgainstPyserialServerSide) {
  auto server = StartOrFail({kPython, Script("pyserial_server.py")});
  ASSERT_TRUE(server);
  const std::string name = PortNameOf(*server);
  auto opened = platform::OpenNetworkSerialDevice(name, Patient());
  ASSERT_TRUE(opened.device) << opened.detail;
  auto& port = *opened.device;

  ASSERT_TRUE(port.Apply(LineSettings{115200, 8, Parity::None, platform::StopBits::One, true, true}));
  EXPECT_TRUE(StateBecomes(*server, "state baud=115200 data=8 parity=N stop=1 dtr=1 rts=1")) << server->Transcript();
  ASSERT_TRUE(port.Apply(LineSettings{9600, 8, Parity::Even, platform::StopBits::One, false, true}));
  EXPECT_TRUE(StateBecomes(*server, "state baud=9600 data=8 parity=E stop=1 dtr=0 rts=1")) << server->Transcript();
  ASSERT_TRUE(port.Apply(LineSettings{9600, 8, Parity::Odd, platform::StopBits::Two, true, false}));
  EXPECT_TRUE(StateBecomes(*server, "state baud=9600 data=8 parity=O stop=2 dtr=1 rts=0")) << server->Transcript();

  // The far end echoes: every byte value goes out and comes back.
  const auto sent = EveryByteTwice();
  ASSERT_EQ(port.Write(sent.data(), sent.size()), sent.size());
  ASSERT_EQ(port.WaitForInput(sent.size(), kStepMs), sent.size());
  std::vector<std::uint8_t> back(sent.size());
  back.resize(port.Read(back.data(), back.size()));
  EXPECT_EQ(back, sent);

  port.Purge(platform::PurgeSide::Both);
  EXPECT_EQ(port.InputWaiting(), 0u);
  opened.device.reset();
  EXPECT_EQ(server->Wait(kStepMs), 0);
}

TEST(Interop, PyserialClientAgainstQuorrelSim) {
  const auto dir = ScratchDir("pyclient");
  auto server = StartOrFail({QUORREL_SIM_PATH, "--once", "--sim", "model=Apex,serial=QRA1234567,boot=0",
                             "--dump-memory", (dir / "memory.bin").string()});
  ASSERT_TRUE(server);
  const std::string name = PortNameOf(*server);
  const std::string port = name.substr(name.rfind(':') + 1);

  auto client = StartOrFail({kPython, Script("pyserial_client.py"), port});
  ASSERT_TRUE(client);
  std::string lastLine;
  while (const auto line = client->ReadLine(kStepMs)) lastLine = *line;
  EXPECT_EQ(client->Wait(kStepMs), 0) << client->Transcript();
  EXPECT_EQ(lastLine, "ok") << client->Transcript();

  ASSERT_EQ(server->Wait(kStepMs), 0);
  const std::string memory = ReadFile(dir / "memory.bin");
  ASSERT_EQ(memory.size(), 0x10000u);
  // The block the client wrote, FF bytes and all, is in the device's flash.
  const unsigned char pattern[] = {0x00, 0xFF, 0x01, 0xFE, 0xFF, 0xFF, 0xFA, 0xF0,
                                   0xFB, 0xFD, 0x55, 0xAA, 0xFF, 0x10, 0x13, 0x11};
  for (std::size_t i = 0; i < 32; ++i) {
    EXPECT_EQ(static_cast<unsigned char>(memory[0x8000 + i]), pattern[i % 16]) << "at " << i;
  }
  std::filesystem::remove_all(dir);
}

TEST(QuorrelSim, KeepsTheDeviceAcrossClientsAndDumpsItOnSignal) {
  const auto dir = ScratchDir("signal");
  auto server = StartOrFail({QUORREL_SIM_PATH, "--sim", "sim:serial=QRA5550001,boot=0", "--dump-serial",
                             (dir / "serial.txt").string(), "--dump-memory", (dir / "memory.bin").string()});
  ASSERT_TRUE(server);
  const std::string name = PortNameOf(*server);
  const LineSettings application{115200, 8, Parity::None, platform::StopBits::One, true, true};
  {
    auto opened = platform::OpenNetworkSerialDevice(name, Patient());
    ASSERT_TRUE(opened.device) << opened.detail;
    ASSERT_TRUE(opened.device->Apply(application));
    const std::string command = "S{10,w,QRA5550002}";
    opened.device->Write(reinterpret_cast<const std::uint8_t*>(command.data()), command.size());
    ASSERT_TRUE(opened.device->WaitForDrain(kStepMs));
  }
  {
    auto opened = platform::OpenNetworkSerialDevice(name, Patient());
    ASSERT_TRUE(opened.device) << opened.detail;
    ASSERT_TRUE(opened.device->Apply(application));
    const std::string command = "S{10,r}";
    opened.device->Write(reinterpret_cast<const std::uint8_t*>(command.data()), command.size());
    const std::string expected = "[QRA5550002]\r\n";
    ASSERT_EQ(opened.device->WaitForInput(expected.size(), kStepMs), expected.size());
    std::string reply(expected.size(), '\0');
    opened.device->Read(reinterpret_cast<std::uint8_t*>(reply.data()), reply.size());
    EXPECT_EQ(reply, expected);
  }
  server->Signal(SIGTERM);
  ASSERT_EQ(server->Wait(kStepMs), 0);
  EXPECT_EQ(ReadFile(dir / "serial.txt"), "QRA5550002\n");
  EXPECT_EQ(std::filesystem::file_size(dir / "memory.bin"), 0x10000u);
  std::filesystem::remove_all(dir);
}

TEST(QuorrelSim, RefusesBadOptionsBeforeListening) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {QUORREL_SIM_PATH, "--sim", "model=Nonesuch"}, {QUORREL_SIM_PATH, "--port", "http"}}) {
    auto server = StartOrFail(args);
    ASSERT_TRUE(server);
    EXPECT_FALSE(server->ReadLine(kStartMs));  // no port number: it never listened
    EXPECT_EQ(server->Wait(kStepMs), 2) << args[1] << " " << args[2];
  }
}

TEST(QuorrelSim, PortAlreadyInUseIsAClearFailure) {
  auto first = StartOrFail({QUORREL_SIM_PATH});
  ASSERT_TRUE(first);
  const std::string name = PortNameOf(*first);
  const std::string port = name.substr(name.rfind(':') + 1);

  auto second = StartOrFail({QUORREL_SIM_PATH, "--port", port});
  ASSERT_TRUE(second);
  EXPECT_FALSE(second->ReadLine(kStartMs));
  EXPECT_EQ(second->Wait(kStepMs), 1);

  first->Signal(SIGINT);
  EXPECT_EQ(first->Wait(kStepMs), 0);
}
