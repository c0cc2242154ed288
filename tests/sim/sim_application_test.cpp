// The application firmware: the three text commands at 115200 8N1, its reply
// framing, and the faults of its replies.

#include <gtest/gtest.h>

#include "sim/sim_host.h"

namespace {

using namespace simtest;

class SimApplication : public ::testing::Test {
 protected:
  platform::ScopedClock clock_{platform::MakeVirtualClock()};
};

TEST_F(SimApplication, IdentifiesReadsAndWritesTheSerialNumber) {
  Rig rig("");
  rig.device->Apply(AppLine());
  EXPECT_EQ(AsText(Talk(*rig.device, Text("S{10,3}"))), "[Quorrel Apex]\r\n");
  EXPECT_EQ(AsText(Talk(*rig.device, Text("S{10,r}"))), "[QRA1234567]\r\n");
  EXPECT_TRUE(Talk(*rig.device, Text("S{10,w,QRA7654321}")).empty());
  EXPECT_EQ(rig.sim->SerialNumber(), "QRA7654321");
  EXPECT_EQ(AsText(Talk(*rig.device, Text("S{10,r}"))), "[QRA7654321]\r\n");
  EXPECT_EQ(rig.sim->ApplicationCommands(), (std::vector<std::string>{"10,3", "10,r", "10,w,QRA7654321", "10,r"}));
}

TEST_F(SimApplication, ModelNameAndFramingComeFromTheOptions) {
  Rig tern("model=TernII,lead=%02,trail=%03%0D");
  tern.device->Apply(AppLine());
  EXPECT_EQ(AsText(Talk(*tern.device, Text("S{10,3}"))), "\x02Quorrel Tern II Memory\x03\r\n");
  Rig odd("name=");
  odd.device->Apply(AppLine());
  EXPECT_EQ(AsText(Talk(*odd.device, Text("S{10,3}"))), "[]\r\n");
}

TEST_F(SimApplication, UnderstandsOnlyExactCommandsAndAnswersByteByByteInput) {
  Rig rig("");
  rig.device->Apply(AppLine());
  // Stray bytes spoil the command they run into; the next clean one is understood.
  EXPECT_EQ(AsText(Talk(*rig.device, Text("xx}S{S{10,3"))), "");
  EXPECT_EQ(AsText(Talk(*rig.device, Text("}"))), "");
  EXPECT_EQ(AsText(Talk(*rig.device, Text("xS{10,3}"))), "");
  for (const char c : std::string("S{10,3")) EXPECT_TRUE(Talk(*rig.device, Text(std::string(1, c))).empty());
  EXPECT_EQ(AsText(Talk(*rig.device, Text("}"))), "[Quorrel Apex]\r\n");
  EXPECT_TRUE(Talk(*rig.device, Text("S{10,x}S{11,3}")).empty());
  // A write with an empty serial number stores an empty one.
  Talk(*rig.device, Text("S{10,w,}"));
  EXPECT_EQ(rig.sim->SerialNumber(), "");
  EXPECT_EQ(AsText(Talk(*rig.device, Text("S{10,r}"))), "[]\r\n");
}

TEST_F(SimApplication, OtherLineSettingsLoseOrGarbleTheBytes) {
  Rig rig("");
  rig.device->Apply(LoaderLine());  // 9600: nothing gets through
  EXPECT_TRUE(Talk(*rig.device, Text("S{10,3}")).empty());
  rig.device->Apply(Line(115200, platform::Parity::Even));  // right speed, wrong framing
  EXPECT_TRUE(Talk(*rig.device, Text("S{10,3}")).empty());
  const auto log = rig.sim->ReceivedBytes();
  ASSERT_EQ(log.size(), 14u);
  EXPECT_EQ(log[0].fate, sim::ByteFate::Lost);
  EXPECT_EQ(log[0].settings.baudRate, 9600u);
  EXPECT_EQ(log[13].fate, sim::ByteFate::Garbled);
  EXPECT_TRUE(rig.sim->ApplicationCommands().empty());

}

TEST_F(SimApplication, ReplyWhileTheHostListensAtOtherSettingsIsLostOrGarbled) {
  Rig rig("delay=5");
  rig.device->Apply(AppLine());
  rig.device->Write(Text("S{10,3}").data(), 7);
  rig.device->Apply(Line(57600, platform::Parity::None));
  platform::CurrentClock()->Sleep(10);
  EXPECT_EQ(rig.device->InputWaiting(), 0u);

  rig.device->Apply(AppLine());
  rig.device->Write(Text("S{10,3}").data(), 7);
  rig.device->Apply(Line(115200, platform::Parity::Odd));
  platform::CurrentClock()->Sleep(10);
  const Bytes garbled = TakeAll(*rig.device);
  ASSERT_EQ(garbled.size(), 16u);
  EXPECT_NE(AsText(garbled), "[Quorrel Apex]\r\n");
}

TEST_F(SimApplication, ReplyFaults) {
  {
    Rig rig("fault=no-reply@1");
    rig.device->Apply(AppLine());
    EXPECT_TRUE(Talk(*rig.device, Text("S{10,3}")).empty());
    EXPECT_EQ(AsText(Talk(*rig.device, Text("S{10,3}"))), "[Quorrel Apex]\r\n");
  }
  {
    Rig rig("fault=second-line");
    rig.device->Apply(AppLine());
    EXPECT_EQ(AsText(Talk(*rig.device, Text("S{10,3}"))), "[Quorrel Apex]\r\n[Ready]\r\n");
  }
  {
    Rig rig("fault=empty-line");
    rig.device->Apply(AppLine());
    EXPECT_EQ(AsText(Talk(*rig.device, Text("S{10,r}"))), "\r\n[QRA1234567]\r\n");
  }
  {
    Rig rig("fault=long-line");
    rig.device->Apply(AppLine());
    const std::string line = AsText(Talk(*rig.device, Text("S{10,3}")));
    EXPECT_GT(line.size(), 128u);
    EXPECT_EQ(line.back(), '\n');
    EXPECT_EQ(line.find('\n'), line.size() - 1);
  }
  {
    Rig rig("fault=bad-serial@2");
    rig.device->Apply(AppLine());
    EXPECT_EQ(AsText(Talk(*rig.device, Text("S{10,3}"))), "[Quorrel Apex]\r\n");
    EXPECT_EQ(AsText(Talk(*rig.device, Text("S{10,r}"))), "[QRA1234567]\r\n");
    EXPECT_EQ(AsText(Talk(*rig.device, Text("S{10,r}"))), "[QRX12345A7]\r\n");
    EXPECT_EQ(rig.sim->SerialNumber(), "QRA1234567");  // only the answer is spoilt
  }
}

TEST_F(SimApplication, ReplyComesAfterTheDelay) {
  Rig rig("delay=600");
  rig.device->Apply(AppLine());
  const std::shared_ptr<platform::Clock> clock = platform::CurrentClock();
  const platform::Micros sent = clock->Now();
  EXPECT_TRUE(Talk(*rig.device, Text("S{10,3}"), 599).empty());
  clock->Sleep(1);
  EXPECT_EQ(rig.device->InputWaiting(), 16u);
  EXPECT_EQ(clock->Now() - sent, 600'000);
}

TEST_F(SimApplication, SerialNumberLivesInInformationFlash) {
  Rig rig("serial=QRA5550001");
  const auto info = rig.sim->ReadMemory(0x1000, 11);
  EXPECT_EQ(AsText(Bytes(info.begin(), info.begin() + 10)), "QRA5550001");
  EXPECT_EQ(info[10], 0x00);
}

}  // namespace
