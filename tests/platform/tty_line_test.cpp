// The tty backend as a USB adapter shows it: a driver that has no room for
// the moment, a line that carries parity, a device pulled out mid-run.

#include <sys/resource.h>
#include <termios.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/port_hold.h"
#include "platform/serial_device.h"
#include "platform/pty_pair.h"
#include "platform/tty_calls.h"
#include "support/lock_folder.h"
#include "support/recording_observer.h"

namespace {

using platform::LineSettings;
using platform::LineTrouble;
using testing_support::PtyPair;

// Refuses one write in `every` (EAGAIN, as a driver whose transfer buffers are
// all busy) and takes at most `most` bytes of the others.
platform::TtyCalls RefusingWrites(int every, std::size_t most, std::atomic<int>* refusals) {
  auto calls = std::make_shared<std::atomic<int>>(0);
  platform::TtyCalls tty;
  tty.write = [=](const void* bytes, std::size_t count, const platform::TtyCalls::Writer& driver) -> std::ptrdiff_t {
    if (++*calls % every == 0) {
      ++*refusals;
      errno = EAGAIN;
      return -1;
    }
    return driver(bytes, std::min(count, most));
  };
  return tty;
}

std::unique_ptr<platform::SerialDevice> OpenSlave(const PtyPair& pty,
                                                  std::shared_ptr<platform::DeviceObserver> observer = nullptr) {
  platform::OpenResult opened =
      platform::OpenSerialDevice(pty.slavePath(), platform::DeviceUse::Watched, std::move(observer));
  EXPECT_EQ(opened.error, platform::Error::None) << opened.detail;
  return std::move(opened.device);
}

double ThreadCpuSeconds() {
  rusage usage{};
  ::getrusage(RUSAGE_THREAD, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

TEST(TtyLine, WritesTheDriverRefusesForAMomentAreWaitedOutAndNoByteIsLost) {
  std::atomic<int> refusals{0};
  const platform::ScopedTtyCalls calls(RefusingWrites(3, 7, &refusals));
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  auto device = OpenSlave(pty);
  ASSERT_TRUE(device);
  ASSERT_TRUE(device->Apply(LineSettings{}));
  // More than a pseudo-terminal buffers: the write also waits for the reader.
  std::string frame;
  for (int i = 0; i < 20000; ++i) frame += static_cast<char>(i * 31 + 7);
  std::string received;
  std::thread reader([&] { received = pty.Receive(frame.size()); });
  EXPECT_EQ(device->Write(reinterpret_cast<const std::uint8_t*>(frame.data()), frame.size()), frame.size());
  reader.join();
  EXPECT_EQ(received, frame);
  EXPECT_GT(refusals.load(), 100);
}

TEST(TtyLine, AByteWithAParityErrorReachesTheReaderUnchanged) {
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  auto device = OpenSlave(pty);
  ASSERT_TRUE(device);
  ASSERT_TRUE(device->Apply(LineSettings{9600, 8, platform::Parity::Even, platform::StopBits::One, true, true}));
  termios tio{};
  ASSERT_EQ(::tcgetattr(pty.masterFd(), &tio), 0);  // the slave's settings
  EXPECT_EQ(::cfgetospeed(&tio), static_cast<speed_t>(B9600));  // (a pseudo-terminal drops PARENB itself)
  EXPECT_EQ(tio.c_iflag & INPCK, 0u);                // no 00 in place of a bad byte
  EXPECT_EQ(tio.c_iflag & (PARMRK | IGNPAR), 0u);    // nor marked or dropped
  EXPECT_NE(tio.c_cflag & HUPCL, 0u);                // a tty's default: the lines drop at close
  auto held = LineSettings{};
  held.hangUpOnClose = false;
  ASSERT_TRUE(device->Apply(held));
  ASSERT_EQ(::tcgetattr(pty.masterFd(), &tio), 0);
  EXPECT_EQ(tio.c_cflag & HUPCL, 0u);
}

TEST(TtyLine, ADevicePulledOutIsReportedOnceAndNeitherSpinsNorHoldsUpClose) {
  const auto log = std::make_shared<testing_support::RecordingObserver>();
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  auto device = OpenSlave(pty, log);
  ASSERT_TRUE(device);
  ASSERT_TRUE(device->Apply(LineSettings{}));
  std::atomic<double> watcherCpu{-1};
  std::atomic<bool> watcherDone{false};
  std::thread watcher([&] {
    const double before = ThreadCpuSeconds();
    while (device->WaitForInput(1, platform::kWaitForever) > 0) {
      std::uint8_t buffer[16];
      device->Read(buffer, sizeof buffer);
    }
    watcherCpu = ThreadCpuSeconds() - before;
    watcherDone = true;
  });
  pty.HangUp();
  EXPECT_TRUE(PtyPair::Eventually([&] { return !log->Troubles().empty(); }));
  const std::uint8_t byte = 0x80;
  EXPECT_EQ(device->Write(&byte, 1), 0u);  // refused at once, not after a stall
  EXPECT_EQ(device->WaitForInput(1, 300), 0u);
  EXPECT_FALSE(watcherDone.load());  // the watcher waits for its cancel, quietly
  device->CancelWait();
  watcher.join();
  EXPECT_LT(watcherCpu.load(), 0.15);  // it slept through the hang-up rather than spinning
  device.reset();
  const auto entries = log->Troubles();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].device, pty.slavePath());
  EXPECT_EQ(entries[0].trouble, LineTrouble::Lost);
}

TEST(TtyLine, RefusedLineSettingsAreReportedWithTheSettings) {
  const auto log = std::make_shared<testing_support::RecordingObserver>();
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  auto device = OpenSlave(pty, log);
  ASSERT_TRUE(device);
  EXPECT_FALSE(device->Apply(LineSettings{12345, 8, platform::Parity::Even, platform::StopBits::One, true, true}));
  const auto entries = log->Troubles();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].trouble, LineTrouble::SettingsRefused);
  EXPECT_EQ(entries[0].detail, "12345 8E1");
}

// A driver that takes one byte in every `every` calls, on a clock that each
// call moves on by `step`: a line that is slow but keeps moving.
platform::TtyCalls SlowWrites(int every, platform::Micros step, std::atomic<platform::Micros>* now) {
  auto calls = std::make_shared<std::atomic<int>>(0);
  platform::TtyCalls tty;
  tty.now = [now] { return now->load(); };
  tty.write = [=](const void* bytes, std::size_t count, const platform::TtyCalls::Writer& driver) -> std::ptrdiff_t {
    *now += step;
    if (++*calls % every != 0 || count == 0) {
      errno = EAGAIN;
      return -1;
    }
    return driver(bytes, 1);
  };
  return tty;
}

// The stall limit counts from a write's last progress, not from its start.
TEST(TtyLine, AWriteThatKeepsMovingIsNeverCutOffHoweverLongItTakes) {
  std::atomic<platform::Micros> now{0};
  const platform::ScopedTtyCalls calls(SlowWrites(4, 400'000, &now));  // a byte every 1.6 s
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  auto device = OpenSlave(pty);
  ASSERT_TRUE(device);
  ASSERT_TRUE(device->Apply(LineSettings{}));
  const std::string frame("\x80\x18\x04\x04\x00\xFF\x06\xA5\x7D\xB9", 10);
  EXPECT_EQ(device->Write(reinterpret_cast<const std::uint8_t*>(frame.data()), frame.size()), frame.size());
  EXPECT_GT(now.load(), 10'000'000);  // far longer than the stall limit in all
  EXPECT_EQ(pty.Receive(frame.size()), frame);
}

TEST(TtyLine, AWriteThatStopsMovingIsCutOffAfterTheStallLimit) {
  std::atomic<platform::Micros> now{0};
  const platform::ScopedTtyCalls calls(SlowWrites(1'000'000, 10'000, &now));  // takes nothing
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  auto device = OpenSlave(pty);
  ASSERT_TRUE(device);
  const std::uint8_t byte = 0x55;
  EXPECT_EQ(device->Write(&byte, 1), 0u);
  EXPECT_GE(now.load(), 2'000'000);
  EXPECT_LT(now.load(), 2'100'000);
}

// The slave's settings, read through the master: they outlive the slave's
// last close while the master stays open.
termios SlaveSettings(const PtyPair& pty) {
  termios tio{};
  EXPECT_EQ(::tcgetattr(pty.masterFd(), &tio), 0);
  return tio;
}

// The settings a terminal program leaves: canonical input with echo, 19200
// baud, and the lines dropped when the last close hangs the tty up.
termios TerminalSettings(const PtyPair& pty) {
  termios tio = SlaveSettings(pty);
  tio.c_cflag |= HUPCL;
  tio.c_lflag |= ICANON | ECHO;
  ::cfsetspeed(&tio, B19200);
  EXPECT_EQ(::tcsetattr(pty.masterFd(), TCSANOW, &tio), 0);
  return SlaveSettings(pty);
}

void ExpectSameSettings(const termios& now, const termios& before) {
  EXPECT_EQ(now.c_cflag, before.c_cflag);
  EXPECT_EQ(now.c_iflag, before.c_iflag);
  EXPECT_EQ(now.c_oflag, before.c_oflag);
  EXPECT_EQ(now.c_lflag, before.c_lflag);
  EXPECT_EQ(::cfgetospeed(&now), ::cfgetospeed(&before));
  EXPECT_EQ(now.c_cc[VMIN], before.c_cc[VMIN]);
}

struct LineRecord {
  std::vector<LineSettings> Applied() {
    std::lock_guard<std::mutex> guard(mutex);
    return applied;
  }
  platform::TtyCalls Calls() {
    platform::TtyCalls tty;
    tty.applied = [this](const LineSettings& settings) {
      std::lock_guard<std::mutex> guard(mutex);
      applied.push_back(settings);
    };
    return tty;
  }
  std::mutex mutex;
  std::vector<LineSettings> applied;
};

LineSettings HeldLines() {
  LineSettings settings{9600, 8, platform::Parity::Even, platform::StopBits::One, true, true};
  settings.hangUpOnClose = false;  // as the port classes have it: a close must not reset the interface
  return settings;
}

// A tty found as a terminal program leaves it, with a record of the lines
// the device sees.
class TtySettingsBack : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pty_.ok());
    before_ = TerminalSettings(pty_);
    ASSERT_NE(before_.c_cflag & HUPCL, 0u);
  }
  // The lines dropped as the last close hangs the tty up, told once after
  // `applies` records.
  void ExpectLinesDroppedOnceAfter(std::size_t applies) {
    const auto applied = lines_.Applied();
    ASSERT_EQ(applied.size(), applies + 1);
    for (std::size_t i = 0; i < applies; ++i) EXPECT_TRUE(applied[i].dtr && applied[i].rts);
    EXPECT_FALSE(applied.back().dtr || applied.back().rts);
  }

  testing_support::ScopedLockFolder lockFolder_{"tty-hold"};
  LineRecord lines_;
  const platform::ScopedTtyCalls calls_{lines_.Calls()};
  PtyPair pty_;
  termios before_{};
};

TEST_F(TtySettingsBack, TheLastCloseGivesTheTtyBackTheSettingsItWasFoundWith) {
  auto device = OpenSlave(pty_);
  ASSERT_TRUE(device);
  ASSERT_TRUE(device->Apply(HeldLines()));
  EXPECT_EQ(SlaveSettings(pty_).c_cflag & HUPCL, 0u);
  device.reset();
  ExpectSameSettings(SlaveSettings(pty_), before_);
  ExpectLinesDroppedOnceAfter(1);  // with hang-up on close back, the driver drops both lines
}

// A run holds its tty across the phases that open and close it: between
// them the tty keeps what the run set, no line drops, and the last hold puts
// back what the first open found.
TEST_F(TtySettingsBack, AHeldTtyKeepsTheRunsSettingsBetweenItsOpensAndGetsItsOwnBackAtTheEnd) {
  {
    auto hold = platform::HoldPort(pty_.slavePath());
    ASSERT_TRUE(hold.value) << hold.detail;
    for (int phase = 0; phase < 2; ++phase) {
      auto device = OpenSlave(pty_);
      ASSERT_TRUE(device);
      ASSERT_TRUE(device->Apply(HeldLines()));
      device.reset();
      const termios between = SlaveSettings(pty_);
      EXPECT_EQ(between.c_cflag & HUPCL, 0u);
      EXPECT_EQ(between.c_lflag & ECHO, 0u);  // nothing the device sends is echoed back to it
    }
  }
  ExpectSameSettings(SlaveSettings(pty_), before_);
  ExpectLinesDroppedOnceAfter(2);
}

}  // namespace
