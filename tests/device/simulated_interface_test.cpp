// The command protocol against the simulated interface, reached as COM3 the
// way a user's port is: identify the model, read the serial number, write a
// new one that the interface then holds.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "device/interface_commands.h"
#include "platform/clock.h"
#include "sim/sim_interface.h"
#include "sim/sim_ports.h"
#include "support/test_os.h"

namespace {

using device::ExchangeResult;
using device::InterfaceCommands;
using device::InterfaceKind;
using device::LineVerdict;

class SimulatedInterfaceTest : public ::testing::Test {
 protected:
  void TearDown() override {
    port_.Close();
    testsupport::UnsetEnv("QUORREL_COM3");
  }
  void PlugIn(const std::string& options) { testsupport::SetEnv("QUORREL_COM3", "sim:" + options); }

  // Detection's handler: the payload names the kind.
  ExchangeResult Identify(InterfaceKind& kind) {
    return commands_.IdentifyInterface(reply_, [&](std::string& payload) {
      kind = device::KindFromPayload(payload);
      return LineVerdict::Complete;
    });
  }

  platform::ScopedClock clock_{platform::MakeVirtualClock()};
  sim::ScopedSimInterfaces sims_;
  serial::SerialPort port_;
  InterfaceCommands commands_{port_};
  std::string reply_;
};

TEST_F(SimulatedInterfaceTest, IdentifiesAnApexReadsItsSerialNumberAndWritesANewOne) {
  PlugIn("model=Apex,serial=QRA1234567");
  ASSERT_TRUE(commands_.OpenForCommands("COM3"));
  InterfaceKind kind = InterfaceKind::Unknown;
  ASSERT_EQ(Identify(kind), ExchangeResult::Completed);
  EXPECT_EQ(kind, InterfaceKind::Apex);
  std::string serial;
  ASSERT_EQ(commands_.ReadSerialNumber(reply_, serial, nullptr), ExchangeResult::Completed);
  EXPECT_EQ(serial, "QRA1234567");
  port_.Close();

  commands_.WriteSerialNumber("COM3", "QRA7654321");
  port_.Close();
  auto interface = sim::FindSimInterface("COM3");
  ASSERT_TRUE(interface);
  EXPECT_EQ(interface->SerialNumber(), "QRA7654321");

  ASSERT_TRUE(commands_.OpenForCommands("COM3"));  // the cable stays plugged in
  ASSERT_EQ(commands_.ReadSerialNumber(reply_, serial, nullptr), ExchangeResult::Completed);
  EXPECT_EQ(serial, "QRA7654321");
}

TEST_F(SimulatedInterfaceTest, EachModelIsRecognisedAtWireSpeed) {
  for (const char* model : {"Tern", "TernII", "Apex"}) {
    PlugIn(std::string("paced=1,model=") + model);
    const sim::ScopedSimInterfaces fresh;
    ASSERT_TRUE(commands_.OpenForCommands("COM3")) << model;
    InterfaceKind kind = InterfaceKind::Unknown;
    EXPECT_EQ(Identify(kind), ExchangeResult::Completed) << model;
    EXPECT_EQ(device::KindText(kind), sim::FindSimInterface("COM3")->Options().model);
    port_.Close();
  }
}

TEST_F(SimulatedInterfaceTest, FaultyRepliesEndAsTheProtocolSays) {
  struct Case {
    const char* options;
    ExchangeResult identify;
    InterfaceKind kind;
  };
  const Case cases[] = {
      {"fault=no-reply", ExchangeResult::TimedOut, InterfaceKind::Unknown},
      {"delay=700", ExchangeResult::TimedOut, InterfaceKind::Unknown},
      {"delay=300", ExchangeResult::Completed, InterfaceKind::Apex},
      {"fault=long-line", ExchangeResult::TimedOut, InterfaceKind::Unknown},
      {"fault=empty-line", ExchangeResult::Completed, InterfaceKind::Unknown},
      {"name=Quorrel Apex2", ExchangeResult::Completed, InterfaceKind::Unknown},
  };
  for (const Case& c : cases) {
    PlugIn(c.options);
    const sim::ScopedSimInterfaces fresh;
    ASSERT_TRUE(commands_.OpenForCommands("COM3")) << c.options;
    InterfaceKind kind = InterfaceKind::Unknown;
    EXPECT_EQ(Identify(kind), c.identify) << c.options;
    EXPECT_EQ(kind, c.kind) << c.options;
    port_.Close();
  }
}

TEST_F(SimulatedInterfaceTest, TheWorkersComparisonFailsOnASecondLine) {
  PlugIn("fault=second-line");
  ASSERT_TRUE(commands_.OpenForCommands("COM3"));
  auto sameAsShown = [](std::string& payload) {
    return payload == "Quorrel Apex" ? LineVerdict::Complete : LineVerdict::Failed;
  };
  EXPECT_EQ(commands_.IdentifyInterface(reply_, sameAsShown), ExchangeResult::Failed);
}

TEST_F(SimulatedInterfaceTest, AMalformedSerialNumberBecomesThePlaceholder) {
  PlugIn("fault=bad-serial");
  ASSERT_TRUE(commands_.OpenForCommands("COM3"));
  std::string serial;
  int lines = 0;
  EXPECT_EQ(commands_.ReadSerialNumber(reply_, serial, [&] { ++lines; }), ExchangeResult::Completed);
  EXPECT_EQ(serial, device::PlaceholderSerialNumber);
  EXPECT_EQ(lines, 1);
}

TEST_F(SimulatedInterfaceTest, APortInUseIsNotTouched) {
  PlugIn("serial=QRA1111111");
  serial::SerialPort other;
  ASSERT_TRUE(other.Open("COM3", 115200));
  EXPECT_FALSE(commands_.OpenForCommands("COM3"));
  EXPECT_TRUE(port_.IsOpen());  // half-open until closed
  commands_.WriteSerialNumber("COM3", "QRA2222222");
  port_.Close();
  other.Close();
  EXPECT_EQ(sim::FindSimInterface("COM3")->SerialNumber(), "QRA1111111");
}

}  // namespace
