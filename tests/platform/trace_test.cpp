// The tracing decorator on the devices a name opens.

#include "platform/trace.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "platform/port_names.h"
#include "platform/pty_pair.h"

namespace {

class MemorySink : public platform::TraceSink {
 public:
  void WriteLine(std::string_view line) override {
    std::lock_guard<std::mutex> guard(mutex_);
    lines_.emplace_back(line);
  }
  std::vector<std::string> Lines() {
    std::lock_guard<std::mutex> guard(mutex_);
    return lines_;
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> lines_;
};

// The line without its time stamp.
std::string Event(const std::string& line) { return line.substr(line.find(' ') + 1); }

TEST(Trace, DevicesOpenedWhileASinkIsSetLogEveryExchange) {
  testing_support::PtyPair pty;
  ASSERT_TRUE(pty.ok());
  platform::ScopedClock clock(platform::MakeVirtualClock(2'500'000));
  auto sink = std::make_shared<MemorySink>();
  {
    platform::OpenResult opened = [&] {
      const platform::ScopedTraceSinks tracing(sink);
      return platform::OpenSerialDevice(pty.slavePath());
    }();
    ASSERT_TRUE(opened.device);
    auto& device = *opened.device;
    device.Apply(platform::LineSettings{9600, 8, platform::Parity::Even, platform::StopBits::One, false, true});
    const std::uint8_t out[] = {0x53, 0x7B};
    device.Write(out, 2);
    ASSERT_TRUE(pty.Send("\x0A"));
    device.WaitForInput(1, 5000);
    std::uint8_t in[4];
    device.Read(in, 4);
    device.Purge(platform::PurgeSide::Both);
  }
  const std::vector<std::string> lines = sink->Lines();
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[0], "2.500000 open " + pty.slavePath());
  EXPECT_EQ(Event(lines[1]), "apply 9600 8E1 DTR=0 RTS=1");
  EXPECT_EQ(Event(lines[2]), "TX 53 7B");
  EXPECT_EQ(Event(lines[3]), "RX 0A");
  EXPECT_EQ(Event(lines[4]), "purge input and output");
  EXPECT_EQ(Event(lines[5]), "close " + pty.slavePath());
}

TEST(Trace, TheOpenLineShowsWhatAComNameResolvedTo) {
  testing_support::PtyPair pty;
  ASSERT_TRUE(pty.ok());
  ::setenv("QUORREL_COM9", pty.slavePath().c_str(), 1);
  auto sink = std::make_shared<MemorySink>();
  platform::OpenResult opened = [&] {
    const platform::ScopedTraceSinks tracing(sink);
    return platform::OpenSerialDevice("COM9");
  }();
  ::unsetenv("QUORREL_COM9");
  ASSERT_TRUE(opened.device);
  ASSERT_FALSE(sink->Lines().empty());
  EXPECT_EQ(Event(sink->Lines()[0]), "open COM9 (" + pty.slavePath() + ")");
}

// The port classes put a prefix before long names; the trace names the port
// as the user typed it.
TEST(Trace, TheOpenLineNeverShowsTheDevicePrefix) {
  testing_support::PtyPair pty;
  ASSERT_TRUE(pty.ok());
  ::setenv("QUORREL_COM12", pty.slavePath().c_str(), 1);
  auto sink = std::make_shared<MemorySink>();
  platform::OpenResult opened = [&] {
    const platform::ScopedTraceSinks tracing(sink);
    return platform::OpenSerialDevice("\\\\.\\COM12");
  }();
  ::unsetenv("QUORREL_COM12");
  ASSERT_TRUE(opened.device);
  ASSERT_FALSE(sink->Lines().empty());
  EXPECT_EQ(Event(sink->Lines()[0]), "open COM12 (" + pty.slavePath() + ")");
}

TEST(Trace, DevicesOpenedWithoutASinkAreNotWrapped) {
  testing_support::PtyPair pty;
  ASSERT_TRUE(pty.ok());
  auto sink = std::make_shared<MemorySink>();
  EXPECT_EQ(platform::MakeTracingDevice(nullptr, "x", sink), nullptr);
  platform::OpenResult opened = platform::OpenSerialDevice(pty.slavePath());
  ASSERT_TRUE(opened.device);
  opened.device->Purge(platform::PurgeSide::Input);
  EXPECT_TRUE(sink->Lines().empty());
}

// A gang run traces each port to a file of its own; ports it does not know
// are not traced, and the sinks go with the installer.
TEST(Trace, AChooserGivesEachPortItsOwnSink) {
  testing_support::PtyPair first, second, other;
  ASSERT_TRUE(first.ok() && second.ok() && other.ok());
  auto firstSink = std::make_shared<MemorySink>();
  auto secondSink = std::make_shared<MemorySink>();
  {
    const platform::ScopedTraceSinks tracing([&](const std::string& port) -> std::shared_ptr<platform::TraceSink> {
      if (port == first.slavePath()) return firstSink;
      if (port == second.slavePath()) return secondSink;
      return nullptr;
    });
    EXPECT_TRUE(platform::OpenSerialDevice(first.slavePath()).device);
    EXPECT_TRUE(platform::OpenSerialDevice(second.slavePath()).device);
    EXPECT_TRUE(platform::OpenSerialDevice(other.slavePath()).device);
  }
  EXPECT_EQ(platform::TraceSinkFor(first.slavePath()), nullptr);
  ASSERT_EQ(firstSink->Lines().size(), 2u);
  EXPECT_EQ(Event(firstSink->Lines()[0]), "open " + first.slavePath());
  ASSERT_EQ(secondSink->Lines().size(), 2u);
  EXPECT_EQ(Event(secondSink->Lines()[0]), "open " + second.slavePath());
}

}  // namespace
