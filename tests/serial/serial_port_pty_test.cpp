// SerialPort on a real tty (the slave side of a pseudo-terminal), real time.

#include <gtest/gtest.h>

#include <string>

#include "platform/pty_pair.h"
#include "platform/tty_device.h"
#include "serial/serial_port.h"

namespace {

using testing_support::PtyPair;

std::string TakeAll(serial::SerialPort& port) {
  std::string taken;
  while (port.HasReceived()) taken.push_back(static_cast<char>(port.ReadReceivedByte()));
  return taken;
}

TEST(SerialPortOnTty, CommandsGoOutAndRepliesReachTheRing) {
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  serial::SerialPort port;
  ASSERT_TRUE(port.Open(pty.slavePath(), 115200));
  port.Write("S{10,3}");
  EXPECT_EQ(pty.Receive(7), "S{10,3}");
  ASSERT_TRUE(pty.Send("#Quorrel Apex!!\n"));
  std::string got;
  EXPECT_TRUE(PtyPair::Eventually([&] {
    got += TakeAll(port);
    return got.size() >= 16;
  }));
  EXPECT_EQ(got, "#Quorrel Apex!!\n");
  port.Close();
  EXPECT_FALSE(port.IsOpen());
}

TEST(SerialPortOnTty, BytesSentInManySmallBurstsAllArrive) {
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  serial::SerialPort port;
  ASSERT_TRUE(port.Open(pty.slavePath(), 115200));
  std::string sent;
  for (int i = 0; i < 4000; ++i) sent.push_back(static_cast<char>('A' + i % 26));
  for (std::size_t at = 0; at < sent.size(); at += 7) {
    ASSERT_TRUE(pty.Send(sent.substr(at, 7)));
    std::this_thread::yield();
  }
  std::string got;
  EXPECT_TRUE(PtyPair::Eventually([&] {
    got += TakeAll(port);
    return got.size() >= sent.size();
  }));
  EXPECT_EQ(got, sent);
  port.Close();
}

TEST(SerialPortOnTty, CloseReturnsWhileTheWatcherWaitsAndThePortReopens) {
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  serial::SerialPort port;
  ASSERT_TRUE(port.Open(pty.slavePath(), 115200));
  port.Close();  // the watcher is blocked waiting for input
  EXPECT_FALSE(port.IsOpen());
  ASSERT_TRUE(port.Open(pty.slavePath(), 115200));
  ASSERT_TRUE(pty.Send("ok"));
  std::string got;
  EXPECT_TRUE(PtyPair::Eventually([&] {
    got += TakeAll(port);
    return got.size() >= 2;
  }));
  EXPECT_EQ(got, "ok");
  port.Close();
}

TEST(SerialPortOnTty, ADeviceHeldElsewhereFailsToOpenAndCloseReleasesTheHalfOpenPort) {
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  platform::OpenResult holder = platform::OpenTtyDevice(pty.slavePath());
  ASSERT_TRUE(holder.device);
  serial::SerialPort port;
  EXPECT_FALSE(port.Open(pty.slavePath(), 115200));
  EXPECT_TRUE(port.IsOpen());
  port.Write("S{10,3}");
  port.Close();
  EXPECT_FALSE(port.IsOpen());
  holder.device.reset();
  EXPECT_TRUE(pty.Pending().empty());  // nothing is sent through a port that did not open
  EXPECT_TRUE(port.Open(pty.slavePath(), 115200));
  port.Close();
}

}  // namespace
