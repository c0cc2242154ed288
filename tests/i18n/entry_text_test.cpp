// Decoding an entry's UTF-8 into the table's code page, and the double-byte
// scanning that can carry a closing quote into the text.

#include <gtest/gtest.h>

#include <string>

#include "i18n/language_table.h"

namespace i18n {
namespace {

const std::string kMarker = ";!@Language@!UTF-8!\n";

TEST(ParseHexField, DigitsNothingAndAnythingElse) {
  EXPECT_EQ(LanguageTable::ParseHexField(""), 0);
  EXPECT_EQ(LanguageTable::ParseHexField("7"), 7);
  EXPECT_EQ(LanguageTable::ParseHexField("1f"), 31);
  EXPECT_EQ(LanguageTable::ParseHexField("FF"), 255);
  EXPECT_EQ(LanguageTable::ParseHexField("g1"), -1);
  EXPECT_EQ(LanguageTable::ParseHexField("1 "), -1);
}

TEST(DecodeEntryText, RejectsWhatIsNotUtf8) {
  const LanguageTable table(platform::kCodePageUtf8);
  EXPECT_FALSE(table.DecodeEntryText("a\x80z"));          // continuation byte where a character starts
  EXPECT_FALSE(table.DecodeEntryText("\xE3\x81"));        // cut short
  EXPECT_FALSE(table.DecodeEntryText("\xE3\x41\x82"));    // broken sequence
  EXPECT_FALSE(table.DecodeEntryText("\xFC\x84\x80\x80\x80\x80"));  // 0x4000000: too far beyond U+FFFF
}

TEST(DecodeEntryText, LenientFormsDecodeToTheirValue) {
  const LanguageTable table(platform::kCodePageUtf8);
  EXPECT_EQ(table.DecodeEntryText("\xC1\x81"), "A");              // overlong 'A'
  EXPECT_EQ(table.DecodeEntryText("\xE0\x81\x81"), "A");          // overlong again
  EXPECT_EQ(table.DecodeEntryText("\xED\xA0\x80x"), "?x");        // a lone surrogate value
  EXPECT_EQ(table.DecodeEntryText("\xF8\x88\x80\x80\x80"), "?");  // five bytes, still in reach
  EXPECT_EQ(table.DecodeEntryText("caf\xC3\xA9"), "caf\xC3\xA9");
}

TEST(DecodeEntryText, CharacterBeyondFfffBecomesOneDefaultCharacter) {
  const std::string clef = "\xF0\x9D\x84\x9E";  // U+1D11E
  for (platform::CodePage codePage : {platform::kCodePageUtf8, platform::kCodePageWestern,
                                      platform::kCodePageJapanese, platform::kCodePageKorean}) {
    LanguageTable table(codePage);
    table.LoadContent(kMarker + "ABCD0100=\"a" + clef + "b\"\n");
    EXPECT_EQ(table.GetText(DialogTitle), "a?b") << codePage;
  }
}

TEST(DecodeEntryText, ConvertsIntoTheTablesCodePage) {
  const std::string korean = "\xED\x95\x9C\xEA\xB8\x80";  // two Hangul syllables
  EXPECT_EQ(LanguageTable(platform::kCodePageKorean).DecodeEntryText(korean), "\xC7\xD1\xB1\xDB");
  EXPECT_EQ(LanguageTable(platform::kCodePageWestern).DecodeEntryText(korean), "??");
  EXPECT_EQ(LanguageTable(platform::kCodePageWestern).DecodeEntryText("\xC3\xA9"), "\xE9");
}

TEST(DecodeEntryText, UnknownCodePageStoresAnEmptyText) {
  LanguageTable table(12345);
  table.LoadContent(kMarker + "ABCD0100=\"Title\"\n");
  EXPECT_EQ(table.GetText(DialogTitle), "");
}

// U+3042 is E3 81 82 in UTF-8. Under 932, E3 and 82 are lead bytes: E3 81
// pair up, then 82 takes the closing quote, and the text runs to the line's
// end; the trim removes the quote and at most one byte after it.
TEST(DoubleByteScanning, SwallowedClosingQuoteIsTrimmed) {
  LanguageTable table(platform::kCodePageJapanese);
  table.LoadContent(kMarker +
                    "ABCD0100=\"\xE3\x81\x82\"\n"
                    "ABCD0101=\"\xE3\x81\x82\"x\n"
                    "ABCD0102=\"\xE3\x81\x82\"xy\n");
  EXPECT_EQ(table.GetText(DialogTitle), "\x82\xA0");
  EXPECT_EQ(table.GetText(GroupCaption1), "\x82\xA0");
  EXPECT_EQ(table.GetText(StaticCaption1), "\x82\xA0\"xy");
}

TEST(DoubleByteScanning, SameBytesUnderUtf8StopAtTheQuote) {
  LanguageTable table(platform::kCodePageUtf8);
  table.LoadContent(kMarker + "ABCD0102=\"\xE3\x81\x82\"xy\n");
  EXPECT_EQ(table.GetText(StaticCaption1), "\xE3\x81\x82");
}

TEST(DoubleByteScanning, LeadByteTakesTheLineBreakAlong) {
  // Under 949 the lone lead byte C3 at a line's end takes the CR that the
  // reading puts there; the text then holds a broken sequence and is ignored.
  LanguageTable table(platform::kCodePageKorean);
  table.LoadContent(kMarker + "ABCD0100=\"good\"\nABCD0100=bad\xC3\nABCD0101=\"next\"\n");
  EXPECT_EQ(table.GetText(DialogTitle), "good");
  EXPECT_EQ(table.GetText(GroupCaption1), "next");
}

}  // namespace
}  // namespace i18n
