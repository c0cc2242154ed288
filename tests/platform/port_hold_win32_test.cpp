// Holding a port on Windows: a named kernel object per port, nested within a
// process, whatever prefix the name is written with. The second process
// refused is an end-to-end test under Wine.

#include <gtest/gtest.h>

#include <string>

#include "platform/port_hold.h"
#include "support/in_process_scheme.h"
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
    EXPECT_FALSE(platform::PortHeldElsewhere(port).has_value());
  }
  auto again = platform::HoldPort(port);
  EXPECT_TRUE(again.ok()) << again.detail;
}

TEST(PortHoldWindows, TheHolderIsNamedByItsProgram) {
  const std::string text = platform::DescribeHolder(static_cast<pid_t>(testsupport::ProcessId()));
  EXPECT_EQ(text.rfind("process " + std::to_string(testsupport::ProcessId()), 0), 0u) << text;
  EXPECT_NE(text.find(".exe)"), std::string::npos) << text;
  EXPECT_EQ(platform::DescribeHolder(0), "another process");
}

TEST(PortHoldWindows, SimulatedPortsAreHeldInTheProcessAlone) {
  testing_support::RegisterInProcessScheme();
  auto first = platform::HoldPort("inproc:model=Apex");
  auto second = platform::HoldPort("inproc:model=Apex");
  EXPECT_TRUE(first.ok());
  EXPECT_TRUE(second.ok());
  EXPECT_FALSE(platform::PortHeldElsewhere("inproc:model=Apex").has_value());
}

}  // namespace
