// An upgrade whose port cannot be locked: the worker refuses before anything
// is sent and says what the user can mend, never running unlocked.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/pty_pair.h"
#include "support/lock_folder.h"
#include "wizard/test_support.h"

namespace wizard::testing {
namespace {

namespace fs = std::filesystem;

class PortLockTest : public DialogFixture {
 protected:
  // The image is chosen on the simulated interface; then COM3 leads to a
  // tty, whose lock must be made in the lock folder.
  void PrepareOnTty() {
    ASSERT_TRUE(pty_.ok());
    OpenDialog("model=Apex,serial=QRA1234567");
    ChooseImage(base_.AddImage("Image/Apex/QRA0200.mbl", MakeApplication(3)));
    ASSERT_EQ(dialog_->LastDetection(), DetectionOutcome::ImageChosen);
    ::setenv("QUORREL_COM3", pty_.slavePath().c_str(), 1);
  }
  // The upgrade ended with one message, also in the status list, and
  // nothing reached the tty.
  std::string RefusedBeforeAnythingWasSent() {
    EXPECT_EQ(dialog_->LastUpgrade(), UpgradeOutcome::PortInUse);
    EXPECT_TRUE(pty_.Pending().empty());
    EXPECT_EQ(host_.Messages().size(), 1u);
    if (host_.Messages().empty()) return {};
    EXPECT_TRUE(ListHas(host_.Messages()[0].text));
    return host_.Messages()[0].text;
  }

  testing_support::ScopedLockFolder lockFolder_{"worker-locks"};
  const fs::path& locks_ = lockFolder_.Path();
  testing_support::PtyPair pty_;
};

TEST_F(PortLockTest, ALockFolderThatCannotTakeTheLockEndsTheUpgradeNamingTheFix) {
  PrepareOnTty();
  ::setenv("QUORREL_LOCK_DIR", (locks_ / "missing").c_str(), 1);
  Upgrade();
  const std::string text = RefusedBeforeAnythingWasSent();
  EXPECT_NE(text.find((locks_ / "missing").string()), std::string::npos) << text;
  EXPECT_NE(text.find("does not exist"), std::string::npos) << text;
  EXPECT_NE(text.find("QUORREL_LOCK_DIR"), std::string::npos) << text;
  EXPECT_NE(text.find("COM3"), std::string::npos) << text;
}

TEST_F(PortLockTest, AStaleLockThatCannotBeRemovedEndsTheUpgradeNamingIt) {
  PrepareOnTty();
  const fs::path lock = locks_ / ("LCK.." + fs::path(pty_.slavePath()).filename().string());
  fs::create_directories(lock / "inside");
  Upgrade();
  const std::string text = RefusedBeforeAnythingWasSent();
  EXPECT_NE(text.find(lock.string()), std::string::npos) << text;
  EXPECT_NE(text.find("cannot be removed"), std::string::npos) << text;
}

}  // namespace
}  // namespace wizard::testing
