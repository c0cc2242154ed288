#include "cli/options.h"

#include <gtest/gtest.h>

#include <sstream>

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
      {{"--port", "COM1", "--bogus"}, "unknown option '--bogus'"},
      {{"--port", "COM1", "extra"}, "unexpected argument 'extra'"},
      {{"--port", "COM1", "--", "--verify"}, "unexpected argument '--verify'"},
      {{"--port", "COM1", "--verify=yes"}, "'--verify' takes no value"},
      {{"--port=COM1", "--lang=x"}, "--lang"},
      {{"--port", "COM1", "--recovery", "--port", "COM2"}, "--recovery upgrades one interface at a time"},
      {{"--all-ports", "--image", "x.mbl", "--serial", "QRA1234567"}, "--serial upgrades one interface at a time"},
      {{"--list-ports", "--verify"}, "--list-ports goes alone"},
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
    EXPECT_EQ(result.error.find('\n'), std::string::npos) << result.error;  // one line, whatever was typed
  }
  for (const char* good : {"QRA1234567", "QRX0000000", "QR71234567"}) {
    auto result = Parse({"--port", "COM1", "--recovery", "--serial", good});
    ASSERT_TRUE(result.options) << good;
    EXPECT_EQ(result.options->serial, good);
  }
}

// "--name=value" reads as "--name value"; a value may hold '=' and may start
// with a dash.
TEST(CliOptions, TakesAValueAfterAnEqualsSignToo) {
  auto result = Parse({"--port=sim:model=Apex,serial=QRA1234567", "--image=", "--lang=1031", "--password-fill=0f",
                       "--trace", "-t.log", "--report=a=b.jsonl"});
  ASSERT_TRUE(result.options) << result.error;
  const Options& o = *result.options;
  EXPECT_EQ(o.ports, std::vector<std::string>{"sim:model=Apex,serial=QRA1234567"});
  EXPECT_EQ(o.image, "");
  EXPECT_EQ(o.languageId, 1031);
  EXPECT_EQ(o.passwordFill, 0x0F);
  EXPECT_EQ(o.traceFile, "-t.log");
  EXPECT_EQ(o.reportFile, "a=b.jsonl");
}

// A gang takes every option of an upgrade but the single interface's ones.
TEST(CliOptions, AGangTakesTheLanguageAndThePasswordFillToo) {
  auto result = Parse({"--port", "COM1", "--port", "COM2", "--image", "x.mbl", "--lang", "1042", "--password-fill",
                       "00", "--verify", "--force"});
  ASSERT_TRUE(result.options) << result.error;
  EXPECT_TRUE(IsGangRun(*result.options));
  EXPECT_EQ(result.options->languageId, 1042);
}

TEST(CliOptions, HelpAndVersionNeedNothingElse) {
  auto help = Parse({"--help"});
  ASSERT_TRUE(help.options);
  EXPECT_TRUE(help.options->help);
  EXPECT_NE(UsageText().find("Exit status"), std::string::npos);
  auto version = Parse({"--port", "COM1", "--version"});
  ASSERT_TRUE(version.options) << version.error;
  EXPECT_TRUE(version.options->version);
}

// The help fits a terminal 80 columns wide.
TEST(CliOptions, HelpFitsEightyColumns) {
  std::istringstream lines(UsageText());
  for (std::string line; std::getline(lines, line);) EXPECT_LE(line.size(), 79u) << line;
}

}  // namespace
}  // namespace cli
