// Port names of Linux: COM1 to COM16 are the legacy ttys, and a name that
// is no device path is no port.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/port_names.h"
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

TEST(OpenSerialDevice, NamesNoBackendTakesFailWithAReasonAndReachTheListener) {
  std::vector<std::pair<std::string, Error>> heard;
  auto listener = std::make_unique<platform::ScopedOpenFailureListener>(
      [&](const std::string& name, const platform::OpenResult& result) { heard.emplace_back(name, result.error); });
  EXPECT_EQ(platform::OpenSerialDevice("").error, Error::EmptyName);
  EXPECT_EQ(platform::OpenSerialDevice("\\\\.\\").error, Error::EmptyName);
  EXPECT_EQ(platform::OpenSerialDevice("bogus").error, Error::UnknownName);
  EXPECT_EQ(platform::OpenSerialDevice("/no/such/device").error, Error::NotFound);
  EXPECT_EQ(platform::OpenSerialDevice("/dev/null").error, Error::NotASerialPort);
  EXPECT_EQ(platform::OpenSerialDevice("/dev").error, Error::NotASerialPort);
  EXPECT_EQ(platform::OpenSerialDevice(std::string("/dev/null\0x", 11)).error, Error::UnknownName);
  listener.reset();
  EXPECT_EQ(platform::OpenSerialDevice("bogus").error, Error::UnknownName);
  ASSERT_EQ(heard.size(), 7u);
  EXPECT_EQ(heard[2], (std::pair<std::string, Error>{"bogus", Error::UnknownName}));
}

}  // namespace
