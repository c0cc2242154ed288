// Loading from the Lang folder: which file is read, and the shipped files.

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "i18n/language_table.h"
#include "i18n/notices.h"
#include "i18n/temp_folder.h"

namespace i18n {
namespace {

using testing_support::TempFolder;

const std::string kMarker = ";!@Language@!UTF-8!\n";

TEST(LanguageLoad, FallsBackToEnglishWhenTheLanguageFileIsMissing) {
  TempFolder folder;
  folder.Write("Lang/1033.txt", kMarker + "ABCD0100=\"English\"\n");
  LanguageTable table(platform::kCodePageUtf8);
  table.Load(folder.Base(), 1042);
  EXPECT_EQ(table.GetText(DialogTitle), "English");
}

TEST(LanguageLoad, FileThatOpensIsNeverReplacedByTheFallback) {
  TempFolder folder;
  folder.Write("Lang/1033.txt", kMarker + "ABCD0100=\"English\"\n");
  folder.Write("Lang/1042.txt", "ABCD0100=\"no marker\"\n");
  LanguageTable table(platform::kCodePageUtf8);
  table.Load(folder.Base(), 1042);
  EXPECT_EQ(table.GetText(DialogTitle), "");

  folder.Write("Lang/1031.txt", "");
  LanguageTable empty(platform::kCodePageUtf8);
  empty.Load(folder.Base(), 1031);
  EXPECT_EQ(empty.GetText(DialogTitle), "");
}

TEST(LanguageLoad, FolderInTheFilesPlaceIsNotAFile) {
  TempFolder folder;
  folder.Write("Lang/1033.txt", kMarker + "ABCD0100=\"English\"\n");
  folder.MakeFolder("Lang/1042.txt");
  LanguageTable table(platform::kCodePageUtf8);
  table.Load(folder.Base(), 1042);
  EXPECT_EQ(table.GetText(DialogTitle), "English");
}

TEST(LanguageLoad, NoFileAtAllLeavesEveryTextEmpty) {
  TempFolder folder;
  LanguageTable table(platform::kCodePageUtf8);
  table.Load(folder.Base(), 1042);
  EXPECT_EQ(table.GetText(DialogTitle), "");
  EXPECT_EQ(table.GetText(prjProDlg7), "");
}

TEST(LanguageLoad, FolderAndFileInAnotherLetterCaseAreFound) {
  TempFolder folder;
  folder.Write("LANG/1042.TXT", kMarker + "ABCD0100=\"upper case\"\n");
  LanguageTable table(platform::kCodePageUtf8);
  table.Load(folder.Base(), 1042);
  EXPECT_EQ(table.GetText(DialogTitle), "upper case");
}

TEST(LanguageLoad, ExactNameIsPreferredToALetterCaseVariant) {
  TempFolder folder;
  folder.Write("Lang/1033.txt", kMarker + "ABCD0100=\"exact\"\n");
  folder.Write("lang/1033.txt", kMarker + "ABCD0100=\"variant\"\n");
  LanguageTable table(platform::kCodePageUtf8);
  table.Load(folder.Base(), 1033);
  EXPECT_EQ(table.GetText(DialogTitle), "exact");
}

// A base folder deep in the tree gives a path far longer than the 259
// characters an old path buffer held; it is opened all the same.
TEST(LanguageLoad, LongPathsAreOpenedWhole) {
  TempFolder folder;
  std::string relative;
  for (int i = 0; i < 6; ++i) relative += std::string(60, static_cast<char>('a' + i)) + "/";
  folder.Write(relative + "Lang/1042.txt", kMarker + "ABCD0100=\"deep\"\n");
  const std::string base = folder.Base() + relative;
  ASSERT_GT(base.size(), 260u);
  LanguageTable table(platform::kCodePageUtf8);
  table.Load(base, 1042);
  EXPECT_EQ(table.GetText(DialogTitle), "deep");
}

// Every shipped language supplies all 35 texts, under every code page the
// program may meet, with no quote left over from the double-byte scanning.
TEST(ShippedLanguageFiles, SupplyAllTextsUnderEveryCodePage) {
  const std::string base = std::string(QUORREL_SOURCE_DIR) + "/data/";
  for (std::uint16_t language : {1033, 1042, 1031}) {
    for (platform::CodePage codePage : {platform::kCodePageUtf8, platform::kCodePageWestern,
                                        platform::kCodePageJapanese, platform::kCodePageKorean,
                                        platform::kCodePageSimplifiedChinese,
                                        platform::kCodePageTraditionalChinese}) {
      LanguageTable table(codePage);
      table.Load(base, language);
      for (int section = 1; section <= 3; ++section) {
        for (int index = 0; index < SectionCount(section); ++index) {
          const std::string text = table.GetText(static_cast<LanguageSection>(section), index);
          EXPECT_FALSE(text.empty()) << language << " " << codePage << " " << section << "/" << index;
          EXPECT_EQ(text.find('"'), std::string::npos) << language << " " << codePage << " " << text;
        }
      }
    }
  }
}

TEST(ShippedLanguageFiles, StatusLinesReadAfterThePortName) {
  LanguageTable table(platform::kCodePageUtf8);
  table.Load(std::string(QUORREL_SOURCE_DIR) + "/data/", 1033);
  EXPECT_EQ("COM3" + table.GetText(UpgradeList2), "COM3: connecting to the interface");
  EXPECT_EQ("COM3" + table.GetText(UpgradeList17), "COM3: writing the serial number back");
  EXPECT_EQ(table.GetText(DialogTitle), "Quorrel Upgrade Wizard");
}

TEST(ShippedLanguageFiles, KoreanUnderItsOwnCodePage) {
  LanguageTable table(platform::kCodePageKorean);
  table.Load(std::string(QUORREL_SOURCE_DIR) + "/data/", 1042);
  EXPECT_EQ(platform::CodePageToUtf8(platform::kCodePageKorean, table.GetText(StaticCaption5)),
            "\xEC\x83\x81\xED\x83\x9C");  // the Korean word for status
}

TEST(LanguageTableThreads, TwoReadersGetWholeCopies) {
  LanguageTable table(platform::kCodePageUtf8);
  table.Load(std::string(QUORREL_SOURCE_DIR) + "/data/", 1033);
  const std::string expected = table.GetText(UpgradeList13);
  auto reader = [&] {
    bool same = true;
    for (int i = 0; i < 2000; ++i) same = same && table.GetText(UpgradeList13) == expected;
    return same;
  };
  bool workerSame = false;
  std::thread worker([&] { workerSame = reader(); });
  const bool mainSame = reader();
  worker.join();
  EXPECT_TRUE(workerSame);
  EXPECT_TRUE(mainSame);
}

}  // namespace
}  // namespace i18n

namespace i18n {
namespace {

// Every notice the program uses is in all three shipped files, in the file's
// own words (not the built-in English, except for English itself), and keeps
// every placeholder its English text has.
TEST(ShippedLanguageFiles, CarryEveryNoticeWithItsPlaceholders) {
  const std::string base = std::string(QUORREL_SOURCE_DIR) + "/data/";
  LanguageTable empty(platform::kCodePageUtf8);
  empty.LoadContent(";!@Language@!UTF-8!\n");
  for (std::uint16_t language : {1033, 1042, 1031}) {
    LanguageTable table(platform::kCodePageUtf8);
    table.Load(base, language);
    for (int index = 0; index < kNoticeCount; ++index) {
      const std::string english(BuiltInNotice(index));
      if (english.empty()) continue;
      const std::string text = table.GetText(Notice(index));
      EXPECT_EQ(empty.GetText(Notice(index)), english);
      if (language == 1033) {
        EXPECT_EQ(text, english) << index;
      } else {
        EXPECT_NE(text, english) << language << " " << index;
      }
      for (const char* name : {"{file}", "{line}", "{what}", "{value}", "{port}", "{serial}", "{error}", "{limit}",
                               "{time}", "{command}", "{folder}", "{image}", "{interface}", "{pattern}"}) {
        EXPECT_EQ(english.find(name) != std::string::npos, text.find(name) != std::string::npos)
            << language << " " << index << " " << name;
      }
    }
  }
}

// Under a window manager Alt+Space opens the manager's own menu, so every
// text that sends the user to the window's menu names the right-click too,
// in each language's words.
TEST(ShippedLanguageFiles, TextsThatPointToTheMenuNameTheRightClickToo) {
  const std::pair<std::uint16_t, std::string> languages[] = {
      {1033, "right-click"}, {1042, "\xEC\x98\xA4\xEB\xA5\xB8\xEC\xAA\xBD"}, {1031, "Rechtsklick"}};
  for (const auto& [language, rightClick] : languages) {
    LanguageTable table(platform::kCodePageUtf8);
    table.Load(std::string(QUORREL_SOURCE_DIR) + "/data/", language);
    std::vector<std::string> texts;
    for (int section = 1; section <= 3; ++section) {
      for (int index = 0; index < SectionCount(section); ++index) {
        texts.push_back(table.GetText(static_cast<LanguageSection>(section), index));
      }
    }
    for (int index = 0; index < kNoticeCount; ++index) {
      if (!BuiltInNotice(index).empty()) texts.push_back(table.GetText(Notice(index)));
    }
    int pointing = 0;
    for (const std::string& text : texts) {
      if (text.find("Alt+") == std::string::npos) continue;
      ++pointing;
      EXPECT_NE(text.find(rightClick), std::string::npos) << language << ": " << text;
    }
    EXPECT_GE(pointing, 5) << language;  // the erase failure, the serial number, the patch, the stop, the journal
  }
}

TEST(Notices, PlaceholdersAreFilledInAnyOrderOnce) {
  EXPECT_EQ(FillIn("{b} then {a}, {a}", {{"a", "1"}, {"b", "{a}"}}), "{a} then 1, 1");
  EXPECT_EQ(FillIn("{unknown} {a", {{"a", "1"}}), "{unknown} {a");
  EXPECT_EQ(FillIn("", {{"a", "1"}}), "");
}

}  // namespace
}  // namespace i18n
