// The image file run: blocks cut from the file, their addresses, the
// progress and the way a run ends.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "bootloader/boot_loader.h"
#include "bootloader/fake_loader.h"
#include "platform/clock.h"

namespace {

using bootloader::BootLoader;
using bltest::FakeLoader;
using bltest::Frame;
using Bytes = std::vector<std::uint8_t>;

constexpr const char* kPort = "fakeboot:filerun";

// Lines of `perLine` values counting up from `first`, CR LF ended.
std::string DataLines(std::size_t count, std::size_t perLine, std::uint8_t first = 0,
                      const char* lineEnd = "\r\n") {
  std::string text;
  std::uint8_t value = first;
  for (std::size_t done = 0; done < count;) {
    std::string line;
    for (std::size_t i = 0; i < perLine && done < count; ++i, ++done) {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%02X", value++);
      line += (line.empty() ? "" : " ") + std::string(hex);
    }
    text += line + lineEnd;
  }
  return text;
}

struct BlockWrite {
  std::uint16_t address;
  std::size_t size;
  friend bool operator==(const BlockWrite&, const BlockWrite&) = default;
};

class FileRunTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(boot_.Open(kPort, 300, 4), bootloader::kOk); }

  std::string WriteImage(const std::string& text) {
    const std::string path = ::testing::TempDir() + "bootloader_" +
                             ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".mbl";
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  std::vector<BlockWrite> Writes() const {
    std::vector<BlockWrite> writes;
    for (const Frame& f : loader_->frames) {
      if (f.command == 0x12) writes.push_back({f.address, f.data.size()});
    }
    return writes;
  }

  platform::ScopedClock clock_{platform::MakeVirtualClock()};
  std::shared_ptr<FakeLoader> loader_ = bltest::AttachFakeLoader(kPort);
  std::vector<std::int32_t> progress_;
  BootLoader boot_{[this](std::int32_t position) { progress_.push_back(position); }};
};

TEST_F(FileRunTest, ThreeHundredBytesAtF000GoAsTwoFortyAndSixty) {
  const std::string data = DataLines(300, 16);
  const std::string path = WriteImage("@F000\r\n" + data + "q\r\n");
  ASSERT_EQ(boot_.ProgramFile(path, bootloader::kActionProgram), bootloader::kOk);
  EXPECT_EQ(Writes(), (std::vector<BlockWrite>{{0xF000, 240}, {0xF0F0, 60}}));
  for (std::size_t i = 0; i < 300; ++i) {
    ASSERT_EQ(loader_->memory[0xF000 + i], static_cast<std::uint8_t>(i)) << i;
  }
  // The end line does not count towards the bytes read.
  EXPECT_EQ(boot_.bytesRead(), static_cast<std::int32_t>(7 + data.size()));
  ASSERT_FALSE(progress_.empty());
  EXPECT_EQ(progress_.front(), 7);
  EXPECT_EQ(progress_.back(), boot_.bytesRead());
  EXPECT_EQ(progress_.size(), 1u + 19u);
}

TEST_F(FileRunTest, NothingAfterTheEndLineIsReadOrSent) {
  const std::string path = WriteImage("@1000\r\n" + DataLines(4, 16) + "q\r\n@2000\r\n" + DataLines(4, 16));
  ASSERT_EQ(boot_.ProgramFile(path, bootloader::kActionProgram), bootloader::kOk);
  EXPECT_EQ(Writes(), (std::vector<BlockWrite>{{0x1000, 4}}));
  EXPECT_EQ(boot_.bytesRead(), 7 + 13);
}

TEST_F(FileRunTest, TheEndOfTheFileActsAsAnEndLine) {
  const std::string path = WriteImage("@1000\r\n" + DataLines(20, 16));
  ASSERT_EQ(boot_.ProgramFile(path, bootloader::kActionProgram), bootloader::kOk);
  EXPECT_EQ(Writes(), (std::vector<BlockWrite>{{0x1000, 20}}));
}

TEST_F(FileRunTest, ALineEndingInLineFeedAloneGivesAllItsBytes) {
  const std::string path = WriteImage("@1000\n" + DataLines(16, 16, 0, "\n") + "q\n");
  ASSERT_EQ(boot_.ProgramFile(path, bootloader::kActionProgram), bootloader::kOk);
  ASSERT_EQ(Writes(), (std::vector<BlockWrite>{{0x1000, 16}}));
  for (std::uint8_t i = 0; i < 16; ++i) EXPECT_EQ(loader_->memory[0x1000 + i], i);
}

TEST_F(FileRunTest, ASecondAddressLineReplacesTheFirst) {
  const std::string path = WriteImage("@1000\r\n@2000\r\n" + DataLines(16, 16) + "@3001\r\n" + DataLines(2, 16) + "q\r\n");
  ASSERT_EQ(boot_.ProgramFile(path, bootloader::kActionProgram), bootloader::kOk);
  EXPECT_EQ(Writes(), (std::vector<BlockWrite>{{0x2000, 16}, {0x3000, 4}}));
  EXPECT_EQ(loader_->memory[0x3001], 0x00);
  EXPECT_EQ(loader_->memory[0x3002], 0x01);
}

TEST_F(FileRunTest, AnAddressOfMoreThanFourDigitsKeepsItsLowSixteenBits) {
  const std::string path = WriteImage("@1C000\r\n" + DataLines(2, 16) + "q\r\n");
  ASSERT_EQ(boot_.ProgramFile(path, bootloader::kActionProgram), bootloader::kOk);
  EXPECT_EQ(Writes(), (std::vector<BlockWrite>{{0xC000, 2}}));
}

TEST_F(FileRunTest, AMissingFileGivesNinetySixAndSendsNothing) {
  EXPECT_EQ(boot_.ProgramFile(::testing::TempDir() + "no-such-image.mbl", bootloader::kActionProgram),
            bootloader::kFileNotOpened);
  EXPECT_TRUE(loader_->written.empty());
  EXPECT_TRUE(progress_.empty());
}

TEST_F(FileRunTest, AFileThatCannotBeReadWholeIsRefusedBeforeAnythingIsSent) {
  const std::vector<std::string> damaged{
      "@1000\r\n" + DataLines(32, 16) + "01 zz 03\r\n",  // not a hexadecimal value
      "@1000\r\n01 2 03\r\n",                             // one digit where two belong
      "@\r\n" + DataLines(4, 16),                          // an address line without a number
      "@1000\r\n" + DataLines(50, 50),                     // a line longer than the reader takes
  };
  for (const std::string& text : damaged) {
    const std::string path = WriteImage(text);
    EXPECT_EQ(boot_.ProgramFile(path, bootloader::kActionProgram), bootloader::kBadImageLine) << text;
  }
  EXPECT_TRUE(loader_->written.empty());
  EXPECT_TRUE(progress_.empty());
  // Damage after the end line is never read.
  const std::string path = WriteImage("@1000\r\n" + DataLines(2, 16) + "q\r\n01 zz\r\n");
  EXPECT_EQ(boot_.ProgramFile(path, bootloader::kActionProgram), bootloader::kOk);
}

TEST_F(FileRunTest, ALineThatWouldOverfillTheBlockStartsTheNextOne) {
  // Eight lines of 28 values reach 224, not yet past the threshold; the ninth
  // would carry the block past its room.
  const std::string path = WriteImage("@4000\r\n" + DataLines(9 * 28, 28) + "q\r\n");
  ASSERT_EQ(boot_.ProgramFile(path, bootloader::kActionProgram), bootloader::kOk);
  EXPECT_EQ(Writes(), (std::vector<BlockWrite>{{0x4000, 224}, {0x40E0, 28}}));
  for (std::size_t i = 0; i < 9 * 28; ++i) ASSERT_EQ(loader_->memory[0x4000 + i], static_cast<std::uint8_t>(i));
}

TEST_F(FileRunTest, TheRunStopsAtTheFirstFailingBlock) {
  int writes = 0;
  loader_->answer = [&writes](const Frame& f) {
    return f.command == 0x12 && ++writes == 2 ? std::optional<Bytes>(Bytes{0x70}) : std::nullopt;
  };
  const std::string data = DataLines(16 * 40, 16);
  const std::string path = WriteImage("@1000\r\n" + data + "q\r\n");
  EXPECT_EQ(boot_.ProgramFile(path, bootloader::kActionProgram), bootloader::kCommandFailed);
  EXPECT_EQ(Writes().size(), 2u);
  EXPECT_EQ(boot_.bytesRead(), 7 + 30 * 49);  // lines of 16 values are 49 characters
}

TEST_F(FileRunTest, VerifyingRunReadsEachBlockBack) {
  const std::string path = WriteImage("@0220\r\n" + DataLines(40, 16) + "q\r\n");
  ASSERT_EQ(boot_.ProgramFile(path, bootloader::kActionProgram | bootloader::kActionVerify), bootloader::kOk);
  std::vector<std::uint8_t> commands;
  for (const Frame& f : loader_->frames) commands.push_back(f.command);
  EXPECT_EQ(commands, (std::vector<std::uint8_t>{0x12, 0x14}));

  loader_->answer = [](const Frame& f) {
    return f.command == 0x14 ? std::optional<Bytes>(FakeLoader::DataFrame(Bytes(40, 0))) : std::nullopt;
  };
  EXPECT_EQ(boot_.ProgramFile(path, bootloader::kActionProgram | bootloader::kActionVerify),
            bootloader::kVerifyMismatch);
}

TEST_F(FileRunTest, FinishRestartsNormallyAndCloses) {
  loader_->applies.clear();
  EXPECT_EQ(boot_.Finish(), bootloader::kOk);
  ASSERT_EQ(loader_->applies.size(), 4u);
  EXPECT_FALSE(loader_->applies[2].settings.dtr);
  EXPECT_TRUE(loader_->applies[3].settings.dtr);
  EXPECT_FALSE(loader_->open);
  EXPECT_FALSE(boot_.IsOpen());
}

}  // namespace
