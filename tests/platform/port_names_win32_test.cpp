// Port names of Windows: COM1 to COM16 are the COM ports themselves, every
// device name is opened through the device namespace, and nothing that
// looks like a path ever opens a file.

#include <gtest/gtest.h>

#include <fstream>
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

TEST(ResolvePortName, ComNamesStayTheComPortsThemselves) {
  EXPECT_EQ(ResolvePortName("COM1"), "COM1");
  EXPECT_EQ(ResolvePortName("COM16"), "COM16");
  EXPECT_EQ(ResolvePortName("\\\\.\\COM12"), "COM12");
  EXPECT_EQ(ResolvePortName("\\\\.\\COM42"), "COM42");
  EXPECT_EQ(ResolvePortName("\\\\.\\CNCA0"), "CNCA0");
}

TEST(OpenSerialDevice, NamesThatAreNoComPortFailWithAReason) {
  const auto observer = std::make_shared<testing_support::RecordingObserver>();
  const auto open = [&](const std::string& name) {
    return platform::OpenSerialDevice(name, platform::DeviceUse::Watched, observer).error;
  };
  EXPECT_EQ(open(""), Error::EmptyName);
  EXPECT_EQ(open("\\\\.\\"), Error::EmptyName);
  EXPECT_EQ(open("NOSUCHPORT99"), Error::NotFound);
  // The null device opens as a character device, but has no line to set.
  EXPECT_EQ(open("NUL"), Error::NotASerialPort);
  EXPECT_EQ(open(std::string("COM3\0x", 6)), Error::UnknownName);
  EXPECT_EQ(platform::OpenSerialDevice("NOSUCHPORT99").error, Error::NotFound);
  const auto heard = observer->Failures();
  ASSERT_EQ(heard.size(), 5u);
  EXPECT_EQ(heard[2].first, "NOSUCHPORT99");
}

TEST(OpenSerialDevice, APathNeverOpensAFile) {
  const std::string folder = testsupport::MakeScratchFolder("quorrel-names");
  ASSERT_FALSE(folder.empty());
  const std::string file = folder + "\\port";
  std::ofstream(file) << "not a port";
  for (const std::string& name : {file, folder + "/port", std::string("C:port"), std::string("..\\port")}) {
    EXPECT_EQ(platform::OpenSerialDevice(name).error, Error::UnknownName) << name;
  }
}

}  // namespace
