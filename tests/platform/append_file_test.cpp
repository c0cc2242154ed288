// A file that runs share for their records: the wait for another holder's
// lock is bounded on the program's clock, and a stop ends it early.

#include "platform/append_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/clock.h"
#include "platform/file_descriptor.h"

namespace {

namespace fs = std::filesystem;
using platform::LockResult;

class AppendFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = fs::temp_directory_path() / ("quorrel-append-" + std::to_string(::getpid()));
    fs::remove(path_);
  }
  void TearDown() override { fs::remove(path_); }
  platform::Micros Now() { return platform::CurrentClock()->Now(); }

  platform::ScopedClock clock_{platform::MakeVirtualClock()};
  fs::path path_;
};

TEST_F(AppendFileTest, AnotherHoldersLockIsWaitedForUntilTheBoundOrAStopAndTakenOnceLetGo) {
  auto opened = platform::AppendFile::Open(path_.string());
  ASSERT_TRUE(opened.ok()) << opened.detail;
  platform::AppendFile& file = *opened.value;
  // The lock belongs to an open file: another open of it stands for another process.
  const platform::FileDescriptor other(::open(path_.c_str(), O_RDWR));
  ASSERT_EQ(::flock(other.get(), LOCK_EX), 0);

  const platform::Micros start = Now();
  EXPECT_EQ(file.Lock(5000).outcome, LockResult::Outcome::Held);
  EXPECT_GE(Now() - start, 5'000'000);
  EXPECT_LT(Now() - start, 5'100'000);

  int asked = 0;
  const platform::Micros stopStart = Now();
  EXPECT_EQ(file.Lock(5000, [&] { return ++asked == 3; }).outcome, LockResult::Outcome::Stopped);
  EXPECT_LT(Now() - stopStart, 1'000'000);

  ASSERT_EQ(::flock(other.get(), LOCK_UN), 0);
  EXPECT_EQ(file.Lock(5000).outcome, LockResult::Outcome::Locked);
  ASSERT_TRUE(file.Append("{}\n").ok());
  ASSERT_TRUE(file.Sync().ok());
  EXPECT_EQ(file.LastByte(), '\n');
}

TEST_F(AppendFileTest, OnlyARegularFileOpens) {
  EXPECT_EQ(platform::AppendFile::Open(fs::temp_directory_path().string()).error, platform::Error::NotRegularFile);
  EXPECT_EQ(platform::AppendFile::Open("/dev/null").error, platform::Error::NotRegularFile);
  EXPECT_EQ(platform::AppendFile::Open((path_ / "no-folder" / "r.jsonl").string()).error, platform::Error::NotFound);
}

}  // namespace
