// The "sim" port scheme through the platform's own open.

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/serial_device.h"
#include "sim/sim_host.h"
#include "sim/sim_ports.h"
#include "support/test_os.h"

namespace {

using namespace simtest;

class SimPorts : public ::testing::Test {
 protected:
  void TearDown() override { testsupport::UnsetEnv("QUORREL_COM9"); }
  platform::ScopedClock clock_{platform::MakeVirtualClock()};
  sim::ScopedSimInterfaces sims_;
};

TEST_F(SimPorts, SameNameReachesTheSameInterfaceOneOpenAtATime) {
  auto first = platform::OpenSerialDevice("sim:serial=QRA0000042");
  ASSERT_TRUE(first.device) << first.detail;
  const auto busy = platform::OpenSerialDevice("sim:serial=QRA0000042");
  EXPECT_FALSE(busy.device);
  EXPECT_EQ(busy.error, platform::Error::Busy);
  auto other = platform::OpenSerialDevice("sim");
  EXPECT_TRUE(other.device);

  first.device->Apply(AppLine());
  platform::CurrentClock()->Sleep(500);  // the first open started the device: it boots
  EXPECT_TRUE(Talk(*first.device, Text("S{10,w,QRA0000043}")).empty());
  first.device.reset();
  auto again = platform::OpenSerialDevice("sim:serial=QRA0000042");
  ASSERT_TRUE(again.device);
  again.device->Apply(AppLine());
  platform::CurrentClock()->Sleep(500);  // the close reset it: it boots again
  EXPECT_EQ(AsText(Talk(*again.device, Text("S{10,r}"))), "[QRA0000043]\r\n");
  EXPECT_EQ(sim::FindSimInterface("sim:serial=QRA0000042")->SerialNumber(), "QRA0000043");
}

TEST_F(SimPorts, BadOptionsFailTheOpenWithAReason) {
  const auto result = platform::OpenSerialDevice("sim:model=Condor");
  EXPECT_FALSE(result.device);
  EXPECT_EQ(result.error, platform::Error::UnknownName);
  EXPECT_NE(result.detail.find("model"), std::string::npos);
  EXPECT_EQ(sim::FindSimInterface("sim:model=Condor"), nullptr);
  EXPECT_EQ(sim::FindSimInterface("simulator"), nullptr);
  EXPECT_FALSE(sim::OpenSimPort("simulator").device);
}

TEST_F(SimPorts, ComNameReachesTheInterfaceItsVariableNames) {
  testsupport::SetEnv("QUORREL_COM9", "sim:model=Tern,serial=QRT0000009");
  const auto interface = sim::FindSimInterface("COM9");
  ASSERT_NE(interface, nullptr);
  EXPECT_EQ(interface->Options().hardware, sim::Hardware::Tern);
  auto opened = platform::OpenSerialDevice("COM9");
  ASSERT_TRUE(opened.device);
  EXPECT_TRUE(interface->IsOpen());
  EXPECT_EQ(sim::FindSimInterface("\\\\.\\COM9"), interface);
}

TEST_F(SimPorts, AttachedInterfaceIsTheOneThatOpens) {
  auto mine = std::make_shared<sim::SimInterface>(sim::SimOptions{});
  sim::AttachSimInterface("sim:bench", mine);
  EXPECT_EQ(sim::FindSimInterface("sim:bench"), mine);
  auto opened = platform::OpenSerialDevice("sim:bench");
  ASSERT_TRUE(opened.device);
  EXPECT_TRUE(mine->IsOpen());
}

}  // namespace

namespace {

TEST(ScopedSimInterfacesTest, ANestedSetHasItsOwnInterfacesAndTheOuterSetComesBack) {
  const sim::ScopedSimInterfaces outer;
  const auto before = sim::FindSimInterface("sim:serial=QRA0000077");
  ASSERT_TRUE(before);
  {
    const sim::ScopedSimInterfaces inner;
    const auto during = sim::FindSimInterface("sim:serial=QRA0000077");
    ASSERT_TRUE(during);
    EXPECT_NE(during, before);
  }
  EXPECT_EQ(sim::FindSimInterface("sim:serial=QRA0000077"), before);
}

}  // namespace
