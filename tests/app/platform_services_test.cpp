// Start-up's system services: the language identifier, the instance guard
// and the platform check.

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "app/platform_check.h"
#include "i18n/temp_folder.h"
#include "platform/process.h"
#include "support/guard_probe.h"
#include "support/test_os.h"

namespace app {
namespace {

using platform::VersionRecord;
using testing_support::TempFolder;

// A name no other test process uses at the same time.
std::string UniqueName(const char* what) {
  return std::string("quorrel-test-") + what + "-" + std::to_string(testsupport::ProcessId());
}

TEST(LanguageId, LocaleNamesMapToLanguageIdentifiers) {
  const std::map<std::string, std::uint16_t> expected = {
      {"en_US.UTF-8", 1033}, {"en_GB.UTF-8", 2057}, {"ko_KR.UTF-8", 1042}, {"ko_KR.EUC-KR", 1042},
      {"ja_JP.SJIS", 1041},  {"zh_CN.GB2312", 2052}, {"zh_TW.Big5", 1028}, {"de_DE.UTF-8@euro", 1031},
      {"fr_FR", 1036},       {"es_ES.UTF-8", 3082}, {"it_IT.UTF-8", 1040}, {"ru_RU.UTF-8", 1049},
      {"pt_BR.UTF-8", 1046}, {"de_AT.UTF-8", 3079},
      // A language alone, or with a country the table lacks, takes its main country.
      {"ko", 1042}, {"de", 1031}, {"de_BE.UTF-8", 1031}, {"zh", 2052},
      // The neutral locales and anything unknown are US English.
      {"C", 1033}, {"C.UTF-8", 1033}, {"POSIX", 1033}, {"", 1033}, {"xx_YY", 1033}, {"_", 1033}};
  for (const auto& [locale, id] : expected) EXPECT_EQ(platform::LanguageIdFromLocale(locale), id) << locale;
}

TEST(LanguageId, SystemFilesComeBeforeTheEnvironment) {
  TempFolder folder;
  folder.Write("locale.conf", "# comment\nLC_TIME=de_DE.UTF-8\nLANG=\"ko_KR.UTF-8\"\n");
  folder.Write("default-locale", "export LANG=ja_JP.UTF-8\n");
  folder.Write("empty", "LC_ALL=fr_FR\n");
  std::map<std::string, std::string> environment{{"LC_ALL", "ru_RU.UTF-8"}, {"LANG", "it_IT.UTF-8"}};
  platform::LocaleSources sources;
  sources.getEnvironment = [&](const char* name) -> const char* {
    auto it = environment.find(name);
    return it == environment.end() ? nullptr : it->second.c_str();
  };

  sources.configFiles = {folder.Path() + "/locale.conf", folder.Path() + "/default-locale"};
  EXPECT_EQ(platform::SystemDefaultLanguageId(sources), 1042);
  sources.configFiles = {folder.Path() + "/missing", folder.Path() + "/default-locale"};
  EXPECT_EQ(platform::SystemDefaultLanguageId(sources), 1041);
  // Files that set no LANG leave it to LC_ALL, then LC_MESSAGES, then LANG.
  sources.configFiles = {folder.Path() + "/missing", folder.Path() + "/empty"};
  EXPECT_EQ(platform::SystemDefaultLanguageId(sources), 1049);
  environment.erase("LC_ALL");
  environment["LC_MESSAGES"] = "";
  EXPECT_EQ(platform::SystemDefaultLanguageId(sources), 1040);
  environment.clear();
  EXPECT_EQ(platform::SystemDefaultLanguageId(sources), 1033);
}

TEST(InstanceGuard, SecondHolderIsToldTheNameIsTaken) {
  const std::string name = UniqueName("guard");
  bool exists = true;
  auto first = testing_support::AcquireGuard(name, &exists);
  ASSERT_TRUE(first.has_value());
  EXPECT_FALSE(exists);

  auto second = testing_support::AcquireGuard(name, &exists);
  EXPECT_FALSE(second.has_value());
  EXPECT_TRUE(exists);

  first.reset();
  auto third = testing_support::AcquireGuard(name, &exists);
  EXPECT_TRUE(third.has_value());
  EXPECT_FALSE(exists);
}

TEST(InstanceGuard, NamesItCannotHoldGiveNoGuardButNoConflict) {
  bool exists = true;
  EXPECT_FALSE(testing_support::AcquireGuard("", &exists).has_value());
  EXPECT_FALSE(exists);
  EXPECT_FALSE(testing_support::AcquireGuard(std::string(300, 'n'), &exists).has_value());
  EXPECT_FALSE(exists);
}

VersionRecord Version(std::uint32_t platformId, std::uint32_t major, std::uint32_t minor, bool wine = false) {
  return VersionRecord{platformId, major, minor, 0, "", wine};
}

TEST(PlatformCheck, OnlyTheSupportedFamilyAndVersionsPass) {
  EXPECT_TRUE(PlatformCheckPasses(Version(1, 4, 10), std::nullopt));
  EXPECT_TRUE(PlatformCheckPasses(Version(1, 4, 90), std::nullopt));
  EXPECT_FALSE(PlatformCheckPasses(Version(1, 4, 0), std::nullopt));   // the first release of the family
  EXPECT_FALSE(PlatformCheckPasses(Version(1, 5, 10), std::nullopt));
  EXPECT_FALSE(PlatformCheckPasses(Version(2, 4, 0), std::nullopt));   // the other family, before 10
  EXPECT_FALSE(PlatformCheckPasses(Version(2, 5, 0), std::nullopt));
  EXPECT_FALSE(PlatformCheckPasses(Version(2, 5, 1), std::nullopt));
  EXPECT_FALSE(PlatformCheckPasses(Version(2, 6, 1), std::nullopt));
  EXPECT_FALSE(PlatformCheckPasses(Version(2, 6, 3), std::nullopt));
  EXPECT_FALSE(PlatformCheckPasses(Version(0, 4, 10), std::nullopt));
}

// The family the program was made for is long gone: the systems in use
// today (Windows 10 and 11, both version 10) run it, and so does Wine,
// whatever version it is set to report.
TEST(PlatformCheck, CurrentWindowsAndWinePass) {
  EXPECT_TRUE(PlatformCheckPasses(Version(2, 10, 0), std::nullopt));
  EXPECT_TRUE(PlatformCheckPasses(std::nullopt, Version(2, 10, 0)));
  EXPECT_TRUE(PlatformCheckPasses(Version(2, 6, 1, true), std::nullopt));
  EXPECT_FALSE(PlatformCheckPasses(Version(2, 6, 1, false), std::nullopt));
}

TEST(PlatformCheck, BasicRecordDecidesOnlyWhenTheExtendedOneIsRefused) {
  EXPECT_TRUE(PlatformCheckPasses(std::nullopt, Version(1, 4, 90)));
  EXPECT_FALSE(PlatformCheckPasses(std::nullopt, Version(2, 5, 1)));
  EXPECT_FALSE(PlatformCheckPasses(std::nullopt, std::nullopt));
  EXPECT_FALSE(PlatformCheckPasses(Version(2, 5, 1), Version(1, 4, 10)));
}

TEST(PlatformCheck, ThisPlatformAnswersWithARecordThatPasses) {
  EXPECT_TRUE(PlatformCheckPasses(platform::QueryVersion(true), platform::QueryVersion(false)));
}

}  // namespace
}  // namespace app
