// Loader commands and block operations: field adjustments for odd addresses
// and lengths, the password, read-back verification and the patch entry.

#include <gtest/gtest.h>

#include <algorithm>

#include "bootloader/boot_loader.h"
#include "bootloader/fake_loader.h"
#include "platform/clock.h"

namespace {

using bootloader::BootLoader;
using bltest::FakeLoader;
using bltest::Frame;
using Bytes = std::vector<std::uint8_t>;

constexpr const char* kPort = "fakeboot:commands";

class CommandsTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(boot_.Open(kPort, 300, 4), bootloader::kOk); }
  void SetBlock(const Bytes& bytes) { std::copy(bytes.begin(), bytes.end(), boot_.blockData.begin()); }

  platform::ScopedClock clock_{platform::MakeVirtualClock()};
  std::shared_ptr<FakeLoader> loader_ = bltest::AttachFakeLoader(kPort);
  BootLoader boot_{nullptr};
};

TEST_F(CommandsTest, WriteOfThreeBytesAtAnEvenAddressGetsATrailingFF) {
  SetBlock({0x11, 0x22, 0x33});
  ASSERT_EQ(boot_.ProgramBlock(0x2000, 3, bootloader::kActionProgram), bootloader::kOk);
  ASSERT_EQ(loader_->frames.size(), 1u);
  const Frame& frame = loader_->frames[0];
  EXPECT_EQ(frame.command, 0x12);
  EXPECT_EQ(frame.address, 0x2000);
  EXPECT_EQ(frame.length, 4);
  EXPECT_EQ(frame.data, (Bytes{0x11, 0x22, 0x33, 0xFF}));
  EXPECT_EQ(loader_->FrameBytes()[2], 8);  // L = 4 field bytes + 4 data bytes
}

TEST_F(CommandsTest, WriteAtAnOddAddressStartsOneLowerBehindAnFF) {
  SetBlock({0x11, 0x22, 0x33});
  ASSERT_EQ(boot_.ProgramBlock(0x2001, 3, bootloader::kActionProgram), bootloader::kOk);
  const Frame& frame = loader_->frames.at(0);
  EXPECT_EQ(frame.address, 0x2000);
  EXPECT_EQ(frame.length, 4);
  EXPECT_EQ(frame.data, (Bytes{0xFF, 0x11, 0x22, 0x33}));
  // Odd address and even length: a pad byte at each end.
  ASSERT_EQ(boot_.ProgramBlock(0x3001, 2, bootloader::kActionProgram), bootloader::kOk);
  EXPECT_EQ(loader_->frames.at(1).address, 0x3000);
  EXPECT_EQ(loader_->frames.at(1).data, (Bytes{0xFF, 0x11, 0x22, 0xFF}));
  // The caller's block is left as it was.
  EXPECT_EQ(Bytes(boot_.blockData.begin(), boot_.blockData.begin() + 4), (Bytes{0x11, 0x22, 0x33, 0x00}));
}

TEST_F(CommandsTest, ReadAtAnOddAddressAsksFromTheByteBelow) {
  loader_->memory[0x4000] = 0xAA;
  loader_->memory[0x4001] = 0x01;
  loader_->memory[0x4002] = 0x02;
  loader_->memory[0x4003] = 0x03;
  SetBlock({0x01, 0x02, 0x03});
  EXPECT_EQ(boot_.CheckBlock(0x4001, 3), bootloader::kOk);
  const Frame& frame = loader_->frames.at(0);
  EXPECT_EQ(frame.command, 0x14);
  EXPECT_EQ(frame.address, 0x4000);
  EXPECT_EQ(frame.length, 4);
  EXPECT_TRUE(frame.data.empty());

  loader_->memory[0x4003] = 0x04;
  EXPECT_EQ(boot_.CheckBlock(0x4001, 3), bootloader::kVerifyMismatch);
  // Even address, odd length: one more byte is asked for.
  EXPECT_EQ(boot_.CheckBlock(0x4002, 1), bootloader::kVerifyMismatch);
  EXPECT_EQ(loader_->frames.back().length, 2);
}

TEST_F(CommandsTest, ProgramAndVerifyAtAnOddAddressPasses) {
  SetBlock({0x10, 0x20, 0x30, 0x40, 0x50});
  EXPECT_EQ(boot_.ProgramBlock(0x5003, 5, bootloader::kActionProgram | bootloader::kActionVerify),
            bootloader::kOk);
  EXPECT_EQ(Bytes(loader_->memory.begin() + 0x5002, loader_->memory.begin() + 0x5009),
            (Bytes{0xFF, 0x10, 0x20, 0x30, 0x40, 0x50, 0xFF}));
  ASSERT_EQ(loader_->frames.size(), 2u);
  EXPECT_EQ(loader_->frames[1].command, 0x14);
}

TEST_F(CommandsTest, AReadBackShorterThanTheBlockIsAMismatch) {
  SetBlock({0xFF, 0xFF, 0xFF, 0xFF});
  loader_->answer = [](const Frame& f) {
    return f.command == 0x14 ? std::optional<Bytes>(FakeLoader::DataFrame({0xFF, 0xFF})) : std::nullopt;
  };
  EXPECT_EQ(boot_.CheckBlock(0x6000, 4), bootloader::kVerifyMismatch);
}

TEST_F(CommandsTest, VerifyOnlySendsNoWrite) {
  SetBlock({0xFF, 0xFF});
  EXPECT_EQ(boot_.ProgramBlock(0x6000, 2, bootloader::kActionVerify), bootloader::kOk);
  ASSERT_EQ(loader_->frames.size(), 1u);
  EXPECT_EQ(loader_->frames[0].command, 0x14);
  EXPECT_EQ(boot_.ProgramBlock(0x6000, 2, 0), bootloader::kOk);
  EXPECT_EQ(loader_->frames.size(), 1u);
}

TEST_F(CommandsTest, PasswordIsThirtyTwoFillBytesAtFFE0) {
  ASSERT_EQ(boot_.SendPassword(), bootloader::kOk);
  const Frame& first = loader_->frames.at(0);
  EXPECT_EQ(first.command, 0x10);
  EXPECT_EQ(first.address, 0xFFE0);
  EXPECT_EQ(first.length, 0x20);
  EXPECT_EQ(first.data, Bytes(32, 0xFF));
  EXPECT_EQ(loader_->FrameBytes()[2], 36);

  boot_.SetPasswordFill(0x5A);
  ASSERT_EQ(boot_.SendPassword(), bootloader::kOk);
  EXPECT_EQ(loader_->frames.at(1).data, Bytes(32, 0x5A));
}

TEST_F(CommandsTest, AFailedSyncSendsNoFrame) {
  loader_->syncAnswer.reset();
  SetBlock({1, 2});
  EXPECT_EQ(boot_.ProgramBlock(0x7000, 2, bootloader::kActionProgram), bootloader::kSyncFailed);
  EXPECT_EQ(boot_.SendPassword(), bootloader::kSyncFailed);
  EXPECT_EQ(boot_.Command(0x18, 0xFF00, 0xA506, nullptr, nullptr), bootloader::kSyncFailed);
  EXPECT_TRUE(loader_->FrameBytes().empty());
  EXPECT_EQ(loader_->written, Bytes(9, 0x80));
}

TEST_F(CommandsTest, WithThePatchLoadedEveryBlockCommandEntersItFirst) {
  boot_.patchLoaded = 1;
  SetBlock({1, 2, 3, 4});
  ASSERT_EQ(boot_.ProgramBlock(0x8000, 4, bootloader::kActionProgram | bootloader::kActionVerify),
            bootloader::kOk);
  ASSERT_EQ(loader_->frames.size(), 4u);
  const std::vector<std::uint8_t> commands{loader_->frames[0].command, loader_->frames[1].command,
                                           loader_->frames[2].command, loader_->frames[3].command};
  EXPECT_EQ(commands, (std::vector<std::uint8_t>{0x1A, 0x12, 0x1A, 0x14}));
  EXPECT_EQ(loader_->frames[0].address, 0x0220);
  EXPECT_EQ(loader_->frames[0].length, 0);
  EXPECT_EQ(loader_->frames[2].address, 0x0220);
  // Each command has its own sync.
  EXPECT_EQ(loader_->SyncBytes(), 4u);
}

TEST_F(CommandsTest, AFailedPatchEntryStopsTheBlock) {
  boot_.patchLoaded = 1;
  loader_->answer = [](const Frame& f) { return f.command == 0x1A ? std::optional<Bytes>(Bytes{0x70}) : std::nullopt; };
  EXPECT_EQ(boot_.ProgramBlock(0x8000, 2, bootloader::kActionProgram), bootloader::kCommandFailed);
  EXPECT_EQ(boot_.CheckBlock(0x8000, 2), bootloader::kCommandFailed);
  EXPECT_EQ(loader_->frames.size(), 2u);
}

TEST_F(CommandsTest, ABlockTooLargeForAFrameIsRefusedUnsent) {
  EXPECT_EQ(boot_.Command(0x12, 0x1000, 251, boot_.blockData.data(), nullptr), bootloader::kBadReply);
  EXPECT_EQ(boot_.Command(0x12, 0x1001, 250, boot_.blockData.data(), nullptr), bootloader::kBadReply);
  EXPECT_EQ(boot_.Command(0x12, 0x1000, 4, nullptr, nullptr), bootloader::kBadReply);
  EXPECT_TRUE(loader_->written.empty());
  EXPECT_EQ(boot_.Command(0x12, 0x1000, 250, boot_.blockData.data(), nullptr), bootloader::kOk);
  EXPECT_EQ(loader_->frames.at(0).data.size(), 250u);
}

}  // namespace
