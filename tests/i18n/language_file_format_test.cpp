// The language-file format: marker, comments, keys, texts and the lines that
// end the reading, read from a file's content.

#include <gtest/gtest.h>

#include <string>

#include "i18n/language_table.h"

namespace i18n {
namespace {

constexpr platform::CodePage kUtf8 = platform::kCodePageUtf8;
const std::string kMarker = ";!@Language@!UTF-8!\r\n";

LanguageTable Loaded(const std::string& content, platform::CodePage codePage = kUtf8) {
  LanguageTable table(codePage);
  table.LoadContent(content);
  return table;
}

bool AllEmpty(const LanguageTable& table) {
  for (int section = 1; section <= 3; ++section) {
    for (int index = 0; index < SectionCount(section); ++index) {
      if (!table.GetText(static_cast<LanguageSection>(section), index).empty()) return false;
    }
  }
  return true;
}

TEST(LanguageFileMarker, AcceptedBehindByteOrderMarkAndEmptyLines) {
  const std::string entry = "ABCD0100=\"Title\"\n";
  EXPECT_EQ(Loaded("\xEF\xBB\xBF" + kMarker + entry).GetText(DialogTitle), "Title");
  EXPECT_EQ(Loaded("\r\n\n\r" + kMarker + entry).GetText(DialogTitle), "Title");
  EXPECT_EQ(Loaded("\xEF\xBB\xBF\n\n" + kMarker + entry).GetText(DialogTitle), "Title");
}

TEST(LanguageFileMarker, AnythingElseFirstSuppliesNoText) {
  const std::string entry = "ABCD0100=\"Title\"\n";
  EXPECT_TRUE(AllEmpty(Loaded(";!@Language@!UTF-8! \n" + entry)));
  EXPECT_TRUE(AllEmpty(Loaded(" ;!@Language@!UTF-8!\n" + entry)));
  EXPECT_TRUE(AllEmpty(Loaded(entry + kMarker + entry)));
  EXPECT_TRUE(AllEmpty(Loaded("")));
  EXPECT_TRUE(AllEmpty(Loaded("\xEF\xBB\xBF")));
  // A byte order mark counts only at the very start of the file.
  EXPECT_TRUE(AllEmpty(Loaded("\n\xEF\xBB\xBF" + kMarker + entry)));
}

TEST(LanguageFileKeys, PairsAreHexadecimalSectionAndIndex) {
  const auto table = Loaded(kMarker +
                            "ABCD020A=\"eleven\"\n"
                            "ABCD0210=\"seventeen\"\n"
                            "ABCD0109=\"exit\"\n"
                            "ABCD010A=\"nowhere\"\n"
                            "ABCD0306=\"recovery\"\n");
  EXPECT_EQ(table.GetText(UpgradeList11), "eleven");
  EXPECT_EQ(table.GetText(UpgradeList17), "seventeen");
  EXPECT_EQ(table.GetText(ButtonCaption3), "exit");
  EXPECT_EQ(table.GetText(prjProDlg7), "recovery");
  EXPECT_EQ(table.GetText(UpgradeList16), "");  // 0210 is not decimal 16
  EXPECT_EQ(table.GetText(LanguageSection::MainDialog, 10), "");
}

TEST(LanguageFileKeys, LowerCaseDigitsAddressTheSameSlot) {
  EXPECT_EQ(Loaded(kMarker + "ABCD020a=\"eleven\"\n").GetText(UpgradeList11), "eleven");
  EXPECT_EQ(Loaded(kMarker + "abcd020a=\"eleven\"\n").GetText(UpgradeList11), "eleven");
}

TEST(LanguageFileKeys, ShortKeysAndBlanksFollowTheCharacterPositions) {
  // Too short to reach the index pair: index 0. Cut short: its one digit.
  EXPECT_EQ(Loaded(kMarker + "ABCD02=\"first\"\n").GetText(UpgradeList1), "first");
  EXPECT_EQ(Loaded(kMarker + "ABCD0205=\"sixth\"\n").GetText(UpgradeList6), "sixth");
  EXPECT_EQ(Loaded(kMarker + "ABCD025=\"sixth\"\n").GetText(UpgradeList6), "sixth");
  EXPECT_EQ(Loaded(kMarker + "ABCD1=\"title\"\n").GetText(DialogTitle), "title");
  // A leading blank moves the pairs one position on.
  EXPECT_EQ(Loaded(kMarker + " ABC0102=\"port\"\n").GetText(StaticCaption1), "port");
  // Blanks after the eighth character do no harm.
  EXPECT_EQ(Loaded(kMarker + "ABCD0102   =\"port\"\n").GetText(StaticCaption1), "port");
  // Leading '=' and quotes are skipped before the key.
  EXPECT_EQ(Loaded(kMarker + "=\"ABCD0102=\"port\"\n").GetText(StaticCaption1), "port");
}

TEST(LanguageFileKeys, PairsOutsideTheTableAddressNothing) {
  const auto table = Loaded(kMarker +
                            "ABCD0001=\"zero\"\n"
                            "ABCD0501=\"five\"\n"
                            "ABCD0G01=\"not hex\"\n"
                            "ABCD0212=\"past the end\"\n"
                            "ABCD0307=\"past the end\"\n"
                            "ABCD0101=\"kept going\"\n");
  EXPECT_EQ(table.GetText(GroupCaption1), "kept going");
  EXPECT_EQ(table.GetText(UpgradeList18), "");
  EXPECT_EQ(table.GetText(static_cast<LanguageSection>(0), 1), "");
  EXPECT_EQ(table.GetText(static_cast<LanguageSection>(5), 1), "");
  EXPECT_EQ(table.GetText(LanguageSection::Message, -1), "");
}

TEST(LanguageFileEntries, LaterEntryWinsUnlessItIsNotUtf8) {
  EXPECT_EQ(Loaded(kMarker + "ABCD0100=\"one\"\nWXYZ0100=\"two\"\n").GetText(DialogTitle), "two");
  EXPECT_EQ(Loaded(kMarker + "ABCD0100=\"one\"\nWXYZ0100=\"t\x80wo\"\n").GetText(DialogTitle), "one");
}

TEST(LanguageFileEntries, TextRules) {
  const auto table = Loaded(kMarker +
                            "ABCD0100 = \"Title\"\n"                 // the blank before the quote is the text
                            "ABCD0101=\"a=b \"and the rest\n"        // '=' kept, tail ignored
                            "ABCD0102=no quotes at all\r\n"          // runs to the line's end
                            "ABCD0103=\"\"\"three quotes skipped\"\n"
                            "; a comment\n"
                            "ABCD0104\"quote ends the key\"\n");
  EXPECT_EQ(table.GetText(DialogTitle), " ");
  EXPECT_EQ(table.GetText(GroupCaption1), "a=b ");
  EXPECT_EQ(table.GetText(StaticCaption1), "no quotes at all");
  EXPECT_EQ(table.GetText(StaticCaption2), "three quotes skipped");
  EXPECT_EQ(table.GetText(StaticCaption3), "quote ends the key");
}

TEST(LanguageFileEntries, CrAloneAndCrLfBreakLinesToo) {
  const auto table = Loaded(";!@Language@!UTF-8!\rABCD0100=\"one\"\rABCD0101=\"two\"\r\n\r\nABCD0102=\"three\"");
  EXPECT_EQ(table.GetText(DialogTitle), "one");
  EXPECT_EQ(table.GetText(GroupCaption1), "two");
  EXPECT_EQ(table.GetText(StaticCaption1), "three");
}

// Each of these lines ends the reading; the entry before it stays, the one
// after it is never read.
TEST(LanguageFileEntries, LinesThatEndTheReading) {
  for (const std::string stop : {"ABCD0101", "ABCD0101=", "ABCD0101=\"\"", "=\"=\"", " ; not a comment", "bare"}) {
    const auto table = Loaded(kMarker + "ABCD0100=\"before\"\n" + stop + "\nABCD0102=\"after\"\n");
    EXPECT_EQ(table.GetText(DialogTitle), "before") << stop;
    EXPECT_EQ(table.GetText(StaticCaption1), "") << stop;
  }
}

TEST(LanguageFileEntries, CommentsCountOnlyInTheFirstColumn) {
  const auto table = Loaded(kMarker + ";ABCD0100=\"comment\"\nABCD0101=\"entry\"\n");
  EXPECT_EQ(table.GetText(DialogTitle), "");
  EXPECT_EQ(table.GetText(GroupCaption1), "entry");
}

TEST(LanguageFileEntries, LinesOfAnyLength) {
  const std::string longText(200000, 'x');
  EXPECT_EQ(Loaded(kMarker + "ABCD0303=\"" + longText + "\"\n").GetText(prjProDlg4), longText);
}

TEST(LanguageFileEntries, NulBytesAreOrdinaryCharacters) {
  const std::string content = kMarker + std::string("ABCD0100=\"a\0b\"\nABCD0101=\"next\"\n", 31);
  const auto table = Loaded(content);
  EXPECT_EQ(table.GetText(DialogTitle), std::string("a\0b", 3));
  EXPECT_EQ(table.GetText(GroupCaption1), "next");
}

}  // namespace
}  // namespace i18n
