// SerialPort against the scripted fake line, on the virtual clock.

#include "serial/serial_port.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/clock.h"
#include "serial/fake_line.h"
#include "support/test_os.h"

namespace {

using testing_support::AttachFakeLine;
using testing_support::FakeLine;

class SerialPortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    line_ = FakeLine::Create();
    AttachFakeLine("port", line_);
  }
  void TearDown() override {
    port_.Close();
    EXPECT_FALSE(line_->SettleGaveUp());
  }
  void Settle() { platform::CurrentClock()->Sleep(10); }
  std::string TakeAll() {
    std::string taken;
    while (port_.HasReceived()) taken.push_back(static_cast<char>(port_.ReadReceivedByte()));
    return taken;
  }

  platform::ScopedClock clock_{platform::MakeVirtualClock()};
  std::shared_ptr<FakeLine> line_;
  serial::SerialPort port_;
};

std::string Counting(std::size_t count, std::size_t start = 0) {
  std::string bytes;
  for (std::size_t i = 0; i < count; ++i) bytes.push_back(static_cast<char>((start + i) % 251));
  return bytes;
}

TEST_F(SerialPortTest, OpenAppliesCommandSettingsWithBothLinesOn) {
  ASSERT_TRUE(port_.Open("fake:port", 115200));
  EXPECT_TRUE(port_.IsOpen());
  const auto applied = line_->Applied();
  ASSERT_EQ(applied.size(), 1u);
  platform::LineSettings expected{115200, 8, platform::Parity::None, platform::StopBits::One, true, true};
  expected.hangUpOnClose = false;  // a close must not reset the interface
  EXPECT_EQ(applied[0], expected);
  EXPECT_EQ(line_->Purges(), 1);
  EXPECT_TRUE(line_->Written().empty());
}

TEST_F(SerialPortTest, ShortNamesOpenUnchangedLongerOnesGetTheDevicePrefix) {
  testsupport::SetEnv("QUORREL_COM4", "fake:port");
  testsupport::SetEnv("QUORREL_COM12", "fake:port");
  ASSERT_TRUE(port_.Open("COM4", 115200));
  EXPECT_EQ(port_.DeviceName(), "COM4");
  port_.Close();
  ASSERT_TRUE(port_.Open("COM12", 115200));
  EXPECT_EQ(port_.DeviceName(), "\\\\.\\COM12");
  testsupport::UnsetEnv("QUORREL_COM4");
  testsupport::UnsetEnv("QUORREL_COM12");
}

TEST_F(SerialPortTest, ReceivedBytesReachTheRingInOrder) {
  ASSERT_TRUE(port_.Open("fake:port", 115200));
  line_->Deliver("hello");
  Settle();
  line_->Deliver(" world", 30);
  for (int i = 0; i < 3; ++i) Settle();
  EXPECT_EQ(TakeAll(), "hello world");
  EXPECT_FALSE(port_.HasReceived());
}

TEST_F(SerialPortTest, BytesArrivingJustAfterTheWatcherEmptiedTheQueueIsKept) {
  ASSERT_TRUE(port_.Open("fake:port", 115200));
  line_->ArriveAfterDrain("late");
  line_->Deliver("first");
  Settle();
  Settle();
  EXPECT_EQ(TakeAll(), "firstlate");
}

TEST_F(SerialPortTest, AFullRingDropsTheNextByteAndTakesBytesAgainOnceOneIsRead) {
  ASSERT_TRUE(port_.Open("fake:port", 115200));
  line_->Deliver(Counting(serial::kRingCapacity + 1));
  Settle();
  EXPECT_EQ(line_->Waiting(), 0u);  // the extra byte was taken and dropped
  EXPECT_EQ(port_.ReadReceivedByte(), 0);
  line_->Deliver("X");
  Settle();
  const std::string rest = TakeAll();
  ASSERT_EQ(rest.size(), static_cast<std::size_t>(serial::kRingCapacity));
  EXPECT_EQ(rest.substr(0, rest.size() - 1), Counting(serial::kRingCapacity - 1, 1));
  EXPECT_EQ(rest.back(), 'X');
}

TEST_F(SerialPortTest, ClearReceivedDiscardsWhatTheRingHeldAndKeepsLaterBytes) {
  ASSERT_TRUE(port_.Open("fake:port", 115200));
  line_->Deliver(Counting(3000));
  Settle();
  EXPECT_EQ(TakeAll().size(), 3000u);
  line_->Deliver(Counting(2000));  // wraps round the end of the ring
  Settle();
  port_.ClearReceived();
  EXPECT_FALSE(port_.HasReceived());
  line_->Deliver("after");
  Settle();
  EXPECT_EQ(TakeAll(), "after");
}

TEST_F(SerialPortTest, ReadingAnEmptyRingGivesZeroAndLeavesItEmpty) {
  ASSERT_TRUE(port_.Open("fake:port", 115200));
  EXPECT_EQ(port_.ReadReceivedByte(), 0);
  EXPECT_FALSE(port_.HasReceived());
  line_->Deliver("a");
  Settle();
  EXPECT_EQ(TakeAll(), "a");
}

// A device refuses bytes only once it has failed: what follows a refused byte
// must not go out with a gap in it.
TEST_F(SerialPortTest, WriteSendsEachByteOnceInOrderAndNothingPastARefusal) {
  ASSERT_TRUE(port_.Open("fake:port", 115200));
  port_.Write("abc");
  EXPECT_EQ(line_->Written(), "abc");
  line_->SetRefuseEveryOtherWrite(true);  // this hand-over is taken, the next refused
  port_.Write("123456");
  EXPECT_EQ(line_->Written(), "abc123456");  // one hand-over: never every other byte
  port_.Write("S{10,3}");
  EXPECT_EQ(line_->Written(), "abc123456");  // refused whole, not with gaps
  port_.Write("xyz");
  EXPECT_EQ(line_->Written(), "abc123456xyz");
}

TEST_F(SerialPortTest, ZeroCountsWriteAndReadNothing) {
  ASSERT_TRUE(port_.Open("fake:port", 115200));
  const std::uint8_t bytes[] = {'x'};
  port_.Write(bytes, 0);
  port_.Write(bytes, -1);
  EXPECT_TRUE(line_->Written().empty());
  std::uint8_t buffer[4] = {};
  EXPECT_EQ(port_.Read(buffer, 0), 0);
  EXPECT_EQ(port_.Read(buffer, -5), 0);
}

TEST_F(SerialPortTest, SetLineRefusesEncodingsOutsideTheRecord) {
  ASSERT_TRUE(port_.Open("fake:port", 115200));
  EXPECT_TRUE(port_.SetLine(9600, 8, 2, 0));
  EXPECT_EQ(line_->Applied().back().parity, platform::Parity::Even);
  EXPECT_FALSE(port_.SetLine(9600, 8, 7, 0));
  EXPECT_FALSE(port_.SetLine(9600, 8, 0, 3));
  EXPECT_EQ(line_->Applied().size(), 2u);
}

TEST_F(SerialPortTest, AHeldDeviceLeavesThePortHalfOpenUntilClose) {
  line_->SetHeld(true);
  EXPECT_FALSE(port_.Open("fake:port", 115200));
  EXPECT_TRUE(port_.IsOpen());
  EXPECT_EQ(port_.DeviceName(), "\\\\.\\fake:port");
  port_.Write("S{10,3}");  // harmless on a half-open port
  EXPECT_FALSE(port_.HasReceived());
  port_.Close();
  EXPECT_FALSE(port_.IsOpen());
  EXPECT_TRUE(line_->Written().empty());
}

TEST_F(SerialPortTest, RefusedSettingsLeaveThePortHalfOpenHoldingTheDevice) {
  line_->SetRefuseApply(true);
  EXPECT_FALSE(port_.Open("fake:port", 115200));
  EXPECT_TRUE(port_.IsOpen());
  serial::SerialPort other;
  EXPECT_FALSE(other.Open("fake:port", 115200));  // still held by the half-open port
  other.Close();
  port_.Close();
  EXPECT_FALSE(port_.IsOpen());
  line_->SetRefuseApply(false);
  EXPECT_TRUE(port_.Open("fake:port", 115200));
}

TEST_F(SerialPortTest, OpeningAnOpenPortAgainReleasesItFirst) {
  ASSERT_TRUE(port_.Open("fake:port", 115200));
  ASSERT_TRUE(port_.Open("fake:port", 9600));
  EXPECT_EQ(line_->Opens(), 2);
  EXPECT_EQ(line_->Applied().back().baudRate, 9600u);
  line_->Deliver("once");
  Settle();
  EXPECT_EQ(TakeAll(), "once");
}

TEST_F(SerialPortTest, CloseOfAPortNeverOpenedIsHarmless) {
  port_.Close();
  port_.Close();
  EXPECT_FALSE(port_.IsOpen());
  EXPECT_TRUE(port_.DeviceName().empty());
}

TEST_F(SerialPortTest, CloseWakesAWaitingWatcherAndThePortReopens) {
  ASSERT_TRUE(port_.Open("fake:port", 115200));
  Settle();  // the watcher is waiting for input now
  port_.Close();
  EXPECT_FALSE(port_.IsOpen());
  ASSERT_TRUE(port_.Open("fake:port", 115200));
  EXPECT_EQ(line_->Opens(), 2);
  line_->Deliver("again");
  Settle();
  EXPECT_EQ(TakeAll(), "again");
}

TEST_F(SerialPortTest, UnknownAndEmptyNamesFailWithoutTouchingAnyDevice) {
  EXPECT_FALSE(port_.Open("", 115200));
  port_.Close();
  EXPECT_FALSE(port_.Open("no-such-scheme", 115200));
  port_.Close();
  EXPECT_EQ(line_->Opens(), 0);
}

TEST(SerialPortLifetime, DestroyingAnOpenPortStopsItsWatcher) {
  platform::ScopedClock clock(platform::MakeVirtualClock());
  auto line = FakeLine::Create();
  AttachFakeLine("lifetime", line);
  {
    serial::SerialPort port;
    ASSERT_TRUE(port.Open("fake:lifetime", 115200));
    line->Deliver("late bytes");
  }
  EXPECT_EQ(line->Opens(), 1);
  serial::SerialPort again;
  EXPECT_TRUE(again.Open("fake:lifetime", 115200));  // the device was let go
  again.Close();
}

}  // namespace
