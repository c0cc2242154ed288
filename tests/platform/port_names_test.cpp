// Port names: resolution, scheme dispatch and failed opens, as every system
// has them (each system's own devices have their tests beside its backend).

#include "platform/port_names.h"
#include "platform/port_schemes.h"

#include "platform/native_port.h"
#include "support/test_os.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

using platform::Error;
using platform::ResolvePortName;
using platform::native_port::ComPortDevice;
using testsupport::EnvVar;

TEST(ResolvePortName, ComNamesMapToTheSystemsDevicesUnlessTheEnvironmentNamesOne) {
  EXPECT_EQ(ResolvePortName("COM1"), ComPortDevice(1));
  EXPECT_EQ(ResolvePortName("COM16"), ComPortDevice(16));
  EXPECT_EQ(ResolvePortName("\\\\.\\COM12"), ComPortDevice(12));
  EnvVar com3("QUORREL_COM3", "sim:model=Quorrel Tern");
  EXPECT_EQ(ResolvePortName("COM3"), "sim:model=Quorrel Tern");
  EnvVar com5("QUORREL_COM5", "rfc2217://host:5");
  EXPECT_EQ(ResolvePortName("\\\\.\\COM5"), "rfc2217://host:5");
}

TEST(ResolvePortName, OnlyExactComNamesAreMapped) {
  for (const char* name : {"COM0", "COM17", "COM03", "com3", "COM", "COM3 ", "COM1x", "XCOM1"}) {
    EXPECT_EQ(ResolvePortName(name), name) << name;
  }
  EXPECT_EQ(ResolvePortName("\\\\.\\"), "");
}

TEST(ResolvePortName, AnEnvironmentNameIsResolvedOnceMoreAndNoFurther) {
  EnvVar com2("QUORREL_COM2", "\\\\.\\COM7");
  EnvVar com7("QUORREL_COM7", "COM2");  // would loop if followed again
  EXPECT_EQ(ResolvePortName("COM2"), ComPortDevice(7));
  EnvVar empty("QUORREL_COM4", "");
  EXPECT_EQ(ResolvePortName("COM4"), ComPortDevice(4));
}

TEST(OpenSerialDevice, RegisteredSchemesTakeTheirNames) {
  std::vector<std::string> opened;
  auto opener = [&](const std::string& name) {
    opened.push_back(name);
    return platform::OpenResult{nullptr, Error::ConnectionFailed, "test"};
  };
  platform::RegisterPortScheme("word", opener);
  platform::RegisterPortScheme("proto://", opener);
  EnvVar com6("QUORREL_COM6", "word:a=1");
  for (const char* name : {"word", "word:x", "COM6", "proto://host:1", "\\\\.\\proto://h:2"}) {
    EXPECT_EQ(platform::OpenSerialDevice(name).error, Error::ConnectionFailed) << name;
  }
  EXPECT_EQ(opened, (std::vector<std::string>{"word", "word:x", "word:a=1", "proto://host:1", "proto://h:2"}));
  // Names the schemes do not take go elsewhere (and fail there).
  EXPECT_NE(platform::OpenSerialDevice("wordy").error, Error::ConnectionFailed);
  EXPECT_EQ(platform::OpenSerialDevice("proto:/host").error, Error::UnknownName);
  EXPECT_EQ(opened.size(), 5u);
}

// The platform knows no scheme's names: the advice on a name nobody takes
// lists the system's own names and what the registered schemes give.
TEST(DescribeOpenError, AnUnknownNameIsAnsweredWithTheNamesTheSchemesGive) {
  const std::string before = platform::DescribeOpenError(Error::UnknownName);
  EXPECT_NE(before.find("COM1 to COM16"), std::string::npos) << before;
  EXPECT_EQ(before.find("advice-test://"), std::string::npos) << before;
  platform::RegisterPortScheme(platform::PortScheme{
      "advice-test://", [](const std::string& name) { return platform::OpenResult{nullptr, Error::NotFound, name}; },
      "advice-test://host", false});
  platform::RegisterPortScheme("quiet-test:", [](const std::string& name) {
    return platform::OpenResult{nullptr, Error::NotFound, name};
  });
  const std::string after = platform::DescribeOpenError(Error::UnknownName);
  EXPECT_NE(after.find(", or advice-test://host)"), std::string::npos) << after;
  EXPECT_EQ(after.find("quiet-test"), std::string::npos) << after;
  EXPECT_FALSE(platform::IsInProcessPort("advice-test://host"));
}

TEST(DescribeOpenError, EveryFailureHasItsOwnText) {
  EXPECT_EQ(platform::DescribeOpenError(Error::Busy), "the port is in use by another program");
  EXPECT_NE(platform::DescribeOpenError(Error::PermissionDenied).find("dialout"), std::string::npos);
  std::vector<std::string> texts;
  for (Error e : {Error::EmptyName, Error::UnknownName, Error::NotFound, Error::Busy,
                      Error::PermissionDenied, Error::NotASerialPort, Error::ConnectionFailed,
                      Error::Other}) {
    texts.push_back(platform::DescribeOpenError(e));
  }
  std::sort(texts.begin(), texts.end());
  EXPECT_EQ(std::unique(texts.begin(), texts.end()), texts.end());
}

}  // namespace
