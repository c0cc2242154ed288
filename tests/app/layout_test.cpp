// The four-row folder layout, the Upgrade entry in any letter case, and the
// current directory however long it is.

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <string>

#include "app/layout.h"
#include "i18n/temp_folder.h"
#include "platform/process.h"

namespace app {
namespace {

using testing_support::TempFolder;

// Paths as this system writes them.
std::string Path(std::initializer_list<std::string> parts, bool folder = false) {
  std::string path;
  for (const std::string& part : parts) {
    if (!path.empty() && !platform::EndsWithFolderSeparator(path)) path += platform::kFolderSeparator;
    path += part;
  }
  if (folder && !platform::EndsWithFolderSeparator(path)) path += platform::kFolderSeparator;
  return path;
}

TEST(Layout, WithoutUpgradeEntryTheCurrentDirectoryIsTheBase) {
  TempFolder folder;
  const Layout layout = ComputeLayout(folder.Path());
  EXPECT_EQ(layout.baseFolder, Path({folder.Path()}, true));
  EXPECT_EQ(layout.patchFilePath, Path({folder.Path(), "PATCH.TXT"}));
}

TEST(Layout, UpgradeFolderBecomesTheBase) {
  TempFolder folder;
  folder.MakeFolder("Upgrade");
  const Layout layout = ComputeLayout(folder.Path());
  EXPECT_EQ(layout.baseFolder, Path({folder.Path(), "Upgrade"}, true));
  EXPECT_EQ(layout.patchFilePath, Path({folder.Path(), "Upgrade", "PATCH.TXT"}));
}

TEST(Layout, PlainFileNamedUpgradeCountsAsWell) {
  TempFolder folder;
  folder.Write("Upgrade", "not a folder");
  EXPECT_EQ(ComputeLayout(folder.Path()).baseFolder, Path({folder.Path(), "Upgrade"}, true));
}

TEST(Layout, RootEndsWithItsSeparator) {
  TempFolder folder;
  // A directory given with its trailing separator takes the root rows.
  EXPECT_EQ(ComputeLayout(folder.Base()).baseFolder, folder.Base());
  EXPECT_EQ(ComputeLayout(folder.Base()).patchFilePath, folder.Base() + "PATCH.TXT");
  folder.MakeFolder("Upgrade");
  EXPECT_EQ(ComputeLayout(folder.Base()).baseFolder, Path({folder.Base(), "Upgrade"}, true));
  EXPECT_EQ(ComputeLayout(folder.Base()).patchFilePath, Path({folder.Base(), "Upgrade", "PATCH.TXT"}));
  const std::string root = std::filesystem::path(folder.Path()).root_path().string();
  if (!platform::EntryExists(root, "Upgrade")) {
    EXPECT_EQ(ComputeLayout(root).baseFolder, root);
    EXPECT_EQ(ComputeLayout(root).patchFilePath, root + "PATCH.TXT");
  }
}

TEST(Layout, LetterCaseVariantsOfTheFixedNamesAreFound) {
  TempFolder folder;
  folder.Write("UPGRADE/patch.txt", "patch");
  const Layout layout = ComputeLayout(folder.Path());
  EXPECT_EQ(layout.baseFolder, Path({folder.Path(), "UPGRADE"}, true));
  EXPECT_EQ(layout.patchFilePath, Path({folder.Path(), "UPGRADE", "patch.txt"}));
}

TEST(Layout, NameThatOnlyContainsUpgradeDoesNotCount) {
  TempFolder folder;
  folder.MakeFolder("Upgrades");
  folder.MakeFolder("OldUpgrade");
  EXPECT_EQ(ComputeLayout(folder.Path()).baseFolder, Path({folder.Path()}, true));
}

TEST(EntrySearch, ExactNameFirstThenAVariant) {
  TempFolder folder;
  folder.Write("Image/Apex/QRA1.mbl", "x");
  folder.MakeFolder("image");
  EXPECT_EQ(platform::FindEntryPath(folder.Base(), "Image"), folder.Base() + "Image");
  EXPECT_EQ(platform::FindEntryPath(folder.Path(), "IMAGE"), Path({folder.Path(), "Image"}));
  EXPECT_EQ(platform::FindEntryPath(folder.Base(), "Tern"), folder.Base() + "Tern");
  EXPECT_TRUE(platform::EntryExists(Path({folder.Path(), "Image"}), "apex"));
  EXPECT_FALSE(platform::EntryExists(folder.Path(), "Tern"));
  EXPECT_FALSE(platform::EntryExists(Path({folder.Path(), "missing"}), "Image"));
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
  std::filesystem::current_path(deep);
  const std::string current = platform::CurrentDirectory();
  const Layout layout = ComputeLayout(current);
  std::filesystem::current_path(previous);

  EXPECT_EQ(current, std::filesystem::canonical(deep).string());
  EXPECT_EQ(layout.baseFolder, Path({current, "Upgrade"}, true));
}

}  // namespace
}  // namespace app
