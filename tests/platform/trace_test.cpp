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
#include "platform/serial_device.h"
#include "platform/pty_pair.h"
#include "support/recording_observer.h"

namespace {

using testing_support::MemoryTraceSink;
using testing_support::RecordingObserver;

// A device opened for an observer that traces.
platform::OpenResult OpenTraced(const std::string& name, const std::shared_ptr<RecordingObserver>& observer) {
  return platform::OpenSerialDevice(name, platform::DeviceUse::Watched, observer);
}

// The line without its time stamp.
std::string Event(const std::string& line) { return line.substr(line.find(' ') + 1); }

TEST(Trace, DevicesOpenedForATracingObserverLogEveryExchange) {
  testing_support::PtyPair pty;
  ASSERT_TRUE(pty.ok());
  platform::ScopedClock clock(platform::MakeVirtualClock(2'500'000));
  const auto observer = std::make_shared<RecordingObserver>(/*traced=*/true);
  {
    platform::OpenResult opened = OpenTraced(pty.slavePath(), observer);
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
  const std::vector<std::string> lines = observer->Sink().Lines();
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
  const auto observer = std::make_shared<RecordingObserver>(/*traced=*/true);
  platform::OpenResult opened = OpenTraced("COM9", observer);
  ::unsetenv("QUORREL_COM9");
  ASSERT_TRUE(opened.device);
  ASSERT_FALSE(observer->Sink().Lines().empty());
  EXPECT_EQ(Event(observer->Sink().Lines()[0]), "open COM9 (" + pty.slavePath() + ")");
}

// The port classes put a prefix before long names; the trace names the port
// as the user typed it.
TEST(Trace, TheOpenLineNeverShowsTheDevicePrefix) {
  testing_support::PtyPair pty;
  ASSERT_TRUE(pty.ok());
  ::setenv("QUORREL_COM12", pty.slavePath().c_str(), 1);
  const auto observer = std::make_shared<RecordingObserver>(/*traced=*/true);
  platform::OpenResult opened = OpenTraced("\\\\.\\COM12", observer);
  ::unsetenv("QUORREL_COM12");
  ASSERT_TRUE(opened.device);
  ASSERT_FALSE(observer->Sink().Lines().empty());
  EXPECT_EQ(Event(observer->Sink().Lines()[0]), "open COM12 (" + pty.slavePath() + ")");
}

TEST(Trace, DevicesOpenedWithoutATracingObserverAreNotWrapped) {
  testing_support::PtyPair pty;
  ASSERT_TRUE(pty.ok());
  auto sink = std::make_shared<MemoryTraceSink>();
  EXPECT_EQ(platform::MakeTracingDevice(nullptr, "x", sink), nullptr);
  const auto untraced = std::make_shared<RecordingObserver>(/*traced=*/false);
  for (const auto& observer : {untraced, std::shared_ptr<RecordingObserver>()}) {
    platform::OpenResult opened = OpenTraced(pty.slavePath(), observer);
    ASSERT_TRUE(opened.device);
    opened.device->Purge(platform::PurgeSide::Input);
  }
  EXPECT_TRUE(untraced->Sink().Lines().empty());
}

// Each dialog hands its own observer to the devices it opens, so two runs at
// once never hear of each other's device, even one opened under the same
// name a moment later.
TEST(Trace, EachObserverHearsOnlyOfTheDevicesOpenedForIt) {
  testing_support::PtyPair first, second;
  ASSERT_TRUE(first.ok() && second.ok());
  const auto one = std::make_shared<RecordingObserver>(/*traced=*/true);
  const auto two = std::make_shared<RecordingObserver>(/*traced=*/true);
  const auto sendFrom = [](const std::string& name, const std::shared_ptr<RecordingObserver>& observer,
                           std::uint8_t byte) {
    platform::OpenResult opened = OpenTraced(name, observer);
    ASSERT_TRUE(opened.device);
    EXPECT_EQ(opened.device->Write(&byte, 1), 1u);
    EXPECT_FALSE(opened.device->Apply(platform::LineSettings{12345}));
  };
  std::thread a([&] { sendFrom(first.slavePath(), one, 0x11); });
  std::thread b([&] {
    sendFrom(second.slavePath(), two, 0x22);
    EXPECT_FALSE(OpenTraced("/no/such/device", two).device);
  });
  a.join();
  b.join();
  sendFrom(first.slavePath(), two, 0x33);  // the first one's port, now for the second

  const auto events = [](const RecordingObserver& observer) {
    std::vector<std::string> seen;
    for (const std::string& line : observer.Sink().Lines()) seen.push_back(Event(line));
    return seen;
  };
  const std::string refused = "apply 12345 8N1 DTR=1 RTS=1 refused";
  EXPECT_EQ(events(*one),
            (std::vector<std::string>{"open " + first.slavePath(), "TX 11", refused, "close " + first.slavePath()}));
  EXPECT_EQ(events(*two),
            (std::vector<std::string>{"open " + second.slavePath(), "TX 22", refused, "close " + second.slavePath(),
                                      "open " + first.slavePath(), "TX 33", refused, "close " + first.slavePath()}));
  ASSERT_EQ(one->Troubles().size(), 1u);
  EXPECT_EQ(one->Troubles()[0].device, first.slavePath());
  ASSERT_EQ(two->Troubles().size(), 2u);
  EXPECT_EQ(two->Troubles()[0].device, second.slavePath());
  EXPECT_EQ(two->Troubles()[1].device, first.slavePath());
  EXPECT_TRUE(one->Failures().empty());
  ASSERT_EQ(two->Failures().size(), 1u);
  EXPECT_EQ(two->Failures()[0].first, "/no/such/device");
}

}  // namespace
