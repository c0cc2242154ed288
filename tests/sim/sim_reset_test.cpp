// The reset rule of the DTR and RTS lines: held while DTR is off, the loader
// after two or more RTS falls while held, the application otherwise.

#include <gtest/gtest.h>

#include "sim/sim_host.h"

namespace {

using namespace simtest;
using sim::RunState;

class SimReset : public ::testing::Test {
 protected:
  platform::ScopedClock clock_{platform::MakeVirtualClock()};
};

TEST_F(SimReset, EnterLoaderSequenceStartsTheLoaderAndNormalRestartTheApplication) {
  Rig rig("");
  EXPECT_EQ(rig.sim->State(), RunState::Application);
  rig.device->Apply(LoaderLine());
  EnterLoader(*rig.device);
  EXPECT_EQ(rig.sim->State(), RunState::Loader);
  EXPECT_TRUE(rig.sim->LoaderLocked());
  EXPECT_EQ(Talk(*rig.device, {0x80}), Bytes{0x90});

  RestartNormally(*rig.device, LoaderLine());
  EXPECT_EQ(rig.sim->State(), RunState::Application);
  rig.device->Apply(AppLine());
  // The firmware boots first: a command meanwhile is lost, whole.
  EXPECT_TRUE(Talk(*rig.device, Text("S{10,3}"), 400).empty());
  platform::CurrentClock()->Sleep(100);
  EXPECT_EQ(AsText(Talk(*rig.device, Text("S{10,3}"))), "[Quorrel Apex]\r\n");
}

TEST_F(SimReset, TheLoaderNeedsTheLinesSettledBeforeTheResetAndAMomentAfterIt) {
  Rig rig("");
  // Pulses that come straight after the lines went on start the application.
  Play(*rig.device, LoaderLine(), {{true, false}, {true, true}, {false, true}, {false, false}, {false, true},
                                   {false, false}, {true, true}});
  EXPECT_EQ(rig.sim->State(), RunState::Application);
  EnterLoader(*rig.device);
  EXPECT_EQ(rig.sim->State(), RunState::Loader);
  Play(*rig.device, LoaderLine(), {{true, true, 250}, {false, true}, {false, false}, {false, true},
                                   {false, false}, {true, true}});
  EXPECT_TRUE(Talk(*rig.device, {0x80}, 50).empty());  // still starting
  platform::CurrentClock()->Sleep(50);
  EXPECT_EQ(Talk(*rig.device, {0x80}), Bytes{0x90});
}

TEST_F(SimReset, RecordsEveryApplyWithItsTime) {
  Rig rig("");
  const platform::Micros start = platform::CurrentClock()->Now();
  EnterLoader(*rig.device);
  const auto events = rig.sim->LineEvents();
  ASSERT_EQ(events.size(), 9u);
  const std::vector<std::pair<bool, bool>> expected{{true, true},   {true, true},  {false, true},
                                                    {false, true},  {false, false}, {false, true},
                                                    {false, false}, {true, false}, {true, true}};
  for (std::size_t i = 0; i < events.size(); ++i) {
    EXPECT_EQ(std::make_pair(events[i].dtr, events[i].rts), expected[i]) << i;
    EXPECT_EQ(events[i].settings.baudRate, 9600u);
  }
  EXPECT_EQ(events[1].time, start);
  EXPECT_EQ(events[2].time, start + 250'000);
  EXPECT_EQ(events[8].time, start + 250'000);
}

TEST_F(SimReset, OnePulseIsNotEnoughAndTheHeldDeviceIsDeaf) {
  Rig rig("");
  rig.device->Apply(AppLine(false, true));
  EXPECT_EQ(rig.sim->State(), RunState::HeldInReset);
  EXPECT_TRUE(Talk(*rig.device, Text("S{10,3}")).empty());
  rig.device->Apply(AppLine(false, false));
  rig.device->Apply(AppLine(true, false));
  EXPECT_EQ(rig.sim->State(), RunState::Application);
  // Pulses before the reset was taken do not count.
  rig.device->Apply(AppLine(true, true));
  rig.device->Apply(AppLine(true, false));
  rig.device->Apply(AppLine(true, true));
  rig.device->Apply(AppLine(false, true));
  rig.device->Apply(AppLine(false, false));
  rig.device->Apply(AppLine(true, false));
  EXPECT_EQ(rig.sim->State(), RunState::Application);
  // Three pulses are as good as two.
  Play(*rig.device, LoaderLine(), {{true, true, 250}, {false, true}, {false, false}, {false, true}, {false, false}, {false, true},
                                   {false, false}, {true, true}});
  EXPECT_EQ(rig.sim->State(), RunState::Loader);
}

TEST_F(SimReset, ResetDropsAReplyNotYetSent) {
  Rig rig("delay=100");
  rig.device->Apply(AppLine());
  rig.device->Write(Text("S{10,3}").data(), 7);
  platform::CurrentClock()->Sleep(50);
  rig.device->Apply(AppLine(false, true));
  rig.device->Apply(AppLine(true, true));
  platform::CurrentClock()->Sleep(100);
  EXPECT_EQ(rig.device->InputWaiting(), 0u);
}

TEST_F(SimReset, AnErasedDeviceStaysSilentUntilProgrammed) {
  Rig rig("blank=1");
  EXPECT_EQ(rig.sim->State(), RunState::Silent);
  rig.device->Apply(AppLine());
  EXPECT_TRUE(Talk(*rig.device, Text("S{10,3}")).empty());
  RestartNormally(*rig.device);
  EXPECT_EQ(rig.sim->State(), RunState::Silent);
  // Programming a reset vector through the loader brings the application to life.
  EnterLoader(*rig.device);
  ASSERT_EQ(Password(*rig.device), Bytes{0x90});
  ASSERT_EQ(Command(*rig.device, 0x12, 0xFFFE, 2, {0x00, 0x40}), Bytes{0x90});
  RestartNormally(*rig.device);
  EXPECT_EQ(rig.sim->State(), RunState::Application);
}

TEST_F(SimReset, LoadingTheResetVectorIntoTheProgramCounterStartsTheApplication) {
  LoaderRig rig("");
  ASSERT_EQ(Command(*rig.device, 0x12, 0xFFFE, 2, {0x00, 0x50}), Bytes{0x90});
  ASSERT_EQ(Command(*rig.device, 0x1A, 0x5000, 0), Bytes{0x90});
  EXPECT_EQ(rig.sim->State(), RunState::Application);
}

TEST_F(SimReset, CableStaysPluggedInAcrossOpensWhenTheCloseKeepsTheLines) {
  Rig rig("");
  platform::LineSettings keep = LoaderLine();
  keep.hangUpOnClose = false;
  rig.device->Apply(keep);
  EnterLoader(*rig.device);
  rig.device->Apply(keep);
  rig.device.reset();
  EXPECT_FALSE(rig.sim->IsOpen());
  auto again = rig.sim->Open();
  ASSERT_TRUE(again.device);
  EXPECT_EQ(rig.sim->State(), RunState::Loader);
  again.device->Apply(LoaderLine());
  EXPECT_EQ(Talk(*again.device, {0x80}), Bytes{0x90});
}

TEST_F(SimReset, AClosingPortDropsItsLinesAndTheNextOpenBootsTheFirmware) {
  Rig rig("");
  rig.device->Apply(LoaderLine());
  EnterLoader(*rig.device);
  rig.device.reset();  // a tty's default: DTR and RTS drop as it closes
  EXPECT_EQ(rig.sim->State(), RunState::HeldInReset);
  auto again = rig.sim->Open();  // the open raises them: a plain restart
  ASSERT_TRUE(again.device);
  EXPECT_EQ(rig.sim->State(), RunState::Application);
  again.device->Apply(AppLine());
  EXPECT_TRUE(Talk(*again.device, Text("S{10,3}")).empty());
  platform::CurrentClock()->Sleep(500);
  EXPECT_EQ(AsText(Talk(*again.device, Text("S{10,3}"))), "[Quorrel Apex]\r\n");
  EXPECT_EQ(rig.sim->LineEvents().size(), 11u);  // opens and closes are not Applies
}

}  // namespace
