// Terminal runs whose ports cannot be locked: refused with their own exit
// status, saying what to mend, before anything reaches any device.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "cli/captured_run.h"
#include "cli/exit_codes.h"
#include "platform/clock.h"
#include "platform/pty_pair.h"
#include "sim/sim_interface.h"
#include "sim/sim_ports.h"
#include "support/lock_folder.h"

namespace cli {
namespace {

namespace fs = std::filesystem;

const fs::path kData = fs::path(QUORREL_SOURCE_DIR) / "data";

class PortLockRun : public ::testing::Test {
 protected:
  void SetUp() override {
    previousDir_ = fs::current_path();
    fs::current_path(kData);
    ASSERT_TRUE(pty_.ok());
  }
  void TearDown() override { fs::current_path(previousDir_); }

  int Run(const std::vector<std::string>& ports) {
    Options options;
    options.ports = ports;
    options.image = "Image/Apex/QRA0203.mbl";
    options.languageId = 1033;
    const testing::CapturedRun run = testing::RunCaptured(options);
    out_ = run.out;
    err_ = run.err;
    return run.code;
  }

  platform::ScopedClock clock_{platform::MakeVirtualClock()};
  sim::ScopedSimInterfaces sims_;
  testing_support::PtyPair pty_;
  testing_support::ScopedLockFolder lockFolder_{"run-locks"};
  const fs::path& locks_ = lockFolder_.Path();
  fs::path previousDir_;
  std::string out_, err_;
};

TEST_F(PortLockRun, ALockFolderThatIsMissingOrNoFolderRefusesEveryRunBeforeAnyPortOpens) {
  const fs::path file = locks_ / "a-file";
  std::ofstream(file).close();
  const std::string sim = "sim:model=Apex,serial=QRA5000021";
  for (const fs::path& folder : {locks_ / "missing", file}) {
    ::setenv("QUORREL_LOCK_DIR", folder.c_str(), 1);
    for (const auto& ports : {std::vector<std::string>{pty_.slavePath()}, std::vector<std::string>{sim, pty_.slavePath()}}) {
      EXPECT_EQ(Run(ports), kExitLockFolderUnusable) << err_;
      EXPECT_NE(err_.find(folder.string()), std::string::npos) << err_;
      EXPECT_NE(err_.find("QUORREL_LOCK_DIR"), std::string::npos) << err_;
      EXPECT_TRUE(out_.empty()) << out_;
    }
  }
  EXPECT_TRUE(pty_.Pending().empty());
  const auto device = sim::FindSimInterface(sim);
  EXPECT_TRUE(!device || device->ApplicationCommands().empty());
}

TEST_F(PortLockRun, AStaleLockThatCannotBeRemovedEndsTheRunWithItsOwnStatus) {
  const fs::path lock = locks_ / ("LCK.." + fs::path(pty_.slavePath()).filename().string());
  fs::create_directories(lock / "inside");
  EXPECT_EQ(Run({pty_.slavePath()}), kExitLockNotTaken) << err_;
  EXPECT_NE(err_.find(lock.string()), std::string::npos) << err_;
  EXPECT_NE(err_.find("cannot be removed"), std::string::npos) << err_;
  EXPECT_TRUE(err_.starts_with("quorrel-upgrade: ")) << err_;  // the terminal's own word, not the dialog's
  EXPECT_TRUE(pty_.Pending().empty());
}

}  // namespace
}  // namespace cli
