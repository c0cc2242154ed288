// Port names: resolution, scheme dispatch and failed opens.

#include "platform/port_names.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

using platform::Error;
using platform::ResolvePortName;

class EnvVar {
 public:
  EnvVar(const char* name, const char* value) : name_(name) { ::setenv(name, value, 1); }
  ~EnvVar() { ::unsetenv(name_); }

 private:
  const char* name_;
};

TEST(ResolvePortName, ComNamesMapToSerialDevicesUnlessTheEnvironmentNamesOne) {
  EXPECT_EQ(ResolvePortName("COM1"), "/dev/ttyS0");
  EXPECT_EQ(ResolvePortName("COM9"), "/dev/ttyS8");
  EXPECT_EQ(ResolvePortName("COM16"), "/dev/ttyS15");
  EXPECT_EQ(ResolvePortName("\\\\.\\COM12"), "/dev/ttyS11");
  EnvVar com3("QUORREL_COM3", "sim:model=Quorrel Tern");
  EXPECT_EQ(ResolvePortName("COM3"), "sim:model=Quorrel Tern");
  EnvVar com5("QUORREL_COM5", "/dev/ttyUSB0");
  EXPECT_EQ(ResolvePortName("\\\\.\\COM5"), "/dev/ttyUSB0");
}

TEST(ResolvePortName, OnlyExactComNamesAreMapped) {
  for (const char* name : {"COM0", "COM17", "COM03", "com3", "COM", "COM3 ", "COM1x", "XCOM1"}) {
    EXPECT_EQ(ResolvePortName(name), name) << name;
  }
  EXPECT_EQ(ResolvePortName("/dev/ttyUSB0"), "/dev/ttyUSB0");
  EXPECT_EQ(ResolvePortName("\\\\.\\"), "");
}

TEST(ResolvePortName, AnEnvironmentNameIsResolvedOnceMoreAndNoFurther) {
  EnvVar com2("QUORREL_COM2", "\\\\.\\COM7");
  EnvVar com7("QUORREL_COM7", "COM2");  // would loop if followed again
  EXPECT_EQ(ResolvePortName("COM2"), "/dev/ttyS6");
  EnvVar empty("QUORREL_COM4", "");
  EXPECT_EQ(ResolvePortName("COM4"), "/dev/ttyS3");
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
  EXPECT_EQ(platform::OpenSerialDevice("wordy").error, Error::UnknownName);
  EXPECT_EQ(platform::OpenSerialDevice("proto:/host").error, Error::UnknownName);
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
