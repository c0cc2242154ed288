#include "cli/options.h"

#include <gtest/gtest.h>

namespace cli {
namespace {

ParseResult Parse(std::vector<std::string> args) { return ParseOptions(args); }

TEST(CliOptions, TakesEveryOption) {
  auto result = Parse({"--port", "COM3", "--image", "Image/Apex/QRA1.mbl", "--recovery", "--serial", "QRA1234567",
                       "--verify", "--lang", "1042", "--password-fill", "a5", "--trace", "/tmp/t.txt"});
  ASSERT_TRUE(result.options) << result.error;
  const Options& o = *result.options;
  EXPECT_EQ(o.ports, std::vector<std::string>{"COM3"});
  EXPECT_EQ(o.image, "Image/Apex/QRA1.mbl");
  EXPECT_TRUE(o.recovery);
  EXPECT_EQ(o.serial, "QRA1234567");
  EXPECT_TRUE(o.verify);
  EXPECT_EQ(o.languageId, 1042);
  EXPECT_EQ(o.passwordFill, 0xA5);
  EXPECT_EQ(o.traceFile, "/tmp/t.txt");
}

TEST(CliOptions, RefusesBadInputWithAReason) {
  struct Case {
    std::vector<std::string> args;
    std::string mentions;
  };
  const Case cases[] = {
      {{}, "--port"},
      {{"--image", "x.mbl"}, "--port"},
      {{"--port"}, "needs a value"},
      {{"--port", "COM1", "--bogus"}, "unknown option --bogus"},
      {{"--port", "COM1", "--lang", "65536"}, "--lang"},
      {{"--port", "COM1", "--lang", "12x"}, "--lang"},
      {{"--port", "COM1", "--lang", "-1"}, "--lang"},
      {{"--port", "COM1", "--password-fill", "100"}, "--password-fill"},
      {{"--port", "COM1", "--password-fill", "GG"}, "--password-fill"},
      {{"--port", "COM1", "--password-fill", ""}, "--password-fill"},
      {{"--port", "COM1", "--serial", "QRA1234567"}, "--recovery"},
  };
  for (const Case& c : cases) {
    auto result = ParseOptions(c.args);
    EXPECT_FALSE(result.options) << c.mentions;
    EXPECT_NE(result.error.find(c.mentions), std::string::npos) << result.error;
  }
}

// Every character of --serial reaches the device: anything past the number
// (a second command among them) is refused, not sent.
TEST(CliOptions, RecoverySerialMustBeExactlyASerialNumber) {
  for (const char* bad : {"QR1234567", "QRX12345A7", "XRA1234567", "", "QRA1234567XY", "QRA1234567}S{10,w,PWNED0000",
                          "QR}1234567", "QRA1234567\n"}) {
    auto result = Parse({"--port", "COM1", "--recovery", "--serial", bad});
    EXPECT_FALSE(result.options) << bad;
    EXPECT_NE(result.error.find("not a serial number"), std::string::npos) << result.error;
  }
  for (const char* good : {"QRA1234567", "QRX0000000", "QR71234567"}) {
    auto result = Parse({"--port", "COM1", "--recovery", "--serial", good});
    ASSERT_TRUE(result.options) << good;
    EXPECT_EQ(result.options->serial, good);
  }
}

TEST(CliOptions, HelpNeedsNothingElse) {
  auto result = Parse({"--help"});
  ASSERT_TRUE(result.options);
  EXPECT_TRUE(result.options->help);
  EXPECT_NE(UsageText().find("Exit status"), std::string::npos);
}

}  // namespace
}  // namespace cli
