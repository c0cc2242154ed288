// The bootstrap loader: sync, frame checks, the password lock, the five
// commands, the flash rule and the old loader's need for the patch.

#include <gtest/gtest.h>

#include "sim/sim_host.h"

namespace {

using namespace simtest;

class SimLoader : public ::testing::Test {
 protected:
  platform::ScopedClock clock_{platform::MakeVirtualClock()};
};

Bytes PatchImage(std::size_t bodySize = 64) {
  Bytes patch{0x31, 0x40, 'Q', 'R', 'L', 'P', static_cast<std::uint8_t>(bodySize & 0xFF),
              static_cast<std::uint8_t>(bodySize >> 8)};
  for (std::size_t i = 0; i < bodySize; ++i) patch.push_back(static_cast<std::uint8_t>(i * 11 + 1));
  const std::uint16_t check = Checksum(patch);
  patch.push_back(static_cast<std::uint8_t>(check & 0xFF));
  patch.push_back(static_cast<std::uint8_t>(check >> 8));
  return patch;
}

TEST_F(SimLoader, MassEraseFrameIsAcceptedAndWipesFlashAndSerialNumber) {
  Rig rig("serial=QRA1112223");
  rig.device->Apply(LoaderLine());
  EnterLoader(*rig.device);
  ASSERT_EQ(Talk(*rig.device, {0x80}), Bytes{0x90});
  const Bytes frame{0x80, 0x18, 0x04, 0x04, 0x00, 0xFF, 0x06, 0xA5, 0x7D, 0xB9};
  EXPECT_EQ(Frame(0x18, 0xFF00, 0xA506), frame);
  EXPECT_EQ(Talk(*rig.device, frame), Bytes{0x90});
  EXPECT_EQ(rig.sim->SerialNumber(), "");
  EXPECT_EQ(rig.sim->ReadMemory(0x1000, 256), Bytes(256, 0xFF));
  EXPECT_EQ(rig.sim->ReadMemory(0x4000, 0xC000), Bytes(0xC000, 0xFF));
  EXPECT_EQ(rig.sim->ReadMemory(0x0FFA, 2), (Bytes{0x01, 0x20}));  // the ROM stays
  const auto log = rig.sim->LoaderCommands();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].command, 0x18);
  EXPECT_EQ(log[0].address, 0xFF00);
  EXPECT_EQ(log[0].length, 0xA506);
  EXPECT_EQ(log[0].reply, 0x90);
}

TEST_F(SimLoader, OnlyNineHundredBaudEvenParityIsUnderstood) {
  Rig rig("");
  rig.device->Apply(LoaderLine());
  EnterLoader(*rig.device);
  rig.device->Apply(AppLine());
  EXPECT_TRUE(Talk(*rig.device, {0x80}).empty());
  rig.device->Apply(Line(9600, platform::Parity::None));
  EXPECT_TRUE(Talk(*rig.device, {0x80}).empty());  // garbled: not a sync byte
  rig.device->Apply(LoaderLine());
  EXPECT_EQ(Talk(*rig.device, {0x80}), Bytes{0x90});
}

TEST_F(SimLoader, BadFramesGetNotAcknowledged) {
  LoaderRig rig("");
  auto bad = [&](Bytes frame) {
    rig.device->Purge(platform::PurgeSide::Input);
    if (Talk(*rig.device, {0x80}) != Bytes{0x90}) return Bytes{};
    return Talk(*rig.device, frame);
  };
  Bytes frame = Frame(0x14, 0x0FFA, 2);
  frame.back() ^= 0x01;
  EXPECT_EQ(bad(frame), Bytes{0xA0});                                                  // checksum
  EXPECT_EQ(bad({0x80, 0x14, 0x05, 0x05}), Bytes{0xA0});                              // odd length
  EXPECT_EQ(bad({0x80, 0x14, 0x04, 0x06}), Bytes{0xA0});                              // unequal lengths
  EXPECT_EQ(bad({0x81}), Bytes{0xA0});                                                // no header
  EXPECT_EQ(Command(*rig.device, 0x16, 0x0000, 0), Bytes{0xA0});                      // unknown command
  EXPECT_EQ(Command(*rig.device, 0x18, 0xFF00, 0x0000), Bytes{0xA0});                 // erase without its key
  EXPECT_EQ(Command(*rig.device, 0x12, 0x0300, 4, {1, 2}), Bytes{0xA0});              // length disagrees
  EXPECT_EQ(Command(*rig.device, 0x14, 0x0300, 252), Bytes{0xA0});                    // reply too long
  // After all that, the loader still answers a good frame.
  EXPECT_EQ(ReadBlock(*rig.device, 0x0FFA, 2), (Bytes{0x01, 0x20}));
  EXPECT_EQ(rig.sim->LoaderCommands().size(), 2u + 4u + 1u);  // only well-formed frames are logged
}

TEST_F(SimLoader, PasswordLockGuardsWriteReadAndJumpButNotErase) {
  Rig rig("");
  rig.device->Apply(LoaderLine());
  EnterLoader(*rig.device);
  EXPECT_EQ(Command(*rig.device, 0x14, 0x0FFA, 2), Bytes{0xA0});
  EXPECT_EQ(Command(*rig.device, 0x12, 0x0300, 2, {1, 2}), Bytes{0xA0});
  EXPECT_EQ(Command(*rig.device, 0x1A, 0x0C22, 0), Bytes{0xA0});
  EXPECT_EQ(Password(*rig.device, 0xFF), Bytes{0xA0});  // the factory firmware's vectors are the password
  const Bytes vectors = rig.sim->ReadMemory(0xFFE0, 32);
  EXPECT_EQ(Command(*rig.device, 0x10, 0xFFE0, 32, vectors), Bytes{0x90});
  EXPECT_FALSE(rig.sim->LoaderLocked());
  EXPECT_EQ(ReadBlock(*rig.device, 0x0FFA, 2), (Bytes{0x01, 0x20}));

  // A restart of the loader locks it again; erase is allowed while locked and
  // makes the erased password (32 times FF) the right one.
  EXPECT_EQ(Command(*rig.device, 0x1A, 0x0C22, 0), Bytes{0x90});
  EXPECT_TRUE(rig.sim->LoaderLocked());
  EXPECT_EQ(Erase(*rig.device), Bytes{0x90});
  EXPECT_EQ(Password(*rig.device, 0x00), Bytes{0xA0});
  EXPECT_EQ(Password(*rig.device, 0xFF), Bytes{0x90});
}

TEST_F(SimLoader, WriteAndReadBlocksFollowTheFlashRule) {
  LoaderRig rig("");
  EXPECT_EQ(Command(*rig.device, 0x12, 0x8000, 4, {0x12, 0x34, 0xF0, 0xFF}), Bytes{0x90});
  EXPECT_EQ(ReadBlock(*rig.device, 0x8000, 4), (Bytes{0x12, 0x34, 0xF0, 0xFF}));
  // Programming only clears bits: a 1 over a 0 leaves the 0, and FF over a
  // programmed byte changes nothing; both are accepted.
  EXPECT_EQ(Command(*rig.device, 0x12, 0x8000, 4, {0x02, 0x34, 0x00, 0xFF}), Bytes{0x90});
  EXPECT_EQ(Command(*rig.device, 0x12, 0x8000, 4, {0xFF, 0xFF, 0x01, 0x7F}), Bytes{0x90});
  EXPECT_EQ(rig.sim->ReadMemory(0x8000, 4), (Bytes{0x02, 0x34, 0x00, 0x7F}));
  // Blocks move a word at a time: an odd address or length is refused.
  EXPECT_EQ(Command(*rig.device, 0x12, 0x8011, 2, {0x00, 0x00}), Bytes{0xA0});
  EXPECT_EQ(Command(*rig.device, 0x14, 0x8011, 2), Bytes{0xA0});
  EXPECT_EQ(Command(*rig.device, 0x14, 0x8010, 3), Bytes{0xA0});
  EXPECT_EQ(rig.sim->ReadMemory(0x8010, 2), (Bytes{0xFF, 0xFF}));
  // A jump carries its address and nothing else.
  EXPECT_EQ(Command(*rig.device, 0x1A, 0x0C22, 2), Bytes{0xA0});
  EXPECT_EQ(Command(*rig.device, 0x1A, 0x0C22, 0, {0x00, 0x00}), Bytes{0xA0});
  EXPECT_EQ(Command(*rig.device, 0x1A, 0x0C23, 0), Bytes{0xA0});
  EXPECT_EQ(rig.sim->State(), sim::RunState::Loader);
  // RAM is plain memory; ROM and unmapped space cannot be written.
  EXPECT_EQ(Command(*rig.device, 0x12, 0x0300, 2, {0x00, 0x00}), Bytes{0x90});
  EXPECT_EQ(Command(*rig.device, 0x12, 0x0300, 2, {0xAB, 0xCD}), Bytes{0x90});
  EXPECT_EQ(rig.sim->ReadMemory(0x0300, 2), (Bytes{0xAB, 0xCD}));
  EXPECT_EQ(Command(*rig.device, 0x12, 0x0C00, 2, {0x00, 0x00}), Bytes{0x70});
  EXPECT_EQ(Command(*rig.device, 0x12, 0x2000, 2, {0x00, 0x00}), Bytes{0x70});
  // A full 250-byte read: 80 00 FA FA, the data, a checksum over all of it.
  const Bytes answer = Command(*rig.device, 0x14, 0x0C00, 250);
  ASSERT_EQ(answer.size(), 256u);
  EXPECT_EQ((Bytes(answer.begin(), answer.begin() + 4)), (Bytes{0x80, 0x00, 0xFA, 0xFA}));
  EXPECT_EQ(Checksum(Bytes(answer.begin(), answer.end() - 2)),
            static_cast<std::uint16_t>(answer[254] | (answer[255] << 8)));
  EXPECT_EQ((Bytes(answer.begin() + 4, answer.end() - 2)), rig.sim->ReadMemory(0x0C00, 250));
}

TEST_F(SimLoader, TernHasLessFlash) {
  LoaderRig rig("model=Tern");
  EXPECT_EQ(Command(*rig.device, 0x12, 0x4000, 2, {0x00, 0x00}), Bytes{0x70});
  EXPECT_EQ(Command(*rig.device, 0x12, 0x8000, 2, {0x00, 0x00}), Bytes{0x90});
}

TEST_F(SimLoader, OldLoaderWritesFlashOnlyRightAfterThePatchRan) {
  LoaderRig rig("loader=0110");
  EXPECT_EQ(ReadBlock(*rig.device, 0x0FFA, 2), (Bytes{0x01, 0x10}));
  EXPECT_EQ(Command(*rig.device, 0x12, 0x8000, 2, {0x00, 0x00}), Bytes{0xA0});
  // The patch goes into RAM, which the old loader writes by itself.
  const Bytes patch = PatchImage();
  ASSERT_EQ(Command(*rig.device, 0x12, 0x0220, static_cast<std::uint16_t>(patch.size()), patch), Bytes{0x90});
  EXPECT_EQ(Command(*rig.device, 0x1A, 0x0220, 0), Bytes{0x90});
  EXPECT_EQ(Command(*rig.device, 0x12, 0x8000, 2, {0x11, 0x22}), Bytes{0x90});
  EXPECT_EQ(Command(*rig.device, 0x12, 0x8002, 2, {0x33, 0x44}), Bytes{0xA0});  // the jump is used up
  EXPECT_EQ(Command(*rig.device, 0x1A, 0x0220, 0), Bytes{0x90});
  EXPECT_EQ(ReadBlock(*rig.device, 0x8000, 2), (Bytes{0x11, 0x22}));
  EXPECT_EQ(Command(*rig.device, 0x12, 0x8002, 2, {0x33, 0x44}), Bytes{0xA0});  // a read came between
  EXPECT_EQ(rig.sim->ReadMemory(0x8000, 4), (Bytes{0x11, 0x22, 0xFF, 0xFF}));
}

TEST_F(SimLoader, NewLoaderNeedsNoPatch) {
  LoaderRig rig("loader=0111");
  EXPECT_EQ(Command(*rig.device, 0x12, 0x8000, 2, {0x00, 0x00}), Bytes{0x90});
}

TEST_F(SimLoader, JumpIntoADamagedPatchSilencesTheDeviceUntilReset) {
  LoaderRig rig("loader=0110");
  Bytes patch = PatchImage();
  patch[20] ^= 0x01;
  ASSERT_EQ(Command(*rig.device, 0x12, 0x0220, static_cast<std::uint16_t>(patch.size()), patch), Bytes{0x90});
  EXPECT_EQ(Command(*rig.device, 0x1A, 0x0220, 0), Bytes{0x90});
  EXPECT_EQ(rig.sim->State(), sim::RunState::Silent);
  EXPECT_TRUE(Talk(*rig.device, {0x80}).empty());
  EnterLoader(*rig.device);
  EXPECT_EQ(Talk(*rig.device, {0x80}), Bytes{0x90});
}

TEST_F(SimLoader, JumpToLoaderRestartKeepsRam) {
  LoaderRig rig("");
  ASSERT_EQ(Command(*rig.device, 0x12, 0x0400, 2, {0x5A, 0xA5}), Bytes{0x90});
  ASSERT_EQ(Command(*rig.device, 0x1A, 0x0C22, 0), Bytes{0x90});
  ASSERT_EQ(Password(*rig.device), Bytes{0x90});
  EXPECT_EQ(ReadBlock(*rig.device, 0x0400, 2), (Bytes{0x5A, 0xA5}));
}

}  // namespace
