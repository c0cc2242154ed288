// The whole start-up over a window of the tests' own: which ends it reaches,
// and what the dialog is given when it runs.

#include <gtest/gtest.h>

#include "support/guard_probe.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/upgrade_app.h"
#include "i18n/temp_folder.h"
#include "resources/dialog_ids.h"
#include "support/test_os.h"
#include "wizard/dialog_window.h"
#include "wizard/upgrade_dialog.h"

namespace app {
namespace {

using testing_support::TempFolder;

// Keeps what the dialog shows; RunModal initialises the dialog, runs the
// test's own step and ends with its result.
class FakeWindow : public wizard::DialogWindow {
 public:
  std::string title;
  std::map<int, std::string> controls;
  std::function<void(wizard::UpgradeDialog&)> duringRun;
  int result = wizard::kResultCancel;

  int RunModal(wizard::UpgradeDialog& dialog) override {
    dialog.OnInitDialog();
    if (duringRun) duringRun(dialog);
    return result;
  }
  void SetWindowText(const std::string& text) override { title = text; }
  std::string GetWindowText() override { return title; }
  void SetControlText(int id, const std::string& text) override { controls[id] = text; }
  std::string GetControlText(int id) override { return controls[id]; }
  void EnableControl(int, bool) override {}
  void ShowControl(int, bool) override {}
  void ListAppend(int, const std::string&) override {}
  void ListClear(int) override {}
  void SetProgressRange(int, std::int32_t, std::int32_t) override {}
  void SetProgressPos(int, std::int32_t) override {}
  wizard::MessageResult MessageBox(const std::string&, const std::string&, wizard::MessageButtons,
                                   wizard::MessageIcon) override {
    return wizard::MessageResult::Ok;
  }
  wizard::FileChoice ChooseFile(const wizard::FileChooserRequest&) override { return {}; }
  bool HasSystemMenu() override { return false; }
  void AppendSystemMenuSeparator() override {}
  void AppendSystemMenuItem(int, const std::string&) override {}
  void SetIcon(int, bool) override {}
  void StartTimer(int, std::uint32_t) override {}
  void StopTimer(int) override {}
  void EndDialog(int) override {}
  void RunAboutDialog() override {}
};

std::string ShippedEnglish() {
  std::ifstream file(std::string(QUORREL_SOURCE_DIR) + "/data/Lang/1033.txt", std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

class StartUpTest : public ::testing::Test {
 protected:
  StartUpServices Services(std::uint16_t language = 1042) {
    StartUpServices services;
    services.languageId = [language] { return language; };
    services.currentDirectory = [this] { return folder.Path(); };
    services.instanceName = "quorrel-test-startup-" + std::to_string(testsupport::ProcessId());
    services.complain = [this](const std::string& text) { complaints.push_back(text); };
    return services;
  }
  // A factory that hands out `window` once and counts its calls.
  UpgradeApp::WindowFactory Factory(FakeWindow*& window) {
    return [this, &window] {
      ++windowsMade;
      auto made = std::make_unique<FakeWindow>();
      window = made.get();
      if (prepare) prepare(*made);
      return made;
    };
  }

  TempFolder folder;
  int windowsMade = 0;
  std::function<void(FakeWindow&)> prepare;
  std::vector<std::string> complaints;
};

TEST_F(StartUpTest, RunsTheDialogWithTheTextsOfTheUpgradeFolder) {
  folder.Write("Upgrade/Lang/1033.txt", ShippedEnglish());
  std::string title, fileButton;
  prepare = [&](FakeWindow& window) {
    window.result = wizard::kResultOk;
    window.duringRun = [&](wizard::UpgradeDialog& dialog) {
      title = window.title;
      fileButton = window.controls[resources::kIdFileButton];
      EXPECT_EQ(dialog.PatchPath(), folder.Base() + "Upgrade" + platform::kFolderSeparator + "PATCH.TXT");
    };
  };
  UpgradeApp app(Services(1042), platform::kCodePageUtf8);
  FakeWindow* window = nullptr;
  EXPECT_FALSE(app.StartUp(Factory(window)));

  EXPECT_EQ(app.End(), StartUpEnd::DialogClosed);
  EXPECT_EQ(app.ModalResult(), wizard::kResultOk);
  EXPECT_EQ(windowsMade, 1);
  EXPECT_EQ(app.languageId, 1042u);
  EXPECT_EQ(app.baseFolder, folder.Base() + "Upgrade" + platform::kFolderSeparator);
  EXPECT_EQ(title, "Quorrel Upgrade Wizard");  // Korean is missing: the English fallback
  EXPECT_EQ(fileButton, "&File...");
}

// A file without its marker line gives no texts: the window and its message
// boxes would stand empty, so start-up names the file once.
TEST_F(StartUpTest, ALanguageFileThatGivesNoTextsIsNamedOnce) {
  folder.Write("Lang/1042.txt", "ABCD0100=\"a title, but no marker line\"\n");
  FakeWindow* window = nullptr;
  UpgradeApp app(Services(1042), platform::kCodePageUtf8);
  app.StartUp(Factory(window));
  ASSERT_EQ(complaints.size(), 1u);
  EXPECT_NE(complaints[0].find(folder.Base() + "Lang" + platform::kFolderSeparator + "1042.txt holds no texts"), std::string::npos) << complaints[0];

  complaints.clear();
  folder.Write("Lang/1042.txt", ";!@Language@!UTF-8!\nABCD0100=\"title\"\n");
  UpgradeApp withTexts(Services(1042), platform::kCodePageUtf8);
  withTexts.StartUp(Factory(window));
  EXPECT_TRUE(complaints.empty());
}

TEST_F(StartUpTest, GuardIsHeldWhileTheDialogRunsAndLetGoAfterwards) {
  const StartUpServices services = Services();
  bool heldDuringRun = false;
  prepare = [&](FakeWindow& window) {
    window.duringRun = [&](wizard::UpgradeDialog&) {
      bool exists = false;
      heldDuringRun = !testing_support::AcquireGuard(services.instanceName, &exists) && exists;
    };
  };
  UpgradeApp app(services, platform::kCodePageUtf8);
  FakeWindow* window = nullptr;
  app.StartUp(Factory(window));
  EXPECT_TRUE(heldDuringRun);

  bool exists = true;
  EXPECT_TRUE(testing_support::AcquireGuard(services.instanceName, &exists).has_value());
}

TEST_F(StartUpTest, SecondInstanceEndsSilentlyBeforeAnythingElse) {
  folder.Write("Lang/1042.txt", ";!@Language@!UTF-8!\nABCD0100=\"title\"\n");
  const StartUpServices services = Services();
  bool exists = false;
  auto first = testing_support::AcquireGuard(services.instanceName, &exists);
  ASSERT_TRUE(first.has_value());

  UpgradeApp app(services, platform::kCodePageUtf8);
  FakeWindow* window = nullptr;
  EXPECT_FALSE(app.StartUp(Factory(window)));
  EXPECT_EQ(app.End(), StartUpEnd::SecondInstance);
  EXPECT_EQ(windowsMade, 0);
  EXPECT_EQ(app.languageTable.GetText(i18n::DialogTitle), "");
}

TEST_F(StartUpTest, UnsupportedPlatformEndsWithoutWindowOrTexts) {
  folder.Write("Lang/1042.txt", ";!@Language@!UTF-8!\nABCD0100=\"title\"\n");
  StartUpServices services = Services();
  services.queryVersion = [](bool) { return platform::VersionRecord{platform::kPlatformNt, 5, 1, 0, ""}; };
  UpgradeApp app(services, platform::kCodePageUtf8);
  FakeWindow* window = nullptr;
  EXPECT_FALSE(app.StartUp(Factory(window)));
  EXPECT_EQ(app.End(), StartUpEnd::UnsupportedPlatform);
  EXPECT_EQ(windowsMade, 0);
  EXPECT_EQ(app.languageTable.GetText(i18n::DialogTitle), "");
}

TEST_F(StartUpTest, BasicVersionRecordIsAskedOnlyWhenTheExtendedOneIsRefused) {
  std::vector<bool> asked;
  StartUpServices services = Services();
  services.queryVersion = [&](bool extended) -> std::optional<platform::VersionRecord> {
    asked.push_back(extended);
    if (extended) return std::nullopt;
    return platform::VersionRecord{platform::kPlatformFamily1, 4, 90, 0, ""};
  };
  UpgradeApp app(services, platform::kCodePageUtf8);
  FakeWindow* window = nullptr;
  app.StartUp(Factory(window));
  EXPECT_EQ(asked, (std::vector<bool>{true, false}));
  EXPECT_EQ(app.End(), StartUpEnd::DialogClosed);
}

TEST_F(StartUpTest, MissingLanguageFilesLeaveEveryCaptionBlank) {
  std::string title = "unset";
  prepare = [&](FakeWindow& window) {
    window.duringRun = [&](wizard::UpgradeDialog&) { title = window.title; };
  };
  UpgradeApp app(Services(), platform::kCodePageUtf8);
  FakeWindow* window = nullptr;
  app.StartUp(Factory(window));
  EXPECT_EQ(title, "");
  EXPECT_EQ(app.End(), StartUpEnd::DialogClosed);
}

}  // namespace
}  // namespace app
