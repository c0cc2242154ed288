// An installed program's folders: found beside the executable, the user's
// folder seeded from the shipped one, and the current directory still first
// when it holds the texts.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "app/layout.h"
#include "i18n/temp_folder.h"
#include "platform/install_paths.h"
#include "platform/process.h"

namespace app {
namespace {

using testing_support::TempFolder;

const std::string kSeparator(1, platform::kFolderSeparator);

std::string Read(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

// A prefix with the shipped files, a working folder and a home.
struct Install {
  TempFolder root;
  InstalledFolders folders;
  std::string work;
  Install() {
    root.Write("usr/share/quorrel-upgrade/Lang/1033.txt", "shipped texts");
    root.Write("usr/share/quorrel-upgrade/PATCH.TXT", "patch");
    root.MakeFolder("usr/bin");
    root.MakeFolder("work");
    folders.shared = root.Base() + "usr/share/quorrel-upgrade/";
    folders.user = root.Base() + "home/.local/share/quorrel-upgrade/";
    work = root.Base() + "work";
  }
};

TEST(InstallLayout, InstalledDataLiesBesideTheProgramWhereverItWasInstalled) {
  Install install;
  EXPECT_EQ(platform::InstalledDataFolder(install.root.Base() + "usr/bin/"), install.folders.shared);
  EXPECT_EQ(platform::InstalledDataFolder(install.root.Base() + "usr/bin/../bin/"), install.folders.shared);
  // A build tree, or a bin folder without shipped texts, is no install.
  EXPECT_EQ(platform::InstalledDataFolder(install.root.Base() + "work/"), "");
  install.root.MakeFolder("opt/bin");
  EXPECT_EQ(platform::InstalledDataFolder(install.root.Base() + "opt/bin/"), "");
  EXPECT_EQ(platform::InstalledDataFolder(""), "");
  EXPECT_FALSE(platform::ExecutableFolder().empty());
}

TEST(InstallLayout, UserFolderFollowsTheBaseDirectorySpecification) {
  std::map<std::string, const char*> env;
  const auto get = [&](const char* name) -> const char* {
    const auto found = env.find(name);
    return found == env.end() ? nullptr : found->second;
  };
  EXPECT_EQ(platform::UserDataFolder(get), "");
  env["HOME"] = "/home/tech";
  EXPECT_EQ(platform::UserDataFolder(get), "/home/tech/.local/share/quorrel-upgrade/");
  env["XDG_DATA_HOME"] = "relative/ignored";
  EXPECT_EQ(platform::UserDataFolder(get), "/home/tech/.local/share/quorrel-upgrade/");
  env["XDG_DATA_HOME"] = "/data/tech";
  EXPECT_EQ(platform::UserDataFolder(get), "/data/tech/quorrel-upgrade/");
  // The journal's state folder follows the same rules with its own variable.
  EXPECT_EQ(platform::UserStateFolder(get), "/home/tech/.local/state/quorrel-upgrade/");
  env["XDG_STATE_HOME"] = "state";
  EXPECT_EQ(platform::UserStateFolder(get), "/home/tech/.local/state/quorrel-upgrade/");
  env["XDG_STATE_HOME"] = "/state/tech";
  EXPECT_EQ(platform::UserStateFolder(get), "/state/tech/quorrel-upgrade/");
  env.erase("HOME");
  env.erase("XDG_STATE_HOME");
  EXPECT_EQ(platform::UserStateFolder(get), "");
}

TEST(InstallLayout, InstalledProgramSeedsTheUserFolderAndKeepsTheUsersEdits) {
  Install install;
  const Layout layout = ChooseLayout(install.work, install.folders);
  EXPECT_EQ(layout.baseFolder, install.folders.user);
  EXPECT_EQ(layout.patchFilePath, install.folders.user + "PATCH.TXT");
  EXPECT_EQ(Read(install.folders.user + "Lang/1033.txt"), "shipped texts");
  EXPECT_TRUE(std::filesystem::is_directory(install.folders.user + "Image/Apex"));
  EXPECT_TRUE(std::filesystem::is_directory(install.folders.user + "Image/Tern"));

  // The user's own texts survive the next start; a newly shipped file arrives.
  install.root.Write("home/.local/share/quorrel-upgrade/Lang/1033.txt", "my texts");
  install.root.Write("usr/share/quorrel-upgrade/Lang/1042.txt", "new language");
  ChooseLayout(install.work, install.folders);
  EXPECT_EQ(Read(install.folders.user + "Lang/1033.txt"), "my texts");
  EXPECT_EQ(Read(install.folders.user + "Lang/1042.txt"), "new language");
}

// On Windows the shipped folder is the programs' own: they stay there.
TEST(InstallLayout, OnlyTheShippedDataIsSeeded) {
  Install install;
  install.root.Write("usr/share/quorrel-upgrade/quorrel-upgrade.exe", "program");
  install.root.Write("usr/share/quorrel-upgrade/README.txt", "read me");
  install.root.Write("usr/share/quorrel-upgrade/Image/Apex/QRA0001.mbl", "image");
  ChooseLayout(install.work, install.folders);
  EXPECT_FALSE(std::filesystem::exists(install.folders.user + "quorrel-upgrade.exe"));
  EXPECT_FALSE(std::filesystem::exists(install.folders.user + "README.txt"));
  EXPECT_EQ(Read(install.folders.user + "Image/Apex/QRA0001.mbl"), "image");
  EXPECT_EQ(Read(install.folders.user + "PATCH.TXT"), "patch");
}

TEST(InstallLayout, CurrentDirectoryHoldingTheTextsStaysTheBase) {
  Install install;
  install.root.Write("work/Lang/1033.txt", "local");
  EXPECT_EQ(ChooseLayout(install.work, install.folders).baseFolder, install.work + kSeparator);
  install.root.Write("work/Upgrade/Lang/1033.txt", "local");
  EXPECT_EQ(ChooseLayout(install.work, install.folders).baseFolder, install.work + kSeparator + "Upgrade" + kSeparator);
  EXPECT_FALSE(std::filesystem::exists(install.folders.user));
}

TEST(InstallLayout, WithoutAUsableUserFolderTheShippedFolderServes) {
  Install install;
  install.root.Write("home", "a file where the home folder should be");
  install.folders.user = install.root.Base() + "home/.local/share/quorrel-upgrade/";
  EXPECT_EQ(ChooseLayout(install.work, install.folders).baseFolder, install.folders.shared);
  install.folders.user.clear();
  EXPECT_EQ(ChooseLayout(install.work, install.folders).patchFilePath, install.folders.shared + "PATCH.TXT");
}

TEST(InstallLayout, BuildTreeKeepsTheCurrentDirectoryAndMakesNothing) {
  TempFolder work;
  const Layout layout = ChooseLayout(work.Path(), InstalledFolders{});
  EXPECT_EQ(layout.baseFolder, work.Path() + kSeparator);
  EXPECT_EQ(layout.patchFilePath, work.Path() + kSeparator + "PATCH.TXT");
  // The test programs themselves are not installed.
  EXPECT_TRUE(InstalledFoldersOfThisProgram().shared.empty());
}

}  // namespace
}  // namespace app
