// The loader faults a test can ask for, each at the occurrence it names.

#include <gtest/gtest.h>

#include "sim/sim_host.h"

namespace {

using namespace simtest;

class SimLoaderFault : public ::testing::Test {
 protected:
  platform::ScopedClock clock_{platform::MakeVirtualClock()};
};

Rig InLoader(const std::string& options) {
  Rig rig(options);
  rig.device->Apply(LoaderLine());
  EnterLoader(*rig.device);
  return rig;
}

TEST_F(SimLoaderFault, NoSync) {
  Rig always = InLoader("fault=no-sync");
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(Talk(*always.device, {0x80}, 100).empty());
  Rig second = InLoader("fault=no-sync@2");
  EXPECT_EQ(Talk(*second.device, {0x80}), Bytes{0x90});
  EXPECT_EQ(Talk(*second.device, Frame(0x18, 0xFF00, 0xA506)), Bytes{0x90});
  EXPECT_TRUE(Talk(*second.device, {0x80}).empty());
  EXPECT_EQ(Talk(*second.device, {0x80}), Bytes{0x90});
}

TEST_F(SimLoaderFault, NakAndFailAtTheNthCommandOfAKind) {
  Rig rig = InLoader("fault=erase-fail@2,fault=write-nak@3");
  EXPECT_EQ(Erase(*rig.device), Bytes{0x90});
  EXPECT_EQ(Erase(*rig.device), Bytes{0x70});
  EXPECT_EQ(Erase(*rig.device), Bytes{0x90});
  ASSERT_EQ(Password(*rig.device), Bytes{0x90});
  EXPECT_EQ(Command(*rig.device, 0x12, 0x8000, 2, {0xFE, 0xFE}), Bytes{0x90});
  EXPECT_EQ(Command(*rig.device, 0x14, 0x8000, 2).size(), 8u);  // reads do not count as writes
  EXPECT_EQ(Command(*rig.device, 0x12, 0x8002, 2, {0xFD, 0xFD}), Bytes{0x90});
  EXPECT_EQ(Command(*rig.device, 0x12, 0x8004, 2, {0xFC, 0xFC}), Bytes{0xA0});
  EXPECT_EQ(rig.sim->ReadMemory(0x8004, 2), (Bytes{0xFF, 0xFF}));  // the refused write did nothing
  EXPECT_EQ(Command(*rig.device, 0x12, 0x8004, 2, {0xFC, 0xFC}), Bytes{0x90});
}

TEST_F(SimLoaderFault, SpoiltDataFrames) {
  Rig rig = InLoader("fault=bad-checksum@1,fault=unequal-length@2,fault=oversize-frame@3");
  ASSERT_EQ(Erase(*rig.device), Bytes{0x90});
  ASSERT_EQ(Password(*rig.device), Bytes{0x90});

  const Bytes badSum = Command(*rig.device, 0x14, 0x0FFA, 2);
  ASSERT_EQ(badSum.size(), 8u);
  EXPECT_NE(Checksum(Bytes(badSum.begin(), badSum.begin() + 6)), static_cast<std::uint16_t>(badSum[6] | (badSum[7] << 8)));

  const Bytes unequal = Command(*rig.device, 0x14, 0x0FFA, 2);
  ASSERT_GE(unequal.size(), 4u);
  EXPECT_NE(unequal[2], unequal[3]);

  const Bytes oversize = Command(*rig.device, 0x14, 0x0FFA, 2);
  ASSERT_EQ(oversize.size(), 4u + 252u + 2u);
  EXPECT_EQ(oversize[2], 252);
  EXPECT_EQ(oversize[3], 252);

  EXPECT_EQ(ReadBlock(*rig.device, 0x0FFA, 2), (Bytes{0x01, 0x20}));  // the fourth is sound
}

TEST_F(SimLoaderFault, EarlyNakComesWhileTheFrameIsStillArriving) {
  Rig rig = InLoader("fault=early-nak@1");
  ASSERT_EQ(Talk(*rig.device, {0x80}), Bytes{0x90});
  const Bytes frame = Frame(0x18, 0xFF00, 0xA506);
  std::size_t sent = 0;
  // Byte by byte, stopping as soon as an answer waits.
  while (sent < frame.size() && rig.device->InputWaiting() == 0) rig.device->Write(&frame[sent++], 1);
  EXPECT_EQ(sent, 4u);
  EXPECT_EQ(TakeAll(*rig.device), Bytes{0xA0});
  EXPECT_TRUE(rig.sim->LoaderCommands().empty());
  EXPECT_EQ(Erase(*rig.device), Bytes{0x90});  // only the first frame
}

TEST_F(SimLoaderFault, LineGoesDeadAfterNBytes) {
  Rig rig = InLoader("fault=dead@11");
  EXPECT_EQ(Talk(*rig.device, {0x80}), Bytes{0x90});
  EXPECT_EQ(Talk(*rig.device, Frame(0x18, 0xFF00, 0xA506)), Bytes{0x90});  // bytes 2 to 11
  EXPECT_TRUE(Talk(*rig.device, {0x80}).empty());
  EXPECT_EQ(rig.sim->State(), sim::RunState::Dead);
  EnterLoader(*rig.device);  // no reset brings it back
  EXPECT_TRUE(Talk(*rig.device, {0x80}).empty());
  EXPECT_EQ(rig.sim->ReceivedBytes().back().fate, sim::ByteFate::Lost);
}

}  // namespace
