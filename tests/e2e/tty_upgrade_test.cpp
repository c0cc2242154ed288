// Whole runs of the terminal front end over a tty: a pseudo-terminal whose
// driver now and then has no room for a write, as a busy USB adapter; an
// adapter pulled out mid-run; a second run on a device a run holds.

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "cli/captured_run.h"
#include "cli/exit_codes.h"
#include "support/pty_sim_bridge.h"
#include "support/child_process.h"
#include "platform/clock.h"
#include "platform/port_hold.h"
#include "support/image_bytes.h"
#include "support/lock_folder.h"

namespace {

namespace fs = std::filesystem;

const fs::path kData = fs::path(QUORREL_SOURCE_DIR) / "data";
constexpr const char* kImage = "Image/Apex/QRA0203.mbl";


class TtyUpgrade : public ::testing::Test {
 protected:
  void SetUp() override {
    previousDir_ = fs::current_path();
    fs::current_path(kData);
  }
  void TearDown() override { fs::current_path(previousDir_); }

  int Run(const std::string& port) {
    cli::Options options;
    options.ports = {port};
    options.image = kImage;
    options.languageId = 1033;
    const cli::testing::CapturedRun run = cli::testing::RunCaptured(options);
    out_ = run.out;
    err_ = run.err;
    return run.code;
  }

  bool FlashHolds(sim::SimInterface& device) {
    for (const auto& [address, value] : testsupport::ReadImageBytes((kData / kImage).string()))
      if (device.ReadMemory(address, 1).at(0) != value) return false;
    return true;
  }

  testing_support::ScopedLockFolder lockFolder_{"tty-locks"};
  fs::path previousDir_;
  std::string out_;
  std::string err_;
};

// One write in 13 refused (EAGAIN), the others taking at most 16 bytes: the
// adapter's transfer buffers are busy now and then.
// Real time throughout: the port's watcher reads the tty as it fills, and the
// polls for replies must give it the time it takes.
TEST_F(TtyUpgrade, AWholeUpgradeThroughADriverThatRefusesWritesLosesNoByte) {
  e2etest::PtySimBridge bridge("model=Apex,serial=QRA2718281");
  ASSERT_TRUE(bridge.ok());
  std::atomic<int> calls{0};
  std::atomic<int> refused{0};
  const platform::ScopedTtyCalls seam(bridge.Calls(
      [&](const void* bytes, std::size_t count, const platform::TtyCalls::Writer& driver) -> std::ptrdiff_t {
        if (++calls % 13 == 0) {
          ++refused;
          errno = EAGAIN;
          return -1;
        }
        return driver(bytes, std::min<std::size_t>(count, 16));
      }));
  EXPECT_EQ(Run(bridge.PortName()), cli::kExitSuccess) << err_;
  EXPECT_TRUE(FlashHolds(bridge.Device()));
  EXPECT_EQ(bridge.Device().SerialNumber(), "QRA2718281");
  EXPECT_GT(refused.load(), 100);
  // Every frame arrived whole: the loader took each one as it was sent.
  for (const sim::LoaderCommand& command : bridge.Device().LoaderCommands()) EXPECT_NE(command.reply, 0xA0);
}

TEST_F(TtyUpgrade, AnAdapterPulledOutDuringTheEraseEndsAsASilentDeviceAndSaysSo) {
  e2etest::PtySimBridge bridge("model=Apex,serial=QRA1414213");
  ASSERT_TRUE(bridge.ok());
  std::atomic<bool> pulled{false};
  const platform::ScopedTtyCalls seam(bridge.Calls(
      [&](const void* bytes, std::size_t count, const platform::TtyCalls::Writer& driver) -> std::ptrdiff_t {
        // Pulled out as the third mass-erase frame goes out.
        if (!pulled && bridge.Device().LoaderCommands().size() == 2) {
          pulled = true;
          bridge.PullOut();
        }
        return driver(bytes, count);
      }));
  EXPECT_EQ(Run(bridge.PortName()), cli::kExitEraseFailed) << err_;
  EXPECT_TRUE(pulled.load());
  EXPECT_NE(err_.find("the device " + bridge.PortName() + " disappeared"), std::string::npos) << err_;
  EXPECT_EQ(err_.find("refused the line settings"), std::string::npos) << err_;
  EXPECT_EQ(bridge.Device().LoaderCommands().size(), 2u);
}

TEST_F(TtyUpgrade, ASecondRunOnADeviceThatARunHoldsIsRefusedAtOnceNamingTheHolder) {
  testing_support::PtyPair pty;
  ASSERT_TRUE(pty.ok());
  const auto first = platform::HoldPort(pty.slavePath());
  ASSERT_TRUE(first.value);
  std::string error;
  // Its messages go to standard error: the shell hands them over with the rest.
  auto second = nettest::ChildProcess::Start({"/bin/sh", "-c", "exec \"$0\" --port \"$1\" --image \"$2\" --lang 1033 2>&1",
                                              QUORREL_UPGRADE_PATH, pty.slavePath(), kImage},
                                             &error);
  ASSERT_TRUE(second) << error;
  EXPECT_EQ(second->Wait(30'000), cli::kExitPortHeld);
  while (second->ReadLine(1'000)) {
  }
  EXPECT_NE(second->Transcript().find("held by process " + std::to_string(::getpid())), std::string::npos)
      << second->Transcript();
  EXPECT_TRUE(pty.Pending().empty());  // nothing was sent
}

}  // namespace
