// The main dialog without an interface: initialisation, captions, the system
// menu, the busy rule, the icon position and the dialog's task loop.

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "i18n/language_table.h"
#include "platform/clock.h"
#include "resources/dialog_ids.h"
#include "wizard/dialog_loop.h"
#include "wizard/icon_position.h"
#include "support/recording_window.h"
#include "wizard/upgrade_dialog.h"

namespace wizard::testing {
namespace {

using namespace resources;

DialogContext Context(const i18n::LanguageTable* table = nullptr) {
  DialogContext context;
  context.baseFolder = "/b/";
  context.patchFilePath = "/b/PATCH.TXT";
  context.languageTable = table;
  return context;
}

class DialogInitTest : public ::testing::Test {
 protected:
  void Open(DialogContext context) {
    dialog_ = std::make_unique<UpgradeDialog>(host_, std::move(context));
    host_.Start(*dialog_);
  }
  RecordingWindow host_;
  std::unique_ptr<UpgradeDialog> dialog_;
};

TEST_F(DialogInitTest, CaptionsComeFromTheLanguageFile) {
  i18n::LanguageTable table(65001);
  table.Load(QUORREL_SOURCE_DIR "/data/", 1033);
  Open(Context(&table));
  EXPECT_EQ(host_.WindowText(), "Quorrel Upgrade Wizard");
  EXPECT_EQ(host_.ControlText(kIdGroupBox), "Interface");
  EXPECT_EQ(host_.ControlText(kIdPortLabel), "Serial port");
  EXPECT_EQ(host_.ControlText(kIdKindCaption), "Interface model");
  EXPECT_EQ(host_.ControlText(kIdFileCaption), "Firmware file");
  EXPECT_EQ(host_.ControlText(kIdSerialCaption), "Serial number");
  EXPECT_EQ(host_.ControlText(kIdStatusCaption), "Status");
  EXPECT_EQ(host_.ControlText(kIdFileButton), "&File...");
  EXPECT_EQ(host_.ControlText(kIdUpgradeButton), "&Upgrade");
  EXPECT_EQ(host_.ControlText(kIdOk), "E&xit");
  EXPECT_EQ(dialog_->PatchPath(), "/b/PATCH.TXT");
  // Port field hidden, port list shown, Upgrade disabled; icon large then small.
  EXPECT_EQ(host_.Shown(kIdPortEdit), false);
  EXPECT_EQ(host_.Shown(kIdPortCombo), true);
  EXPECT_FALSE(host_.Enabled(kIdUpgradeButton));
  EXPECT_TRUE(host_.Enabled(kIdFileButton));
  EXPECT_EQ(host_.Icons(), (std::vector<std::pair<int, bool>>{{kIconMain, true}, {kIconMain, false}}));
}

TEST_F(DialogInitTest, WithoutALanguageFileCaptionsAreBlankButMessagesKeepTheirCaption) {
  i18n::LanguageTable empty(65001);
  empty.Load("/nonexistent-quorrel/", 1033);
  Open(Context(&empty));
  host_.AnswerMessage(MessageResult::No);
  host_.SysCommand(kCmdRecovery);
  for (int id : {kIdGroupBox, kIdPortLabel, kIdKindCaption, kIdFileCaption, kIdSerialCaption, kIdStatusCaption,
                 kIdFileButton, kIdUpgradeButton, kIdOk}) {
    EXPECT_EQ(host_.ControlText(id), "") << id;
  }
  EXPECT_EQ(host_.WindowText(), "");
  // Blank texts are applied, not skipped.
  const auto ops = host_.Operations();
  EXPECT_NE(std::find(ops.begin(), ops.end(), "SetControlText 1001 "), ops.end());
  ASSERT_EQ(host_.Messages().size(), 1u);
  EXPECT_EQ(host_.Messages()[0].caption, "Quorrel Upgrade Wizard");
  EXPECT_EQ(host_.Messages()[0].text, "");
}

TEST_F(DialogInitTest, SystemMenuHoldsHelpAboutRecoveryAfterASeparator) {
  Open(Context());
  const auto items = host_.MenuItems();
  ASSERT_EQ(items.size(), 4u);
  EXPECT_EQ(items[0].command, 0);
  EXPECT_EQ(items[1].command, kCmdHelp);
  EXPECT_EQ(items[1].text, "Help(&H)...");
  EXPECT_EQ(items[2].command, kCmdAbout);
  EXPECT_EQ(items[2].text, "&About Halvik...");
  EXPECT_EQ(items[3].command, kCmdRecovery);
  EXPECT_EQ(items[3].text, "Interface Recovery(&R)");
}

TEST_F(DialogInitTest, AnEmptyAboutStringSuppressesTheWholeMenu) {
  DialogContext context = Context();
  context.loadString = [](int id) { return id == kStringAbout ? std::string() : std::string("x"); };
  Open(std::move(context));
  EXPECT_TRUE(host_.MenuItems().empty());
}

TEST_F(DialogInitTest, SystemCommands) {
  Open(Context());
  const auto before = host_.Operations().size();
  // Help: taken, and nothing happens.
  EXPECT_TRUE(host_.SysCommand(kCmdHelp));
  EXPECT_EQ(host_.Operations().size(), before + 1);  // only the command itself
  EXPECT_TRUE(host_.Messages().empty());
  EXPECT_TRUE(host_.SysCommand(kCmdAbout));
  EXPECT_EQ(host_.AboutRuns(), 1);
  // Anything else goes to the host's default processing.
  EXPECT_FALSE(host_.SysCommand(0xF060));
}

TEST_F(DialogInitTest, RecoveryAskedWithYesNoAndStopIconAndNoNeverTakesItBack) {
  Open(Context());
  host_.AnswerMessage(MessageResult::No);
  host_.SysCommand(kCmdRecovery);
  EXPECT_FALSE(dialog_->RecoveryMode());
  host_.AnswerMessage(MessageResult::Yes);
  host_.SysCommand(kCmdRecovery);
  EXPECT_TRUE(dialog_->RecoveryMode());
  host_.AnswerMessage(MessageResult::No);
  host_.SysCommand(kCmdRecovery);
  EXPECT_TRUE(dialog_->RecoveryMode());
  for (const auto& message : host_.Messages()) {
    EXPECT_EQ(message.buttons, MessageButtons::YesNo);
    EXPECT_EQ(message.icon, MessageIcon::Stop);
  }
}

TEST_F(DialogInitTest, ExitAndEscapeEndTheDialogWhenIdle) {
  Open(Context());
  host_.Click(kIdOk);
  EXPECT_EQ(host_.EndResult(), kResultOk);
  RecordingWindow other;
  UpgradeDialog second(other, DialogContext{});
  other.Start(second);
  other.Escape();
  EXPECT_EQ(other.EndResult(), kResultCancel);
}

TEST(IconPositionTest, CentresWithRounding) {
  EXPECT_EQ(IconPosition(100, 80, 32, 32).x, 34);
  EXPECT_EQ(IconPosition(100, 80, 32, 32).y, 24);
  EXPECT_EQ(IconPosition(33, 33, 32, 32).x, 1);
  EXPECT_EQ(IconPosition(32, 32, 32, 32).y, 0);
}

// ---- The dialog's task loop -------------------------------------------------------

TEST(DialogLoopTest, AnotherThreadsCallRunsOnTheDialogThread) {
  DialogLoop loop;
  const auto dialogThread = std::this_thread::get_id();
  std::thread::id ranOn;
  int answer = 0;
  std::thread worker([&] {
    answer = loop.Call([&] {
      ranOn = std::this_thread::get_id();
      return 42;
    });
    loop.EndDialog(kResultOk);
  });
  EXPECT_EQ(loop.RunUntilEnded(), kResultOk);
  worker.join();
  EXPECT_EQ(ranOn, dialogThread);
  EXPECT_EQ(answer, 42);
}

// A late call is dropped, never hangs, and never runs on the caller's thread
// against a window that is gone; the Qt host does the same.
TEST(DialogLoopTest, ACallAfterTheLoopEndedIsDroppedWithItsFallback) {
  DialogLoop loop;
  loop.EndDialog(kResultCancel);
  EXPECT_EQ(loop.RunUntilEnded(), kResultCancel);
  int ran = 0;
  bool invoked = true;
  std::string answer = "unset";
  std::thread late([&] {
    invoked = loop.Invoke([&] { ++ran; });
    answer = loop.Call([&] { return std::string("ran"); }, std::string("dropped"));
  });
  late.join();
  EXPECT_EQ(ran, 0);
  EXPECT_FALSE(invoked);
  EXPECT_EQ(answer, "dropped");
}

TEST(DialogLoopTest, TimersFireOnTheVirtualClockInOrder) {
  platform::ScopedClock clock(platform::MakeVirtualClock());
  DialogLoop loop;
  std::vector<std::pair<int, platform::Micros>> fired;
  const platform::Micros start = platform::CurrentClock()->Now();
  loop.SetTimerHandler([&](int id) {
    fired.emplace_back(id, platform::CurrentClock()->Now() - start);
    if (id == 7 && fired.size() >= 4) loop.EndDialog(kResultOk);
    if (id == 9) loop.StopTimer(9);
  });
  loop.StartTimer(7, 1000);
  loop.StartTimer(9, 1500);
  EXPECT_EQ(loop.RunUntilEnded(), kResultOk);
  const std::vector<std::pair<int, platform::Micros>> expected = {
      {7, 1'000'000}, {9, 1'500'000}, {7, 2'000'000}, {7, 3'000'000}};
  EXPECT_EQ(fired, expected);
}

TEST(DialogLoopTest, EndDialogKeepsTheFirstResult) {
  DialogLoop loop;
  loop.Post([&] { loop.EndDialog(kResultCancel); });
  loop.Post([&] { loop.EndDialog(kResultOk); });
  EXPECT_EQ(loop.RunUntilEnded(), kResultCancel);
}

}  // namespace
}  // namespace wizard::testing
