// Whole-run holds of a port: lock files in a folder of the test's own.

#include "platform/port_hold.h"

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/port_names.h"
#include "platform/pty_pair.h"

namespace {

namespace fs = std::filesystem;
using testing_support::PtyPair;

class PortHoldTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("quorrel-lock-" + std::to_string(::getpid()));
    fs::create_directories(folder_);
    ::setenv("QUORREL_LOCK_DIR", folder_.c_str(), 1);
  }
  void TearDown() override {
    ::unsetenv("QUORREL_LOCK_DIR");
    fs::remove_all(folder_);
  }
  fs::path LockOf(const std::string& slavePath) const {
    return folder_ / ("LCK.." + fs::path(slavePath).filename().string());
  }
  static void WriteLock(const fs::path& path, pid_t pid) {
    std::ofstream(path) << "      " << pid << "\n";
  }
  static std::string Contents(const fs::path& path) {
    std::ifstream file(path);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  }
  // A process that has ended: its number names no one.
  static pid_t GoneProcess() {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
  }

  fs::path folder_;
};

TEST_F(PortHoldTest, AHoldWritesTheLockNamingThisProcessNestsAndGoesWithTheLastHold) {
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  {
    auto outer = platform::HoldPort(pty.slavePath());
    ASSERT_TRUE(outer.value);
    char expected[16];
    std::snprintf(expected, sizeof expected, "%10d\n", static_cast<int>(::getpid()));
    EXPECT_EQ(Contents(LockOf(pty.slavePath())), expected);
    {
      auto inner = platform::HoldPort(pty.slavePath());
      EXPECT_TRUE(inner.value);
      // This process opens its own held port between the phases of its run.
      EXPECT_TRUE(platform::OpenSerialDevice(pty.slavePath()).device);
    }
    EXPECT_TRUE(fs::exists(LockOf(pty.slavePath())));
  }
  EXPECT_FALSE(fs::exists(LockOf(pty.slavePath())));
}

TEST_F(PortHoldTest, APortHeldByAnotherLiveProcessIsRefusedAndTheOpenNamesIt) {
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  const pid_t other = ::getppid();  // alive for as long as the test runs
  WriteLock(LockOf(pty.slavePath()), other);
  const auto held = platform::HoldPort(pty.slavePath());
  EXPECT_FALSE(held.value);
  EXPECT_EQ(held.error, platform::Error::Busy);
  EXPECT_NE(held.detail.find("process " + std::to_string(other)), std::string::npos) << held.detail;
  const platform::OpenResult opened = platform::OpenSerialDevice(pty.slavePath());
  EXPECT_FALSE(opened.device);
  EXPECT_EQ(opened.error, platform::Error::Busy);
  EXPECT_NE(opened.detail.find("process " + std::to_string(other)), std::string::npos) << opened.detail;
  EXPECT_TRUE(fs::exists(LockOf(pty.slavePath())));  // never ours to remove
}

TEST_F(PortHoldTest, AStaleLockOrOneThatNamesNoProcessIsTakenOver) {
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  for (const std::string& stale : {std::to_string(GoneProcess()), std::string("garbage")}) {
    std::ofstream(LockOf(pty.slavePath())) << stale << "\n";
    EXPECT_TRUE(platform::OpenSerialDevice(pty.slavePath()).device);
    auto held = platform::HoldPort(pty.slavePath());
    ASSERT_TRUE(held.value) << stale;
    EXPECT_EQ(std::stol(Contents(LockOf(pty.slavePath()))), ::getpid());
  }
}

TEST_F(PortHoldTest, NetworkPortsAreLockedByHostAndPortAndSimulatedOnesInProcess) {
  {
    auto held = platform::HoldPort("rfc2217://127.0.0.1:4001");
    ASSERT_TRUE(held.value);
    EXPECT_TRUE(fs::exists(folder_ / "LCK..rfc2217_127.0.0.1_4001"));
  }
  EXPECT_FALSE(fs::exists(folder_ / "LCK..rfc2217_127.0.0.1_4001"));
  auto sim = platform::HoldPort("sim:model=Tern");
  EXPECT_TRUE(sim.value);
  EXPECT_TRUE(fs::is_empty(folder_));
}

TEST(PortNames, TheLongFormWithItsPrefixAlreadyWrittenNamesTheSamePort) {
  EXPECT_EQ(platform::ResolvePortName(platform::FormDeviceName("\\\\.\\COM12")), "/dev/ttyS11");
  EXPECT_EQ(platform::ResolvePortName("\\\\.\\COM12"), platform::ResolvePortName("COM12"));
  EXPECT_EQ(platform::StripDevicePrefix(platform::FormDeviceName("\\\\.\\COM12")), "COM12");
}

}  // namespace
