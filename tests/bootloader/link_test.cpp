// The link layer against the scripted loader: opening and closing, the reset
// line sequences, the sync byte, request frames and every kind of reply.

#include <gtest/gtest.h>

#include "bootloader/boot_loader.h"
#include "bootloader/fake_loader.h"
#include "platform/clock.h"

namespace {

using bootloader::BootLoader;
using bltest::FakeLoader;
using Bytes = std::vector<std::uint8_t>;

constexpr const char* kPort = "fakeboot:link";

class LinkTest : public ::testing::Test {
 protected:
  void OpenLink() {
    ASSERT_EQ(boot_.Open(kPort, 300, 4), bootloader::kOk);
    loader_->applies.clear();
    loader_->purges.clear();
  }
  platform::Micros Now() { return platform::CurrentClock()->Now(); }

  platform::ScopedClock clock_{platform::MakeVirtualClock()};
  std::shared_ptr<FakeLoader> loader_ = bltest::AttachFakeLoader(kPort);
  BootLoader boot_{nullptr};
};

TEST(BootLoaderChecksum, IsTheComplementOfTheWordXor) {
  const Bytes request{0x80, 0x18, 0x04, 0x04, 0x00, 0xFF, 0x06, 0xA5};
  EXPECT_EQ(BootLoader::Checksum(request.data(), request.size()), 0xB97D);
  Bytes many(200);
  for (std::size_t i = 0; i < many.size(); ++i) many[i] = static_cast<std::uint8_t>(i * 37 + 11);
  EXPECT_EQ(BootLoader::Checksum(many.data(), many.size()), FakeLoader::LoaderChecksum(many));
  EXPECT_EQ(BootLoader::Checksum(nullptr, 0), 0xFFFF);
}

TEST_F(LinkTest, ConstructionDefaults) {
  EXPECT_EQ(boot_.blockLimit, 240);
  EXPECT_EQ(boot_.byteTimeout(), 300u);
  EXPECT_EQ(boot_.replyFactor(), 10u);
  EXPECT_EQ(boot_.patchRequired, 0);
  EXPECT_EQ(boot_.patchLoaded, 0);
  EXPECT_EQ(boot_.loaderVersion, 0);
  EXPECT_EQ(boot_.replyData, (std::array<std::uint8_t, 250>{}));
  EXPECT_EQ(boot_.blockData, (std::array<std::uint8_t, 250>{}));
}

TEST_F(LinkTest, OpenSets9600EvenParityWithBothLinesOnAndPurges) {
  ASSERT_EQ(boot_.Open(kPort, 300, 4), bootloader::kOk);
  EXPECT_TRUE(loader_->open);
  EXPECT_EQ(boot_.lastError, 0);
  EXPECT_EQ(boot_.byteTimeout(), 300u);
  EXPECT_EQ(boot_.replyFactor(), 4u);
  ASSERT_EQ(loader_->applies.size(), 1u);
  const platform::LineSettings& s = loader_->applies[0].settings;
  EXPECT_EQ(s.baudRate, 9600u);
  EXPECT_EQ(s.dataBits, 8);
  EXPECT_EQ(s.parity, platform::Parity::Even);
  EXPECT_EQ(s.stopBits, platform::StopBits::One);
  EXPECT_TRUE(s.dtr);
  EXPECT_TRUE(s.rts);
  ASSERT_EQ(loader_->purges.size(), 2u);
  EXPECT_EQ(loader_->purges[0].side, platform::PurgeSide::Output);
  EXPECT_EQ(loader_->purges[1].side, platform::PurgeSide::Input);
}

TEST_F(LinkTest, OpenFailuresLeaveNothingOpen) {
  EXPECT_EQ(boot_.Open("fakeboot:nobody", 300, 4), bootloader::kOpenFailed);
  EXPECT_EQ(boot_.lastError, bootloader::kOpenFailed);
  EXPECT_FALSE(boot_.IsOpen());
  EXPECT_EQ(boot_.Open("", 300, 4), bootloader::kOpenFailed);

  loader_->refuseSettings = true;
  EXPECT_EQ(boot_.Open(kPort, 300, 4), bootloader::kSettingsRefused);
  EXPECT_EQ(boot_.lastError, bootloader::kSettingsRefused);
  EXPECT_FALSE(loader_->open);
  EXPECT_FALSE(boot_.IsOpen());
  EXPECT_EQ(boot_.Sync(), bootloader::kSyncFailed);
  EXPECT_TRUE(loader_->written.empty());
}

TEST_F(LinkTest, CloseDrainsPurgesAndLetsGo) {
  OpenLink();
  EXPECT_EQ(boot_.Close(), bootloader::kOk);
  EXPECT_EQ(loader_->drainWaits, 1);
  ASSERT_EQ(loader_->purges.size(), 2u);
  EXPECT_EQ(loader_->purges[0].side, platform::PurgeSide::Output);
  EXPECT_EQ(loader_->purges[1].side, platform::PurgeSide::Input);
  EXPECT_FALSE(loader_->open);
  EXPECT_EQ(boot_.Close(), bootloader::kCloseFailed);
  EXPECT_EQ(boot_.lastError, bootloader::kCloseFailed);
}

struct Lines {
  bool dtr, rts;
  friend bool operator==(const Lines&, const Lines&) = default;
};

std::vector<Lines> LinesOf(const std::vector<bltest::ApplyEvent>& applies) {
  std::vector<Lines> lines;
  for (const auto& apply : applies) lines.push_back({apply.settings.dtr, apply.settings.rts});
  return lines;
}

TEST_F(LinkTest, ResetIntoTheLoaderPlaysItsLineChanges) {
  OpenLink();
  const platform::Micros start = Now();
  boot_.Reset(true);
  // DTR on, RTS on, (250 ms), DTR off, RTS on, RTS off, RTS on, RTS off,
  // DTR on, RTS on, (250 ms): every change applies the whole record.
  const std::vector<Lines> expected{{true, true},   {true, true},  {false, true},
                                    {false, true},  {false, false}, {false, true},
                                    {false, false}, {true, false},  {true, true}};
  EXPECT_EQ(LinesOf(loader_->applies), expected);
  ASSERT_EQ(loader_->applies.size(), 9u);
  for (const auto& apply : loader_->applies) {
    EXPECT_EQ(apply.settings.baudRate, 9600u);
    EXPECT_EQ(apply.settings.parity, platform::Parity::Even);
  }
  // One 250 ms wait after the second change and one after the last.
  EXPECT_EQ(loader_->applies[1].time, start);
  EXPECT_EQ(loader_->applies[2].time, start + 250'000);
  EXPECT_EQ(loader_->applies[8].time, start + 250'000);
  ASSERT_EQ(loader_->purges.size(), 2u);
  EXPECT_EQ(loader_->purges[0].side, platform::PurgeSide::Output);
  EXPECT_EQ(loader_->purges[1].side, platform::PurgeSide::Input);
  EXPECT_EQ(loader_->purges[0].time, start + 500'000);
}

TEST_F(LinkTest, NormalRestartPlaysFourLineChanges) {
  OpenLink();
  const platform::Micros start = Now();
  boot_.Reset(false);
  EXPECT_EQ(LinesOf(loader_->applies), (std::vector<Lines>{{true, true}, {true, true}, {false, true}, {true, true}}));
  EXPECT_EQ(loader_->applies[2].time, start + 250'000);
  EXPECT_EQ(loader_->applies[3].time, start + 250'000);
  ASSERT_EQ(loader_->purges.size(), 2u);
  EXPECT_EQ(loader_->purges[0].time, start + 500'000);
}

TEST_F(LinkTest, SyncSucceedsOnTheFirstAnswer) {
  OpenLink();
  EXPECT_EQ(boot_.Sync(), bootloader::kOk);
  EXPECT_EQ(loader_->written, Bytes{0x80});
}

TEST_F(LinkTest, SyncGivesUpAfterThreeTriesOfOneHundredMilliseconds) {
  OpenLink();
  loader_->syncAnswer.reset();
  const platform::Micros start = Now();
  EXPECT_EQ(boot_.Sync(), bootloader::kSyncFailed);
  EXPECT_EQ(loader_->written, (Bytes{0x80, 0x80, 0x80}));
  // Each try waits until more than 100 ms have passed.
  EXPECT_EQ(Now() - start, 3 * 101'000);

  loader_->syncAnswer = 0x91;  // an answer, but not the right one
  loader_->written.clear();
  EXPECT_EQ(boot_.Sync(), bootloader::kSyncFailed);
  EXPECT_EQ(loader_->written.size(), 3u);
}

TEST_F(LinkTest, MassEraseGoesOutAsItsExactFrame) {
  OpenLink();
  ASSERT_EQ(boot_.Command(0x18, 0xFF00, 0xA506, nullptr, boot_.replyData.data()), bootloader::kOk);
  EXPECT_EQ(loader_->written, (Bytes{0x80, 0x80, 0x18, 0x04, 0x04, 0x00, 0xFF, 0x06, 0xA5, 0x7D, 0xB9}));
}

TEST_F(LinkTest, OddDataLengthIsPaddedWithFF) {
  OpenLink();
  Bytes data{0x01, 0x02, 0x03};
  ASSERT_EQ(boot_.Sync(), bootloader::kOk);
  ASSERT_EQ(boot_.Transact(0x10, data.data(), 3), bootloader::kOk);
  const Bytes sent = loader_->FrameBytes();
  ASSERT_EQ(sent.size(), 10u);
  EXPECT_EQ(Bytes(sent.begin(), sent.begin() + 8), (Bytes{0x80, 0x10, 0x04, 0x04, 0x01, 0x02, 0x03, 0xFF}));
  EXPECT_TRUE(loader_->frames.at(0).checksumGood);
  EXPECT_EQ(data, (Bytes{0x01, 0x02, 0x03}));
  // 255 bytes padded would not fit the length byte: refused unsent.
  Bytes tooMany(255, 0x11);
  const std::size_t before = loader_->written.size();
  EXPECT_EQ(boot_.Transact(0x10, tooMany.data(), 255), bootloader::kBadReply);
  EXPECT_EQ(loader_->written.size(), before);
}

TEST_F(LinkTest, ReplyKindsGoByTheHighFourBits) {
  OpenLink();
  const std::vector<std::pair<std::uint8_t, int>> cases{
      {0x90, bootloader::kOk},           {0x9F, bootloader::kOk},
      {0xA0, bootloader::kNotAcknowledged}, {0xA5, bootloader::kNotAcknowledged},
      {0x70, bootloader::kCommandFailed}, {0x7E, bootloader::kCommandFailed},
      {0x00, bootloader::kBadReply},     {0x55, bootloader::kBadReply}, {0xF0, bootloader::kBadReply}};
  for (const auto& [reply, result] : cases) {
    const std::uint8_t byte = reply;
    loader_->answer = [byte](const bltest::Frame&) { return std::optional<Bytes>(Bytes{byte}); };
    EXPECT_EQ(boot_.Command(0x1A, 0x0C22, 0, nullptr, nullptr), result) << int{reply};
    EXPECT_EQ(boot_.lastError, result) << int{reply};
  }
}

TEST_F(LinkTest, AnEarlyNotAcknowledgedStopsTheSending) {
  OpenLink();
  loader_->earlyReply = std::make_pair(std::size_t{3}, std::uint8_t{0xA0});
  EXPECT_EQ(boot_.Command(0x18, 0xFF00, 0xA506, nullptr, nullptr), bootloader::kNotAcknowledged);
  EXPECT_EQ(loader_->FrameBytes(), (Bytes{0x80, 0x18, 0x04}));
  // The next command goes out whole.
  EXPECT_EQ(boot_.Command(0x18, 0xFF00, 0xA506, nullptr, nullptr), bootloader::kOk);
  EXPECT_EQ(loader_->FrameBytes().size(), 3u + 10u);
}

TEST_F(LinkTest, NoReplyWithinByteTimeoutTimesFactorGivesSix) {
  OpenLink();
  loader_->replyDelay = 1'200'000;  // on the last millisecond of the wait: still in time
  EXPECT_EQ(boot_.Command(0x1A, 0x0C22, 0, nullptr, nullptr), bootloader::kOk);

  loader_->replyDelay = 1'202'000;
  const platform::Micros start = Now();
  EXPECT_EQ(boot_.Command(0x1A, 0x0C22, 0, nullptr, nullptr), bootloader::kNoReply);
  EXPECT_EQ(boot_.lastError, bootloader::kNoReply);
  EXPECT_EQ(Now() - start, 1'201'000);
}

TEST_F(LinkTest, ADataFrameIsCopiedIntoTheReplyArea) {
  OpenLink();
  loader_->memory[0x0FFA] = 0x01;
  loader_->memory[0x0FFB] = 0x20;
  ASSERT_EQ(boot_.Command(0x14, 0x0FFA, 2, nullptr, boot_.replyData.data()), bootloader::kOk);
  EXPECT_EQ(boot_.replyLength(), 2u);
  EXPECT_EQ(boot_.replyData[0], 0x01);
  EXPECT_EQ(boot_.replyData[1], 0x20);
  // An acknowledged command that follows leaves the reply area alone.
  ASSERT_EQ(boot_.Command(0x1A, 0x0C22, 0, nullptr, boot_.replyData.data()), bootloader::kOk);
  EXPECT_EQ(boot_.replyLength(), 0u);
  EXPECT_EQ(boot_.replyData[0], 0x01);
}

// Each way a data frame can break its rules gives 1.
TEST_F(LinkTest, BrokenDataFramesGiveOne) {
  OpenLink();
  Bytes good = FakeLoader::DataFrame({0x11, 0x22, 0x33, 0x44});
  Bytes secondNotZero = good;
  secondNotZero[1] = 0x01;
  Bytes unequalLengths = good;
  unequalLengths[3] = 0x05;
  Bytes badChecksum = good;
  badChecksum.back() ^= 0x01;
  Bytes missingBytes(good.begin(), good.end() - 1);
  Bytes missingHead{0x80, 0x00};
  for (const Bytes& reply : {secondNotZero, unequalLengths, badChecksum, missingBytes, missingHead}) {
    loader_->answer = [reply](const bltest::Frame&) { return std::optional<Bytes>(reply); };
    EXPECT_EQ(boot_.Command(0x14, 0x1000, 4, nullptr, nullptr), bootloader::kBadReply);
    EXPECT_EQ(boot_.lastError, bootloader::kBadReply);
  }
  loader_->answer = [good](const bltest::Frame&) { return std::optional<Bytes>(good); };
  EXPECT_EQ(boot_.Command(0x14, 0x1000, 4, nullptr, nullptr), bootloader::kOk);
}

TEST_F(LinkTest, AnOverLongDataFrameIsRefusedAndNothingIsStored) {
  OpenLink();
  boot_.replyData.fill(0x5A);
  Bytes full(250, 0x33);
  loader_->answer = [full](const bltest::Frame&) { return std::optional<Bytes>(FakeLoader::DataFrame(full)); };
  ASSERT_EQ(boot_.Command(0x14, 0x1000, 250, nullptr, boot_.replyData.data()), bootloader::kOk);
  EXPECT_EQ(boot_.replyLength(), 250u);
  EXPECT_EQ(boot_.replyData.back(), 0x33);

  boot_.replyData.fill(0x5A);
  Bytes tooLong(251, 0x44);
  loader_->answer = [tooLong](const bltest::Frame&) { return std::optional<Bytes>(FakeLoader::DataFrame(tooLong)); };
  EXPECT_EQ(boot_.Command(0x14, 0x1000, 250, nullptr, boot_.replyData.data()), bootloader::kBadReply);
  EXPECT_EQ(boot_.replyLength(), 0u);
  std::array<std::uint8_t, 250> untouched{};
  untouched.fill(0x5A);
  EXPECT_EQ(boot_.replyData, untouched);
}

TEST_F(LinkTest, WaitInputReturnsAsSoonAsTheCountWaits) {
  OpenLink();
  loader_->Queue({1, 2, 3}, 40'000);
  const platform::Micros start = Now();
  EXPECT_EQ(boot_.WaitInput(2, 100), 3u);
  EXPECT_EQ(Now() - start, 40'000);
  EXPECT_EQ(boot_.WaitInput(5, 100), 3u);
  EXPECT_EQ(Now() - start, 40'000 + 101'000);
}

}  // namespace
