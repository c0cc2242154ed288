// Time on the line: unpaced bytes cross at once; paced ones take their wire
// time at the line's settings, and erasing and programming take time too.
// All on the virtual clock, so every figure is exact.

#include <gtest/gtest.h>

#include "sim/sim_host.h"

namespace {

using namespace simtest;

class SimTiming : public ::testing::Test {
 protected:
  platform::ScopedClock clock_{platform::MakeVirtualClock()};
  const std::shared_ptr<platform::Clock> clock = platform::CurrentClock();
};

constexpr platform::Micros kLoaderByte = 1146;  // 11 bits at 9600 baud
constexpr platform::Micros kAppByte = 87;       // 10 bits at 115200 baud

TEST_F(SimTiming, UnpacedBytesCrossAtOnce) {
  LoaderRig rig("");
  const platform::Micros t0 = clock->Now();
  rig.device->Write(Bytes{0x80}.data(), 1);
  EXPECT_EQ(rig.device->OutputWaiting(), 0u);
  EXPECT_EQ(rig.device->InputWaiting(), 1u);
  EXPECT_EQ(clock->Now(), t0);
}

TEST_F(SimTiming, PacedByteTakesItsWireTimeEachWay) {
  Rig rig("paced=1");
  rig.device->Apply(LoaderLine());
  EnterLoader(*rig.device);
  const platform::Micros t0 = clock->Now();
  rig.device->Write(Bytes{0x80}.data(), 1);
  EXPECT_EQ(rig.device->OutputWaiting(), 1u);
  clock->SleepUntil(t0 + kLoaderByte - 1);
  EXPECT_EQ(rig.device->OutputWaiting(), 1u);
  clock->SleepUntil(t0 + kLoaderByte);
  EXPECT_EQ(rig.device->OutputWaiting(), 0u);
  clock->SleepUntil(t0 + 2 * kLoaderByte - 1);
  EXPECT_EQ(rig.device->InputWaiting(), 0u);
  clock->SleepUntil(t0 + 2 * kLoaderByte);
  EXPECT_EQ(rig.device->InputWaiting(), 1u);
}

TEST_F(SimTiming, ForegroundWaitMovesTimeOnlyToTheReply) {
  Rig rig("paced=1");
  rig.device->Apply(LoaderLine());
  EnterLoader(*rig.device);
  const platform::Micros t0 = clock->Now();
  rig.device->Write(Bytes{0x80}.data(), 1);
  EXPECT_EQ(rig.device->WaitForInput(1, 1000), 1u);
  EXPECT_EQ(clock->Now(), t0 + 2 * kLoaderByte);
  // With nothing under way, the wait runs to its time-out.
  rig.device->Purge(platform::PurgeSide::Input);
  EXPECT_EQ(rig.device->WaitForInput(1, 100), 0u);
  EXPECT_EQ(clock->Now(), t0 + 2 * kLoaderByte + 100'000);
}

// A driver with a few transfer buffers: a long frame does not fit at once.
// The writer waits for the line to take each byte, and every byte arrives.
TEST_F(SimTiming, ABoundedTransmitQueueMakesTheWriterWaitAndLosesNothing) {
  LoaderRig rig("paced=1,txqueue=16");
  ASSERT_EQ(Talk(*rig.device, {0x80}), Bytes{0x90});
  const Bytes frame = Frame(0x12, 0x0300, 200, Bytes(200, 0x5A));
  rig.sim->ClearLogs();
  const platform::Micros t0 = clock->Now();
  EXPECT_EQ(rig.device->Write(frame.data(), frame.size()), frame.size());
  // The writer got back once the last byte was queued: all but the last 16 had left.
  EXPECT_EQ(clock->Now() - t0, static_cast<platform::Micros>(frame.size() - 16) * kLoaderByte);
  EXPECT_EQ(rig.device->OutputWaiting(), 16u);
  EXPECT_TRUE(rig.device->WaitForDrain(1000));
  EXPECT_EQ(rig.sim->ReceivedBytes().size(), frame.size());
  ASSERT_EQ(rig.sim->LoaderCommands().size(), 1u);
  EXPECT_EQ(rig.sim->LoaderCommands()[0].reply, 0x90);  // the frame came whole
  EXPECT_EQ(rig.sim->ReadMemory(0x0300, 200), Bytes(200, 0x5A));
}

TEST_F(SimTiming, DrainWaitsForTheLastByteOut) {
  Rig rig("paced=1");
  rig.device->Apply(AppLine());
  const platform::Micros t0 = clock->Now();
  rig.device->Write(Text("S{10,3}").data(), 7);
  EXPECT_EQ(rig.device->OutputWaiting(), 7u);
  EXPECT_FALSE(rig.device->WaitForDrain(0));
  EXPECT_TRUE(rig.device->WaitForDrain(100));
  EXPECT_EQ(clock->Now(), t0 + 7 * kAppByte);
  // The 16-byte answer follows on the device's line, byte after byte.
  EXPECT_EQ(rig.device->WaitForInput(16, 100), 16u);
  EXPECT_EQ(clock->Now(), t0 + 23 * kAppByte);
}

TEST_F(SimTiming, PurgedOutputNeverArrives) {
  Rig rig("paced=1");
  rig.device->Apply(AppLine());
  rig.device->Write(Text("S{10,3}").data(), 7);
  rig.device->Purge(platform::PurgeSide::Output);
  EXPECT_EQ(rig.device->OutputWaiting(), 0u);
  clock->Sleep(10);
  EXPECT_EQ(rig.device->InputWaiting(), 0u);
  EXPECT_TRUE(rig.sim->ReceivedBytes().empty());
}

TEST_F(SimTiming, EraseAndProgrammingTakeTimeSlowerOnTern) {
  for (const auto& [options, erase, perByte] :
       {std::tuple{"paced=1", 20'000, 40}, std::tuple{"paced=1,model=Tern", 32'000, 100}}) {
    LoaderRig rig(options);
    ASSERT_EQ(Talk(*rig.device, {0x80}), Bytes{0x90});
    const Bytes frame = Frame(0x18, 0xFF00, 0xA506);
    platform::Micros t0 = clock->Now();
    rig.device->Write(frame.data(), frame.size());
    EXPECT_EQ(rig.device->WaitForInput(1, 1000), 1u);
    EXPECT_EQ(clock->Now() - t0, 10 * kLoaderByte + erase + kLoaderByte) << options;
    TakeAll(*rig.device);

    ASSERT_EQ(Talk(*rig.device, {0x80}), Bytes{0x90});
    const platform::Micros busyBefore = rig.sim->FlashBusyTime();
    const Bytes write = Frame(0x12, 0xF000, 240, Bytes(240, 0x55));
    t0 = clock->Now();
    rig.device->Write(write.data(), write.size());
    EXPECT_EQ(rig.device->WaitForInput(1, 2000), 1u);
    EXPECT_EQ(clock->Now() - t0, 250 * kLoaderByte + 240 * perByte + kLoaderByte) << options;
    EXPECT_EQ(rig.sim->FlashBusyTime() - busyBefore, 240 * perByte);
  }
}

TEST_F(SimTiming, CancelEndsTheNextWaitAtOnce) {
  Rig rig("");
  rig.device->Apply(AppLine());
  rig.device->CancelWait();
  const platform::Micros t0 = clock->Now();
  EXPECT_EQ(rig.device->WaitForInput(1, 500), 0u);
  EXPECT_EQ(clock->Now(), t0);
  // Consumed: the wait after it runs its course.
  EXPECT_EQ(rig.device->WaitForInput(1, 500), 0u);
  EXPECT_EQ(clock->Now(), t0 + 500'000);
}

}  // namespace
