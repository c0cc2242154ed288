#include "sim/sim_options.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>

namespace {

using sim::FaultKind;
using sim::ParseSimOptions;

TEST(SimOptions, EmptyTextGivesTheDefaults) {
  const auto options = ParseSimOptions("", nullptr);
  ASSERT_TRUE(options);
  EXPECT_EQ(*options, sim::SimOptions{});
  EXPECT_EQ(options->model, "Quorrel Apex");
  EXPECT_EQ(options->serialNumber, "QRA1234567");
  EXPECT_EQ(options->loaderVersion, 0x0120);
}

TEST(SimOptions, ReadsEveryKey) {
  std::string error;
  const auto options = ParseSimOptions(
      "model=TernII,serial=QRT7654321,loader=0110,paced=1,delay=300,lead=%3C,trail=%3E%0D,blank=1,boot=750,txqueue=64,"
      "fault=write-fail@3,fault=second-line@2+,fault=no-sync@1-2,fault=dead@100",
      &error);
  ASSERT_TRUE(options) << error;
  EXPECT_EQ(options->hardware, sim::Hardware::TernIIMemory);
  EXPECT_EQ(options->model, "Quorrel Tern II Memory");
  EXPECT_EQ(options->serialNumber, "QRT7654321");
  EXPECT_EQ(options->loaderVersion, 0x0110);
  EXPECT_TRUE(options->paced);
  EXPECT_TRUE(options->blank);
  EXPECT_EQ(options->replyDelayMs, 300u);
  EXPECT_EQ(options->bootMs, 750u);
  EXPECT_EQ(options->transmitQueue, 64u);
  EXPECT_EQ(options->replyLead, '<');
  EXPECT_EQ(options->replyTrail, ">\r");
  ASSERT_EQ(options->faults.size(), 4u);
  EXPECT_EQ(options->faults[0], (sim::Fault{FaultKind::Fail, 0x12, 3, 3}));
  EXPECT_EQ(options->faults[1], (sim::Fault{FaultKind::SecondLine, 0, 2, UINT32_MAX}));
  EXPECT_EQ(options->faults[2], (sim::Fault{FaultKind::NoSync, 0, 1, 2}));
  EXPECT_EQ(options->faults[3], (sim::Fault{FaultKind::Dead, 0, 100, 100}));
}

TEST(SimOptions, ModelByShortOrFullNameAndNameOverride) {
  EXPECT_EQ(ParseSimOptions("model=Quorrel Tern", nullptr)->hardware, sim::Hardware::Tern);
  EXPECT_EQ(ParseSimOptions("model=Tern", nullptr)->model, "Quorrel Tern");
  // The reply name stays as given whatever order the keys come in.
  EXPECT_EQ(ParseSimOptions("name=Quorrel Foo,model=Tern", nullptr)->model, "Quorrel Foo");
  EXPECT_EQ(ParseSimOptions("model=Tern,name=", nullptr)->model, "");
}

TEST(SimOptions, FaultWithoutCountFiresEveryTime) {
  const auto options = ParseSimOptions("fault=erase-nak", nullptr);
  ASSERT_TRUE(options);
  const sim::Fault& fault = options->faults.at(0);
  EXPECT_EQ(fault.command, 0x18);
  EXPECT_TRUE(fault.Fires(1));
  EXPECT_TRUE(fault.Fires(1000));
  const sim::Fault third{FaultKind::Nak, 0x12, 3, 3};
  EXPECT_FALSE(third.Fires(2));
  EXPECT_TRUE(third.Fires(3));
  EXPECT_FALSE(third.Fires(4));
}

TEST(SimOptions, RefusesWhatItDoesNotKnowWithAReason) {
  const char* bad[] = {
      "colour=red",          "model=Condor",      "serial",          "=1",
      "paced=yes",           "loader=110",        "loader=01G0",     "delay=-1",
      "delay=60001",         "lead=ab",           "trail=x",         "fault=melt",
      "fault=write-nak@0",   "fault=write-nak@",  "fault=dead",      "fault=dead@3+",
      "fault=no-sync@5-2",   "model=Apex,",       ",model=Apex",     "model=Apex,model=Tern",
      "serial=QR%4",         "serial=QR%ZZ12",    "serial=S{10,r}",  "blank=2",
      "boot=10001",          "boot=x",            "txqueue=65537",   "txqueue=-1",
  };
  for (const char* text : bad) {
    std::string error;
    EXPECT_FALSE(ParseSimOptions(text, &error)) << text;
    EXPECT_FALSE(error.empty()) << text;
  }
  EXPECT_FALSE(ParseSimOptions("model=Condor", nullptr));  // no error text asked for
}

TEST(SimOptions, EscapesCarryCommasAndControlCharacters) {
  const auto options = ParseSimOptions("name=Quorrel%2C Apex,trail=%0A%0d", nullptr);
  ASSERT_TRUE(options);
  EXPECT_EQ(options->model, "Quorrel, Apex");
  EXPECT_EQ(options->replyTrail, "\n\r");
}

}  // namespace

namespace {

std::string ManualTemplate() {
  std::ifstream page(std::string(QUORREL_SOURCE_DIR) + "/packaging/man/quorrel-sim.1.in");
  return std::string(std::istreambuf_iterator<char>(page), std::istreambuf_iterator<char>());
}

// Each key the option text takes works, and quorrel-sim's manual page names
// it: a key added without a word for its users fails here.
TEST(SimOptions, EveryKeyIsTakenAndInTheManualPage) {
  const std::map<std::string_view, std::string_view> samples = {
      {"model", "Tern"},   {"name", "X"},     {"serial", "QRT1"}, {"loader", "0110"}, {"paced", "1"},
      {"delay", "5"},      {"lead", "%3C"},   {"trail", "%3E%0D"}, {"blank", "1"},   {"boot", "0"},
      {"txqueue", "64"},   {"fault", "no-reply"}};
  const std::string manual = ManualTemplate();
  ASSERT_FALSE(manual.empty());
  for (const std::string_view key : sim::SimOptionKeys()) {
    ASSERT_TRUE(samples.contains(key)) << key;
    std::string error;
    EXPECT_TRUE(ParseSimOptions(std::string(key) + "=" + std::string(samples.at(key)), &error)) << key << ": " << error;
    EXPECT_NE(manual.find(std::string(key) + "="), std::string::npos) << key;
  }
  EXPECT_EQ(sim::SimOptionKeys().size(), samples.size());
}

}  // namespace
