// The four-row folder layout, the Upgrade entry in any letter case, and the
// current directory however long it is.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "app/layout.h"
#include "i18n/temp_folder.h"
#include "platform/process.h"

namespace app {
namespace {

using testing_support::TempFolder;

TEST(Layout, WithoutUpgradeEntryTheCurrentDirectoryIsTheBase) {
  TempFolder folder;
  const Layout layout = ComputeLayout(folder.Path());
  EXPECT_EQ(layout.baseFolder, folder.Path() + "/");
  EXPECT_EQ(layout.patchFilePath, folder.Path() + "/PATCH.TXT");
}

TEST(Layout, UpgradeFolderBecomesTheBase) {
  TempFolder folder;
  folder.MakeFolder("Upgrade");
  const Layout layout = ComputeLayout(folder.Path());
  EXPECT_EQ(layout.baseFolder, folder.Path() + "/Upgrade/");
  EXPECT_EQ(layout.patchFilePath, folder.Path() + "/Upgrade/PATCH.TXT");
}

TEST(Layout, PlainFileNamedUpgradeCountsAsWell) {
  TempFolder folder;
  folder.Write("Upgrade", "not a folder");
  EXPECT_EQ(ComputeLayout(folder.Path()).baseFolder, folder.Path() + "/Upgrade/");
}

TEST(Layout, RootEndsWithItsSeparator) {
  TempFolder folder;
  // A directory given with its trailing separator takes the root rows.
  EXPECT_EQ(ComputeLayout(folder.Base()).baseFolder, folder.Base());
  EXPECT_EQ(ComputeLayout(folder.Base()).patchFilePath, folder.Base() + "PATCH.TXT");
  folder.MakeFolder("Upgrade");
  EXPECT_EQ(ComputeLayout(folder.Base()).baseFolder, folder.Base() + "Upgrade/");
  EXPECT_EQ(ComputeLayout(folder.Base()).patchFilePath, folder.Base() + "Upgrade/PATCH.TXT");
  if (!platform::EntryExists("/", "Upgrade")) {
    EXPECT_EQ(ComputeLayout("/").baseFolder, "/");
    EXPECT_EQ(ComputeLayout("/").patchFilePath, "/PATCH.TXT");
  }
}

TEST(Layout, LetterCaseVariantsOfTheFixedNamesAreFound) {
  TempFolder folder;
  folder.Write("UPGRADE/patch.txt", "patch");
  const Layout layout = ComputeLayout(folder.Path());
  EXPECT_EQ(layout.baseFolder, folder.Path() + "/UPGRADE/");
  EXPECT_EQ(layout.patchFilePath, folder.Path() + "/UPGRADE/patch.txt");
}

TEST(Layout, NameThatOnlyContainsUpgradeDoesNotCount) {
  TempFolder folder;
  folder.MakeFolder("Upgrades");
  folder.MakeFolder("OldUpgrade");
  EXPECT_EQ(ComputeLayout(folder.Path()).baseFolder, folder.Path() + "/");
}

TEST(EntrySearch, ExactNameFirstThenAVariant) {
  TempFolder folder;
  folder.Write("Image/Apex/QRA1.mbl", "x");
  folder.MakeFolder("image");
  EXPECT_EQ(platform::FindEntryPath(folder.Base(), "Image"), folder.Base() + "Image");
  EXPECT_EQ(platform::FindEntryPath(folder.Path(), "IMAGE"), folder.Path() + "/Image");
  EXPECT_EQ(platform::FindEntryPath(folder.Base(), "Tern"), folder.Base() + "Tern");
  EXPECT_TRUE(platform::EntryExists(folder.Path() + "/Image", "apex"));
  EXPECT_FALSE(platform::EntryExists(folder.Path(), "Tern"));
  EXPECT_FALSE(platform::EntryExists(folder.Path() + "/missing", "Image"));
}

// A current directory longer than the 259 characters an old buffer held is
// used whole, so the layout never lands in a cut-off folder.
TEST(CurrentDirectory, LongPathIsUsedWhole) {
  TempFolder folder;
  std::filesystem::path deep = folder.Path();
  for (int i = 0; i < 8; ++i) deep /= std::string(60, static_cast<char>('a' + i));
  std::filesystem::create_directories(deep / "Upgrade");
  ASSERT_GT(deep.string().size(), 259u);

  const std::filesystem::path previous = std::filesystem::current_path();
  ASSERT_EQ(::chdir(deep.c_str()), 0);
  const std::string current = platform::CurrentDirectory();
  const Layout layout = ComputeLayout(current);
  ASSERT_EQ(::chdir(previous.c_str()), 0);

  EXPECT_EQ(current, std::filesystem::canonical(deep).string());
  EXPECT_EQ(layout.baseFolder, current + "/Upgrade/");
}

}  // namespace
}  // namespace app
