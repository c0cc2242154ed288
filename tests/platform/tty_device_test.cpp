// The tty backend on the slave side of a pseudo-terminal (real time, every
// wait a bounded poll for a condition).

#include "platform/tty_device.h"

#include <gtest/gtest.h>

#include <thread>

#include "platform/serial_device.h"
#include "platform/pty_pair.h"

namespace {

using platform::LineSettings;
using platform::Error;
using testing_support::PtyPair;

std::unique_ptr<platform::SerialDevice> OpenSlave(const PtyPair& pty) {
  platform::OpenResult opened = platform::OpenSerialDevice(pty.slavePath());
  EXPECT_EQ(opened.error, Error::None) << opened.detail;
  return std::move(opened.device);
}

TEST(TtyDevice, AppliesBothLineSettingsAndCarriesBytesBothWays) {
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  auto device = OpenSlave(pty);
  ASSERT_TRUE(device);
  EXPECT_TRUE(device->Apply(LineSettings{115200, 8, platform::Parity::None, platform::StopBits::One, true, true}));
  EXPECT_TRUE(device->Apply(LineSettings{9600, 8, platform::Parity::Even, platform::StopBits::One, false, true}));
  const std::uint8_t out[] = {0x55, 0x0A, 0x00, 0xFF};
  EXPECT_EQ(device->Write(out, 4), 4u);
  EXPECT_EQ(pty.Receive(4), std::string("\x55\x0A\x00\xFF", 4));
  ASSERT_TRUE(pty.Send(std::string("\x0D\x0A\x11\x13", 4)));  // raw: nothing translated or swallowed
  EXPECT_GE(device->WaitForInput(4, 5000), 4u);
  std::uint8_t in[8] = {};
  EXPECT_EQ(device->Read(in, sizeof in), 4u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(in), 4), std::string("\x0D\x0A\x11\x13", 4));
  EXPECT_EQ(device->Read(in, sizeof in), 0u);  // never blocks
}

TEST(TtyDevice, RefusesSettingsItCannotApply) {
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  auto device = OpenSlave(pty);
  ASSERT_TRUE(device);
  EXPECT_FALSE(device->Apply(LineSettings{12345, 8, platform::Parity::None, platform::StopBits::One, true, true}));
  EXPECT_FALSE(device->Apply(LineSettings{9600, 9, platform::Parity::None, platform::StopBits::One, true, true}));
}

TEST(TtyDevice, ADeviceAlreadyHeldIsBusyUntilReleased) {
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  auto first = OpenSlave(pty);
  ASSERT_TRUE(first);
  platform::OpenResult second = platform::OpenSerialDevice(pty.slavePath());
  EXPECT_FALSE(second.device);
  EXPECT_EQ(second.error, Error::Busy);
  EXPECT_NE(second.detail.find(pty.slavePath()), std::string::npos);
  first.reset();
  EXPECT_TRUE(OpenSlave(pty));
}

TEST(TtyDevice, PurgeDropsWaitingInput) {
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  auto device = OpenSlave(pty);
  ASSERT_TRUE(device);
  ASSERT_TRUE(device->Apply(LineSettings{}));
  ASSERT_TRUE(pty.Send("stale"));
  EXPECT_TRUE(PtyPair::Eventually([&] { return device->InputWaiting() == 5; }));
  device->Purge(platform::PurgeSide::Input);
  EXPECT_EQ(device->InputWaiting(), 0u);
  EXPECT_TRUE(device->WaitForDrain(1000));
}

TEST(TtyDevice, WaitsEndOnTimeOutAndOnCancelFromAnotherThread) {
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  auto device = OpenSlave(pty);
  ASSERT_TRUE(device);
  EXPECT_EQ(device->WaitForInput(1, 20), 0u);
  device->CancelWait();  // a cancel with no wait running ends the next wait
  EXPECT_EQ(device->WaitForInput(1, platform::kWaitForever), 0u);
  std::thread canceller([&] { device->CancelWait(); });
  EXPECT_EQ(device->WaitForInput(1, platform::kWaitForever), 0u);
  canceller.join();
  ASSERT_TRUE(pty.Send("ab"));
  EXPECT_EQ(device->WaitForInput(2, 5000), 2u);
}

}  // namespace
