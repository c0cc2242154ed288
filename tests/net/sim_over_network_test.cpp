// The simulated interface behind the server: line sequences played over the
// network reach the device as the same sequence of line states, so its reset
// rule and its settings checks hold as on a cable.

#include <gtest/gtest.h>

#include "net/net_test_support.h"
#include "platform/clock.h"
#include "platform/rfc2217_port.h"
#include "sim/sim_interface.h"

using platform::LineSettings;
using platform::Parity;

namespace {

constexpr LineSettings kApplication{115200, 8, Parity::None, platform::StopBits::One, true, true};

class SimOverNetwork : public ::testing::Test {
 protected:
  void SetUp() override {
    cable_ = device_->Open();
    ASSERT_TRUE(cable_.device) << cable_.detail;
    server_ = std::make_unique<nettest::ServerThread>(*cable_.device);
    auto opened = platform::OpenNetworkSerialDevice(server_->PortName(), nettest::PatientTimeouts());
    ASSERT_TRUE(opened.device) << opened.detail;
    port_ = std::move(opened.device);
  }
  void TearDown() override {
    port_.reset();
    server_.reset();
  }

  std::string Exchange(const std::string& command, std::size_t replySize) {
    port_->Write(reinterpret_cast<const std::uint8_t*>(command.data()), command.size());
    EXPECT_EQ(port_->WaitForInput(replySize, nettest::kPatienceMs), replySize);
    std::string reply(replySize, '\0');
    reply.resize(port_->Read(reinterpret_cast<std::uint8_t*>(reply.data()), reply.size()));
    return reply;
  }

  // Plays modem-line steps at the settings in force, one Apply per step.
  void PlayLines(LineSettings settings, const std::vector<std::pair<bool, bool>>& steps) {
    for (const auto& [dtr, rts] : steps) {
      settings.dtr = dtr;
      settings.rts = rts;
      ASSERT_TRUE(port_->Apply(settings));
    }
  }

  // The device takes its start-up times as on a cable; the firmware's boot
  // time is not what these tests look at.
  static sim::SimOptions Quick() {
    sim::SimOptions options;
    options.bootMs = 0;
    return options;
  }
  // The lines stay as they are long enough for the device to take them.
  static void LetTheLinesSettle() { platform::CurrentClock()->Sleep(150); }

  std::shared_ptr<sim::SimInterface> device_ = std::make_shared<sim::SimInterface>(Quick());
  platform::OpenResult cable_;
  std::unique_ptr<nettest::ServerThread> server_;
  std::unique_ptr<platform::SerialDevice> port_;
};

}  // namespace

TEST_F(SimOverNetwork, EnterLoaderSequenceReachesTheDeviceStepForStep) {
  ASSERT_TRUE(port_->Apply(kApplication));
  EXPECT_EQ(Exchange("S{10,3}", 16), "[Quorrel Apex]\r\n");

  device_->ClearLogs();
  // The enter-loader sequence: DTR on, RTS on, DTR off, RTS on, then two RTS
  // pulses with the reset held, DTR on, RTS on.
  PlayLines(kApplication, {{true, true}, {true, true}});
  LetTheLinesSettle();
  PlayLines(kApplication, {{false, true}, {false, true}, {false, false},
                           {false, true}, {false, false}, {true, false}, {true, true}});
  LetTheLinesSettle();
  LineSettings loader = kApplication;
  loader.baudRate = 9600;
  loader.parity = Parity::Even;
  ASSERT_TRUE(port_->Apply(loader));
  EXPECT_TRUE(device_->InLoader());

  // Steps that change nothing send nothing; the rest arrive one by one.
  std::vector<std::pair<bool, bool>> lines;
  for (const sim::LineEvent& event : device_->LineEvents()) lines.emplace_back(event.dtr, event.rts);
  const std::vector<std::pair<bool, bool>> expected = {{false, true}, {false, false}, {false, true}, {false, false},
                                                       {true, false}, {true, true},   {true, true},  {true, true}};
  EXPECT_EQ(lines, expected);
  EXPECT_EQ(device_->LineEvents().back().settings, loader);

  EXPECT_EQ(Exchange(std::string(1, '\x80'), 1), std::string(1, '\x90'));
}

TEST_F(SimOverNetwork, RestartSequenceRunsTheApplicationAgain) {
  ASSERT_TRUE(port_->Apply(kApplication));
  LetTheLinesSettle();
  PlayLines(kApplication, {{false, true}, {false, false}, {false, true}, {false, false}, {true, false}, {true, true}});
  ASSERT_TRUE(device_->InLoader());

  // DTR on, RTS on, DTR off, DTR on: no pulse while held, the firmware starts.
  PlayLines(kApplication, {{true, true}, {true, true}, {false, true}, {true, true}});
  EXPECT_FALSE(device_->InLoader());
  port_->Purge(platform::PurgeSide::Both);
  EXPECT_EQ(Exchange("S{10,r}", 14), "[QRA1234567]\r\n");
}

TEST_F(SimOverNetwork, WrongFramingGarblesAsOnACable) {
  LineSettings wrong = kApplication;
  wrong.parity = Parity::Even;
  ASSERT_TRUE(port_->Apply(wrong));
  const std::string command = "S{10,3}";
  port_->Write(reinterpret_cast<const std::uint8_t*>(command.data()), command.size());
  ASSERT_TRUE(port_->WaitForDrain(nettest::kPatienceMs));
  EXPECT_EQ(port_->WaitForInput(16, 300), 0u);
  EXPECT_TRUE(device_->ApplicationCommands().empty());
}
