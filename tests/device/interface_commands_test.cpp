// The interface command protocol against the scripted fake line, on the
// virtual clock: every time limit is checked to the microsecond.

#include "device/interface_commands.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/clock.h"
#include "serial/fake_line.h"

namespace {

using device::ExchangeResult;
using device::InterfaceCommands;
using device::LineVerdict;
using testing_support::AttachFakeLine;
using testing_support::FakeLine;

const std::string kApexLine = "#Quorrel Apex\r\r\n";  // 16 characters

class InterfaceCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    line_ = FakeLine::Create();
    AttachFakeLine("iface", line_);
  }
  void TearDown() override {
    port_.Close();
    EXPECT_FALSE(line_->SettleGaveUp());
  }
  platform::Micros Now() { return platform::CurrentClock()->Now(); }
  void OpenReady() { ASSERT_TRUE(commands_.OpenForCommands("fake:iface")); }

  // Collects every payload the handler is given; answers `verdict`.
  device::LineHandler Recorder(LineVerdict verdict = LineVerdict::Complete) {
    return [this, verdict](std::string& payload) {
      payloads_.push_back(payload);
      return verdict;
    };
  }

  platform::ScopedClock clock_{platform::MakeVirtualClock()};
  std::shared_ptr<FakeLine> line_;
  serial::SerialPort port_;
  InterfaceCommands commands_{port_};
  std::string reply_;
  std::vector<std::string> payloads_;
};

TEST_F(InterfaceCommandsTest, OpeningWaitsTwoSecondsThenDropsWhatArrivedMeanwhile) {
  const platform::Micros start = Now();
  line_->Deliver("power-up noise\n", 500);
  OpenReady();
  EXPECT_EQ(Now() - start, 2'000'000);
  EXPECT_FALSE(port_.HasReceived());
  EXPECT_EQ(line_->Purges(), 2);  // when the port opens, and after the wait
  EXPECT_TRUE(line_->Written().empty());
  EXPECT_EQ(line_->Applied().back().baudRate, 115200u);
}

TEST_F(InterfaceCommandsTest, APortThatDoesNotOpenSendsNothing) {
  line_->SetHeld(true);
  const platform::Micros start = Now();
  EXPECT_FALSE(commands_.OpenForCommands("fake:iface"));
  EXPECT_EQ(Now(), start);
  EXPECT_TRUE(line_->Written().empty());
}

TEST_F(InterfaceCommandsTest, AnApexLineIsCutToItsModelName) {
  line_->Respond("S{10,3}", kApexLine, 40);
  OpenReady();
  EXPECT_EQ(commands_.IdentifyInterface(reply_, Recorder()), ExchangeResult::Completed);
  EXPECT_EQ(line_->Written(), "S{10,3}");
  ASSERT_EQ(payloads_.size(), 1u);
  EXPECT_EQ(payloads_[0], "Quorrel Apex");
  EXPECT_EQ(device::KindFromPayload(payloads_[0]), device::InterfaceKind::Apex);
  EXPECT_EQ(reply_, "Quorrel Apex");
}

TEST_F(InterfaceCommandsTest, TheHandlerMayReplaceTheReplyBuffer) {
  line_->Respond("S{10,3}", "#Quorrel Sparrow!!\n");
  OpenReady();
  auto detect = [](std::string& buffer) {
    buffer = device::KindText(device::KindFromPayload(buffer));
    return LineVerdict::Complete;
  };
  EXPECT_EQ(commands_.IdentifyInterface(reply_, detect), ExchangeResult::Completed);
  EXPECT_EQ(reply_, "Unknown");
}

TEST_F(InterfaceCommandsTest, AThreeCharacterLineHasAnEmptyPayload) {
  line_->Respond("S{10,3}", "#\r\n");
  OpenReady();
  EXPECT_EQ(commands_.IdentifyInterface(reply_, Recorder()), ExchangeResult::Completed);
  EXPECT_EQ(payloads_, std::vector<std::string>{""});
}

TEST_F(InterfaceCommandsTest, ALeadingEmptyLineStaysInFrontOfThePayload) {
  line_->Respond("S{10,3}", "\r\n" + kApexLine);
  OpenReady();
  EXPECT_EQ(commands_.IdentifyInterface(reply_, Recorder()), ExchangeResult::Completed);
  ASSERT_EQ(payloads_.size(), 1u);
  EXPECT_EQ(payloads_[0], "\n#Quorrel Apex");
  EXPECT_EQ(device::KindFromPayload(payloads_[0]), device::InterfaceKind::Unknown);
}

TEST_F(InterfaceCommandsTest, ASecondLineIsAppendedToTheFirstPayloadAndHandledToo) {
  line_->Respond("S{10,3}", kApexLine + "#Ready!!\n");
  OpenReady();
  const std::string shown = "Quorrel Apex";
  auto worker = [&](std::string& payload) {
    payloads_.push_back(payload);
    return payload == shown ? LineVerdict::Complete : LineVerdict::Failed;
  };
  EXPECT_EQ(commands_.IdentifyInterface(reply_, worker), ExchangeResult::Failed);
  EXPECT_EQ(payloads_, (std::vector<std::string>{"Quorrel Apex", "uorrel Apex#Ready"}));
}

TEST_F(InterfaceCommandsTest, AFailedLineEndsTheExchangeAtOnce) {
  line_->Respond("S{10,3}", "#Quorrel Tern!!\n#more!!\n");
  OpenReady();
  const platform::Micros sent = Now();
  EXPECT_EQ(commands_.IdentifyInterface(reply_, Recorder(LineVerdict::Failed)), ExchangeResult::Failed);
  EXPECT_EQ(Now() - sent, 10'000);  // the first pass
  EXPECT_EQ(payloads_.size(), 1u);
  EXPECT_TRUE(port_.HasReceived());  // the second line was not read
}

TEST_F(InterfaceCommandsTest, NoReplyTimesOutAfterFiftyPasses) {
  OpenReady();
  const platform::Micros sent = Now();
  EXPECT_EQ(commands_.IdentifyInterface(reply_, Recorder()), ExchangeResult::TimedOut);
  EXPECT_EQ(Now() - sent, 500'000);
  EXPECT_TRUE(payloads_.empty());
}

TEST_F(InterfaceCommandsTest, ALateReplyCountsOnlyWithinTheFiftyPasses) {
  line_->Respond("S{10,3}", kApexLine, 495);
  OpenReady();
  EXPECT_EQ(commands_.IdentifyInterface(reply_, Recorder()), ExchangeResult::Completed);
  line_->Respond("S{10,r}", "#QRA1234567!!\n", 505);
  std::string serial = "unchanged";
  EXPECT_EQ(commands_.ReadSerialNumber(reply_, serial, nullptr), ExchangeResult::TimedOut);
  EXPECT_EQ(serial, "unchanged");
}

TEST_F(InterfaceCommandsTest, ALineLongerThanTheBufferNeverCompletes) {
  line_->Respond("S{10,3}", "#" + std::string(200, 'x') + "!!\n");
  OpenReady();
  const platform::Micros sent = Now();
  EXPECT_EQ(commands_.IdentifyInterface(reply_, Recorder()), ExchangeResult::TimedOut);
  EXPECT_EQ(Now() - sent, 500'000);
  EXPECT_TRUE(payloads_.empty());
  EXPECT_EQ(reply_.size(), device::kReplyBufferLimit);
}

TEST_F(InterfaceCommandsTest, ALineOfExactlyTheBufferSizeCompletes) {
  line_->Respond("S{10,3}", "#" + std::string(124, 'y') + "!!\n");  // 128 with the line feed
  OpenReady();
  EXPECT_EQ(commands_.IdentifyInterface(reply_, Recorder()), ExchangeResult::Completed);
  EXPECT_EQ(payloads_, std::vector<std::string>{std::string(124, 'y')});
}

TEST_F(InterfaceCommandsTest, TheSerialNumberFollowsTheIdentifyOnTheSamePort) {
  line_->Respond("S{10,3}", kApexLine);
  line_->Respond("S{10,r}", "#QRA1234567XY!!\n");
  OpenReady();
  ASSERT_EQ(commands_.IdentifyInterface(reply_, Recorder()), ExchangeResult::Completed);
  std::string serial;
  int lines = 0;
  EXPECT_EQ(commands_.ReadSerialNumber(reply_, serial, [&] { ++lines; }), ExchangeResult::Completed);
  EXPECT_EQ(serial, "QRA1234567XY");
  EXPECT_EQ(lines, 1);
  EXPECT_EQ(line_->Written(), "S{10,3}S{10,r}");
}

TEST_F(InterfaceCommandsTest, AMalformedSerialNumberIsReplacedByThePlaceholder) {
  line_->Respond("S{10,r}", "#QRX12345A7!!\n");
  OpenReady();
  std::string serial;
  EXPECT_EQ(commands_.ReadSerialNumber(reply_, serial, nullptr), ExchangeResult::Completed);
  EXPECT_EQ(serial, device::PlaceholderSerialNumber);
}

TEST_F(InterfaceCommandsTest, WritingTheSerialNumberSendsTheCommandAndWaits) {
  const platform::Micros start = Now();
  EXPECT_TRUE(commands_.WriteSerialNumber("fake:iface", std::string(device::PlaceholderSerialNumber)));
  EXPECT_EQ(line_->Written(), "S{10,w,QRX0000000}");
  EXPECT_EQ(line_->Written().size(), 18u);
  EXPECT_EQ(Now() - start, 1'500'000);
  EXPECT_TRUE(port_.IsOpen());  // the caller closes it
  port_.Close();
  line_->Respond("S{10,w,}", "#stored!!\n");
  commands_.WriteSerialNumber("fake:iface", "");
  EXPECT_EQ(line_->Written().substr(18), "S{10,w,}");
  EXPECT_FALSE(port_.HasReceived());  // an answer is discarded
}

TEST_F(InterfaceCommandsTest, WritingToAPortThatDoesNotOpenSendsNothing) {
  line_->SetHeld(true);
  const platform::Micros start = Now();
  EXPECT_FALSE(commands_.WriteSerialNumber("fake:iface", "QRA1234567"));
  EXPECT_TRUE(line_->Written().empty());
  EXPECT_EQ(Now(), start);
  EXPECT_TRUE(port_.IsOpen());  // half-open: the caller's Close releases it
}

}  // namespace
