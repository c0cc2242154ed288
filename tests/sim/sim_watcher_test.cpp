// A watcher thread waiting without a time-out while the test's own thread
// moves a virtual clock: what became ready is always taken before the clock's
// owner looks, so the outcome never depends on the scheduler.

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "sim/sim_host.h"

namespace {

using namespace simtest;

class Watcher {
 public:
  explicit Watcher(platform::SerialDevice& device) : device_(device), thread_([this] { Run(); }) {}
  ~Watcher() {
    running_ = false;
    device_.CancelWait();
    thread_.join();
  }
  Bytes Taken() {
    std::lock_guard<std::mutex> lock(mutex_);
    return taken_;
  }

 private:
  void Run() {
    while (running_) {
      device_.WaitForInput(1, platform::kWaitForever);
      std::uint8_t buffer[64];
      for (std::size_t n; (n = device_.Read(buffer, sizeof buffer)) > 0;) {
        std::lock_guard<std::mutex> lock(mutex_);
        taken_.insert(taken_.end(), buffer, buffer + n);
      }
    }
  }
  platform::SerialDevice& device_;
  std::atomic<bool> running_{true};
  std::mutex mutex_;
  Bytes taken_;
  std::thread thread_;
};

class SimWatcher : public ::testing::Test {
 protected:
  platform::ScopedClock clock_{platform::MakeVirtualClock()};
  const std::shared_ptr<platform::Clock> clock = platform::CurrentClock();
};

TEST_F(SimWatcher, TakesEachReplyBeforeTheSleepEnds) {
  Rig rig("");
  rig.device->Apply(AppLine());
  Watcher watcher(*rig.device);
  std::string expected;
  for (int round = 0; round < 200; ++round) {
    const bool identify = round % 2 == 0;
    rig.device->Write(Text(identify ? "S{10,3}" : "S{10,r}").data(), 7);
    clock->Sleep(10);
    expected += identify ? "[Quorrel Apex]\r\n" : "[QRA1234567]\r\n";
    ASSERT_EQ(AsText(watcher.Taken()), expected) << round;
  }
}

TEST_F(SimWatcher, PacedBytesAreTakenAsTheirTimeComes) {
  Rig rig("paced=1");
  rig.device->Apply(AppLine());
  Watcher watcher(*rig.device);
  const platform::Micros t0 = clock->Now();
  rig.device->Write(Text("S{10,3}").data(), 7);
  // The answer's k-th byte is complete at (7 + k) byte times.
  for (int step = 1; step <= 25; ++step) {
    clock->SleepUntil(t0 + step * 87);
    const std::size_t due = step >= 8 ? std::min(16, step - 7) : 0;
    ASSERT_EQ(watcher.Taken().size(), due) << step;
  }
  EXPECT_EQ(AsText(watcher.Taken()), "[Quorrel Apex]\r\n");
}

TEST_F(SimWatcher, CloseWakesTheWatcher) {
  Rig rig("");
  {
    Watcher watcher(*rig.device);
    clock->Sleep(5);
  }  // the destructor's cancel ends the endless wait; join returns
  rig.device.reset();
  EXPECT_FALSE(rig.sim->IsOpen());
}

}  // namespace

namespace {

// On the real clock the bytes keep their wire times: a reply never comes
// sooner than the line allows, and a watcher is woken when it does come.
TEST(SimRealClock, PacedReplyKeepsItsWireTimeAndWakesTheWatcher) {
  platform::ScopedClock real(platform::MakeRealClock());
  const std::shared_ptr<platform::Clock> clock = platform::CurrentClock();
  Rig rig("paced=1,boot=0");
  rig.device->Apply(LoaderLine());
  EnterLoader(*rig.device);  // half a second of real pauses
  const platform::Micros t0 = clock->Now();
  rig.device->Write(Bytes{0x80}.data(), 1);
  EXPECT_EQ(rig.device->WaitForInput(1, 2000), 1u);
  EXPECT_GE(clock->Now() - t0, 2 * 1146);
  EXPECT_EQ(TakeAll(*rig.device), Bytes{0x90});

  RestartNormally(*rig.device, AppLine());
  Watcher watcher(*rig.device);
  rig.device->Write(Text("S{10,3}").data(), 7);
  // Bounded: done as soon as the watcher has the line, at most two seconds.
  for (int i = 0; i < 200 && watcher.Taken().size() < 16; ++i) clock->Sleep(10);
  EXPECT_EQ(AsText(watcher.Taken()), "[Quorrel Apex]\r\n");
}

}  // namespace
