// Whole-run holds of a port: lock files in a folder of the test's own.

#include "platform/port_hold.h"

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

#include "platform/lock_file.h"
#include "platform/port_identity.h"
#include "platform/port_names.h"
#include "platform/serial_device.h"
#include "platform/pty_pair.h"
#include "support/in_process_scheme.h"
#include "support/lock_folder.h"

namespace {

namespace fs = std::filesystem;
using testing_support::PtyPair;

class PortHoldTest : public ::testing::Test {
 protected:
  PortHoldTest() { testing_support::RegisterInProcessScheme(); }
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
  static void WriteBinaryLock(const fs::path& path, pid_t pid) {
    const std::int32_t number = pid;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(&number), sizeof number);
  }
  // Runs `check` in a child process as an ordinary user (nobody, when the
  // tests run as root, whom the system refuses nothing); its exit status
  // comes back: 0 when the check held, 77 when no such user could be had.
  static int AsOrdinaryUser(const std::function<int()>& check) {
    const pid_t child = ::fork();
    if (child == 0) {
      constexpr uid_t kNobody = 65534;
      if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) {
        ::_exit(77);
      }
      ::_exit(check());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
  }

  testing_support::ScopedLockFolder lockFolder_{"lock"};
  const fs::path& folder_ = lockFolder_.Path();
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

TEST_F(PortHoldTest, NetworkPortsAreLockedByHostAndPortAndInProcessOnesInProcess) {
  {
    auto held = platform::HoldPort("rfc2217://127.0.0.1:4001");
    ASSERT_TRUE(held.value);
    EXPECT_TRUE(fs::exists(folder_ / "LCK..rfc2217_127.0.0.1_4001"));
  }
  EXPECT_FALSE(fs::exists(folder_ / "LCK..rfc2217_127.0.0.1_4001"));
  auto sim = platform::HoldPort("inproc:model=Tern");
  EXPECT_TRUE(sim.value);
  EXPECT_TRUE(fs::is_empty(folder_));
}

// The lock folder is world-writable and the program often runs as root: a
// link planted where it makes a file is never written through.
TEST_F(PortHoldTest, ALinkPlantedWhereALockIsMadeIsNeverWrittenThrough) {
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  const fs::path precious = folder_ / "precious";
  std::ofstream(precious) << "keep me\n";
  const fs::path lock = LockOf(pty.slavePath());
  const fs::path temporary = lock.string() + ".tmp" + std::to_string(::getpid());
  fs::create_symlink(precious, temporary);
  fs::create_symlink(precious, lock);  // no lock: a link names no process
  {
    auto held = platform::HoldPort(pty.slavePath());
    ASSERT_TRUE(held.value) << held.detail;
    EXPECT_FALSE(fs::is_symlink(lock));
    EXPECT_EQ(std::stol(Contents(lock)), ::getpid());
  }
  EXPECT_EQ(Contents(precious), "keep me\n");
  EXPECT_TRUE(fs::is_symlink(temporary));
  EXPECT_FALSE(fs::exists(lock));
}

TEST_F(PortHoldTest, AMissingLockFolderOrOneThatIsNoFolderRefusesTheRunNamingIt) {
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  const fs::path file = folder_ / "a-file";
  std::ofstream(file) << "";
  for (const auto& [folder, problem] : {std::pair{folder_ / "missing", "does not exist"},
                                        std::pair{file, "is not a folder"}}) {
    ::setenv("QUORREL_LOCK_DIR", folder.c_str(), 1);
    const auto held = platform::HoldPort(pty.slavePath());
    EXPECT_FALSE(held.value);
    EXPECT_EQ(held.error, platform::Error::LockFolderUnusable);
    EXPECT_NE(held.detail.find(folder.string()), std::string::npos) << held.detail;
    // An open outside a hold is refused alike: a run never goes on unlocked.
    const platform::OpenResult opened = platform::OpenSerialDevice(pty.slavePath());
    EXPECT_FALSE(opened.device);
    EXPECT_EQ(opened.error, platform::Error::LockFolderUnusable);
    EXPECT_NE(platform::DescribeOpenError(opened.error).find("QUORREL_LOCK_DIR"), std::string::npos);
    const auto found = platform::CheckLockFolder(pty.slavePath());
    ASSERT_TRUE(found);
    EXPECT_EQ(found->folder, folder.string());
    EXPECT_NE(found->problem.find(problem), std::string::npos) << found->problem;
    // A port of this process needs no lock.
    EXPECT_FALSE(platform::CheckLockFolder("inproc:model=Tern"));
    EXPECT_TRUE(platform::HoldPort("inproc:model=Tern").value);
  }
}

TEST_F(PortHoldTest, ALockFolderThisUserMayNotWriteRefusesTheRun) {
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  fs::permissions(folder_, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                               fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
  const std::string port = "rfc2217://127.0.0.1:4001";  // no device to open as another user
  const int status = AsOrdinaryUser([&] {
    const auto held = platform::HoldPort(port);
    const auto found = platform::CheckLockFolder(port);
    const bool refused = held.error == platform::Error::LockFolderUnusable && found &&
                         found->problem.find("may not write") != std::string::npos;
    return refused ? 0 : 1;
  });
  if (status == 77) GTEST_SKIP() << "no ordinary user to run as";
  EXPECT_EQ(status, 0);
  EXPECT_TRUE(fs::is_empty(folder_));
}

TEST_F(PortHoldTest, AnOlderProgramsBinaryLockNamesItsProcess) {
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  WriteBinaryLock(LockOf(pty.slavePath()), ::getppid());
  const auto held = platform::HoldPort(pty.slavePath());
  EXPECT_EQ(held.error, platform::Error::Busy);
  EXPECT_NE(held.detail.find("process " + std::to_string(::getppid())), std::string::npos) << held.detail;
  WriteBinaryLock(LockOf(pty.slavePath()), GoneProcess());
  EXPECT_TRUE(platform::HoldPort(pty.slavePath()).value);
}

TEST(LockOwner, TextOrFourBinaryBytesNameAProcessAndNothingElseDoes) {
  using platform::ParseLockOwner;
  EXPECT_EQ(ParseLockOwner("      1234\n"), 1234);
  EXPECT_EQ(ParseLockOwner("1234"), 1234);
  const std::int32_t binary = 1234;
  EXPECT_EQ(ParseLockOwner(std::string_view(reinterpret_cast<const char*>(&binary), sizeof binary)), 1234);
  for (const std::string_view bad : {std::string_view(""), std::string_view("0\n"), std::string_view("12 34\n"),
                                     std::string_view("-5"), std::string_view("99999999999\n"),
                                     std::string_view("\xFF\xFF\xFF\xFF", 4), std::string_view("\x01\x02\x03", 3)}) {
    EXPECT_FALSE(ParseLockOwner(bad)) << bad;
  }
}

TEST_F(PortHoldTest, AnEmptyLockIsBeingWrittenWhileYoungAndStaleOnceOld) {
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  const fs::path lock = LockOf(pty.slavePath());
  std::ofstream(lock).close();
  const auto young = platform::HoldPort(pty.slavePath());
  EXPECT_EQ(young.error, platform::Error::Busy);
  EXPECT_FALSE(platform::OpenSerialDevice(pty.slavePath()).device);
  fs::last_write_time(lock, fs::file_time_type::clock::now() - std::chrono::minutes(1));
  EXPECT_TRUE(platform::HoldPort(pty.slavePath()).value);
}

// Another user's live process cannot be signalled: it runs all the same.
TEST_F(PortHoldTest, ALockOfAnotherUsersLiveProcessIsNotStale) {
  fs::permissions(folder_, fs::perms::all | fs::perms::sticky_bit);
  const std::string port = "rfc2217://127.0.0.1:4001";
  WriteLock(folder_ / "LCK..rfc2217_127.0.0.1_4001", 1);  // init: never this user's
  const int status = AsOrdinaryUser([&] {
    const auto held = platform::HoldPort(port);
    return held.error == platform::Error::Busy && held.detail.find("process 1") != std::string::npos ? 0 : 1;
  });
  if (status == 77) GTEST_SKIP() << "no ordinary user to run as";
  EXPECT_EQ(status, 0);
  EXPECT_EQ(std::stol(Contents(folder_ / "LCK..rfc2217_127.0.0.1_4001")), 1);
}

TEST_F(PortHoldTest, AStaleLockThatCannotBeRemovedRefusesTheRun) {
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  fs::create_directories(LockOf(pty.slavePath()) / "inside");  // no lock, and it cannot be moved aside
  const auto held = platform::HoldPort(pty.slavePath());
  EXPECT_EQ(held.error, platform::Error::LockNotTaken);
  EXPECT_NE(held.detail.find(LockOf(pty.slavePath()).string()), std::string::npos) << held.detail;
  EXPECT_TRUE(fs::is_directory(LockOf(pty.slavePath()) / "inside"));
}

TEST_F(PortHoldTest, NamesOfOneNetworkAddressShareItsLock) {
  WriteLock(folder_ / "LCK..rfc2217_127.0.0.1_4001", ::getppid());
  for (const std::string host : {"127.0.0.1", "localhost", "LOCALHOST", "127.1", "[::ffff:127.0.0.1]"}) {
    const auto held = platform::HoldPort("rfc2217://" + host + ":4001");
    EXPECT_EQ(held.error, platform::Error::Busy) << host;
    EXPECT_NE(held.detail.find("process " + std::to_string(::getppid())), std::string::npos) << host;
  }
  EXPECT_TRUE(platform::HoldPort("rfc2217://127.0.0.1:4002").value);
  EXPECT_TRUE(platform::HoldPort("rfc2217://127.0.0.2:4001").value);
  // A name that does not resolve is refused as a port that does not open.
  const auto unknown = platform::HoldPort("rfc2217://no-such-host.invalid:4001");
  EXPECT_EQ(unknown.error, platform::Error::ConnectionFailed);
  EXPECT_NE(unknown.detail.find("no-such-host.invalid"), std::string::npos) << unknown.detail;
  EXPECT_EQ(platform::OpenSerialDevice("rfc2217://no-such-host.invalid:4001").error, platform::Error::ConnectionFailed);
}

TEST_F(PortHoldTest, TwoNamesOfOneDeviceAreOnePort) {
  using platform::IdentifyPortName;
  using platform::SameDevice;
  EXPECT_TRUE(SameDevice(IdentifyPortName("COM1"), IdentifyPortName("\\\\.\\COM1")));
  EXPECT_FALSE(SameDevice(IdentifyPortName("COM1"), IdentifyPortName("COM2")));
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  const fs::path link = folder_ / "by-id-link";
  fs::create_symlink(pty.slavePath(), link);
  EXPECT_TRUE(SameDevice(IdentifyPortName(pty.slavePath()), IdentifyPortName(link.string())));
  EXPECT_TRUE(SameDevice(IdentifyPortName("rfc2217://localhost:4001"), IdentifyPortName("rfc2217://127.1:4001")));
  EXPECT_FALSE(SameDevice(IdentifyPortName("rfc2217://localhost:4001"), IdentifyPortName("rfc2217://127.1:4002")));
  EXPECT_TRUE(SameDevice(IdentifyPortName("rfc2217://No-Such-Host.invalid:1"),
                         IdentifyPortName("rfc2217://no-such-host.INVALID:1")));
  EXPECT_TRUE(SameDevice(IdentifyPortName("inproc:model=Tern"), IdentifyPortName("inproc:model=Tern")));
  EXPECT_FALSE(SameDevice(IdentifyPortName("inproc:model=Tern"), IdentifyPortName("inproc:model=Apex")));
}

TEST(PortNames, TheLongFormWithItsPrefixAlreadyWrittenNamesTheSamePort) {
  EXPECT_EQ(platform::ResolvePortName(platform::FormDeviceName("\\\\.\\COM12")), "/dev/ttyS11");
  EXPECT_EQ(platform::ResolvePortName("\\\\.\\COM12"), platform::ResolvePortName("COM12"));
  EXPECT_EQ(platform::StripDevicePrefix(platform::FormDeviceName("\\\\.\\COM12")), "COM12");
}

}  // namespace
