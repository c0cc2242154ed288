// An installed program on Windows: the unpacked folder holds the programs
// beside Lang\, and the user's data live under %LOCALAPPDATA%.

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "i18n/temp_folder.h"
#include "platform/install_paths.h"

namespace app {
namespace {

TEST(InstallLayoutWindows, TheProgramsFolderIsTheInstallWhenItHoldsTheTexts) {
  testing_support::TempFolder folder;
  EXPECT_EQ(platform::InstalledDataFolder(folder.Base()), "");
  folder.Write("Lang/1033.txt", "shipped texts");
  EXPECT_EQ(platform::InstalledDataFolder(folder.Base()), folder.Base());
  EXPECT_EQ(platform::InstalledDataFolder(folder.Path()), folder.Base());
  EXPECT_EQ(platform::InstalledDataFolder(""), "");
  EXPECT_FALSE(platform::ExecutableFolder().empty());
  EXPECT_EQ(platform::ExecutableFolder().back(), '\\');
}

TEST(InstallLayoutWindows, UserFolderLiesUnderLocalAppData) {
  std::map<std::string, const char*> env;
  const auto get = [&](const char* name) -> const char* {
    const auto found = env.find(name);
    return found == env.end() ? nullptr : found->second;
  };
  EXPECT_EQ(platform::UserDataFolder(get), "");
  env["LOCALAPPDATA"] = "relative\\ignored";
  EXPECT_EQ(platform::UserDataFolder(get), "");
  env["LOCALAPPDATA"] = "C:\\Users\\tech\\AppData\\Local";
  EXPECT_EQ(platform::UserDataFolder(get), "C:\\Users\\tech\\AppData\\Local\\Quorrel Upgrade\\");
  env["LOCALAPPDATA"] = "D:\\Data\\";
  EXPECT_EQ(platform::UserDataFolder(get), "D:\\Data\\Quorrel Upgrade\\");
}

}  // namespace
}  // namespace app
