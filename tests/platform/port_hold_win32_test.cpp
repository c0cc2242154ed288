// Holding a port on Windows: a named kernel object per port, nested within a
// process, whatever prefix the name is written with. The second process
// refused is an end-to-end test under Wine.

#include <gtest/gtest.h>

#include <string>

#include "platform/port_hold.h"
#include "platform/port_identity.h"
#include "support/test_os.h"

namespace {

std::string UniquePort(const char* what) {
  return std::string("QTEST") + what + std::to_string(testsupport::ProcessId());
}

TEST(PortHoldWindows, HoldsNestAndTheObjectGoesWithTheLast) {
  const std::string port = UniquePort("NEST");
  {
    auto outer = platform::HoldPort(port);
    ASSERT_TRUE(outer.ok()) << outer.detail;
    auto inner = platform::HoldPort("\\\\.\\" + port);
    ASSERT_TRUE(inner.ok()) << inner.detail;
    // This process's own hold is no other run's.
    const auto elsewhere = platform::PortHeldElsewhere(port);
    ASSERT_TRUE(elsewhere.ok()) << elsewhere.detail;
    EXPECT_FALSE(elsewhere.value.has_value());
  }
  auto again = platform::HoldPort(port);
  EXPECT_TRUE(again.ok()) << again.detail;
}

TEST(PortHoldWindows, TheHolderIsNamedByItsProgram) {
  const std::string text = platform::DescribeHolder(platform::LockHolder{testsupport::ProcessId()});
  EXPECT_EQ(text.rfind("process " + std::to_string(testsupport::ProcessId()), 0), 0u) << text;
  EXPECT_NE(text.find(".exe)"), std::string::npos) << text;
  // An object whose maker has not yet written its number into it.
  EXPECT_EQ(platform::DescribeHolder(platform::LockHolder{0}), "a program that is still writing its lock");
}

TEST(PortHoldWindows, SimulatedPortsAreHeldInTheProcessAlone) {
  auto first = platform::HoldPort("sim:model=Apex");
  auto second = platform::HoldPort("sim:model=Apex");
  EXPECT_TRUE(first.ok());
  EXPECT_TRUE(second.ok());
  const auto elsewhere = platform::PortHeldElsewhere("sim:model=Apex");
  ASSERT_TRUE(elsewhere.ok()) << elsewhere.detail;
  EXPECT_FALSE(elsewhere.value.has_value());
}

// "COM7", "com7" and "\\.\COM7" are one device, whatever the case and prefix.
TEST(PortHoldWindows, AComPortHasOneKeyWhateverItsNameIsWrittenWith) {
  const auto plain = platform::IdentifyPort("COM7");
  const auto lower = platform::IdentifyPort("com7");
  const auto device = platform::IdentifyPort("\\\\.\\COM7");
  const auto other = platform::IdentifyPort("COM17");
  ASSERT_TRUE(plain.ok() && lower.ok() && device.ok() && other.ok());
  EXPECT_EQ(plain.value.keys, device.value.keys);
  EXPECT_EQ(plain.value.keys, lower.value.keys);
  EXPECT_FALSE(platform::SameDevice(plain.value, other.value));
  EXPECT_TRUE(plain.value.lockFiles);
}

// A network port is keyed by the address its host resolves to, so two
// spellings of one address are one port.
TEST(PortHoldWindows, ANetworkPortIsKeyedByItsResolvedAddress) {
  const auto dotted = platform::IdentifyPort("rfc2217://127.0.0.1:4007");
  const auto shortened = platform::IdentifyPort("rfc2217://127.1:4007");
  const auto otherPort = platform::IdentifyPort("rfc2217://127.0.0.1:4008");
  ASSERT_TRUE(dotted.ok()) << dotted.detail;
  ASSERT_TRUE(shortened.ok()) << shortened.detail;
  ASSERT_TRUE(otherPort.ok()) << otherPort.detail;
  EXPECT_TRUE(platform::SameDevice(dotted.value, shortened.value));
  EXPECT_FALSE(platform::SameDevice(dotted.value, otherPort.value));
}

}  // namespace
