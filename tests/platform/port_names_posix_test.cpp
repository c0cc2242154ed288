// Port names of Linux: COM1 to COM16 are the legacy ttys, and a name that
// is no device path is no port.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/port_names.h"
#include "platform/serial_device.h"
#include "support/recording_observer.h"
#include "support/test_os.h"

namespace {

using platform::Error;
using platform::ResolvePortName;
using testsupport::EnvVar;

TEST(ResolvePortName, ComNamesMapToTheLegacyTtys) {
  EXPECT_EQ(ResolvePortName("COM1"), "/dev/ttyS0");
  EXPECT_EQ(ResolvePortName("COM9"), "/dev/ttyS8");
  EXPECT_EQ(ResolvePortName("COM16"), "/dev/ttyS15");
  EXPECT_EQ(ResolvePortName("\\\\.\\COM12"), "/dev/ttyS11");
  EnvVar com5("QUORREL_COM5", "/dev/ttyUSB0");
  EXPECT_EQ(ResolvePortName("\\\\.\\COM5"), "/dev/ttyUSB0");
}

TEST(ResolvePortName, DevicePathsAreTakenAsGiven) {
  EXPECT_EQ(ResolvePortName("/dev/ttyUSB0"), "/dev/ttyUSB0");
  EXPECT_EQ(ResolvePortName("\\\\.\\/dev/ttyACM1"), "/dev/ttyACM1");
}

TEST(OpenSerialDevice, NamesNoBackendTakesFailWithAReasonAndReachTheObserver) {
  const auto observer = std::make_shared<testing_support::RecordingObserver>();
  const auto open = [&](const std::string& name) {
    return platform::OpenSerialDevice(name, platform::DeviceUse::Watched, observer).error;
  };
  EXPECT_EQ(open(""), Error::EmptyName);
  EXPECT_EQ(open("\\\\.\\"), Error::EmptyName);
  EXPECT_EQ(open("bogus"), Error::UnknownName);
  EXPECT_EQ(open("/no/such/device"), Error::NotFound);
  EXPECT_EQ(open("/dev/null"), Error::NotASerialPort);
  EXPECT_EQ(open("/dev"), Error::NotASerialPort);
  EXPECT_EQ(open(std::string("/dev/null\0x", 11)), Error::UnknownName);
  // An open without an observer reports to nobody.
  EXPECT_EQ(platform::OpenSerialDevice("bogus").error, Error::UnknownName);
  const auto heard = observer->Failures();
  ASSERT_EQ(heard.size(), 7u);
  EXPECT_EQ(heard[2], (std::pair<std::string, Error>{"bogus", Error::UnknownName}));
}

}  // namespace
