// The code-page seam: lead bytes, codeset names and the conversions.

#include <gtest/gtest.h>

#include <string>

#include "platform/codepage.h"

namespace platform {
namespace {

TEST(CodePage, CodesetNamesOfTheLocale) {
  EXPECT_EQ(CodePageFromCodeset("UTF-8"), kCodePageUtf8);
  EXPECT_EQ(CodePageFromCodeset("utf8"), kCodePageUtf8);
  EXPECT_EQ(CodePageFromCodeset("ISO-8859-1"), kCodePageWestern);
  EXPECT_EQ(CodePageFromCodeset("CP1252"), kCodePageWestern);
  EXPECT_EQ(CodePageFromCodeset("SHIFT_JIS"), kCodePageJapanese);
  EXPECT_EQ(CodePageFromCodeset("GB2312"), kCodePageSimplifiedChinese);
  EXPECT_EQ(CodePageFromCodeset("GBK"), kCodePageSimplifiedChinese);
  EXPECT_EQ(CodePageFromCodeset("EUC-KR"), kCodePageKorean);
  EXPECT_EQ(CodePageFromCodeset("BIG5"), kCodePageTraditionalChinese);
  EXPECT_EQ(CodePageFromCodeset("ANSI_X3.4-1968"), kCodePageUtf8);
}

TEST(CodePage, LeadBytesOfTheDoubleByteCodePages) {
  EXPECT_TRUE(IsLeadByte(kCodePageJapanese, 0x81));
  EXPECT_TRUE(IsLeadByte(kCodePageJapanese, 0x9F));
  EXPECT_FALSE(IsLeadByte(kCodePageJapanese, 0xA0));
  EXPECT_FALSE(IsLeadByte(kCodePageJapanese, 0xDF));
  EXPECT_TRUE(IsLeadByte(kCodePageJapanese, 0xE0));
  EXPECT_TRUE(IsLeadByte(kCodePageJapanese, 0xFC));
  EXPECT_FALSE(IsLeadByte(kCodePageJapanese, 0xFD));
  for (CodePage codePage : {kCodePageSimplifiedChinese, kCodePageKorean, kCodePageTraditionalChinese}) {
    EXPECT_FALSE(IsLeadByte(codePage, 0x80));
    EXPECT_TRUE(IsLeadByte(codePage, 0x81));
    EXPECT_TRUE(IsLeadByte(codePage, 0xFE));
    EXPECT_FALSE(IsLeadByte(codePage, 0xFF));
  }
  for (unsigned byte = 0; byte < 256; ++byte) {
    EXPECT_FALSE(IsLeadByte(kCodePageUtf8, static_cast<unsigned char>(byte)));
    EXPECT_FALSE(IsLeadByte(kCodePageWestern, static_cast<unsigned char>(byte)));
  }
}

TEST(CodePage, MissingCharactersBecomeOneDefaultCharacterEach) {
  EXPECT_EQ(Utf16ToCodePage(kCodePageWestern, u"a\u00E9\uD55C\uAE00b"), "a\xE9??b");
  EXPECT_EQ(Utf16ToCodePage(kCodePageJapanese, u"\u3042\uD55C"), "\x82\xA0?");
  EXPECT_EQ(Utf16ToCodePage(kCodePageSimplifiedChinese, u"\u4E2D"), "\xD6\xD0");
  EXPECT_EQ(Utf16ToCodePage(kCodePageTraditionalChinese, u"\u4E2D"), "\xA4\xA4");
  // A surrogate pair is one character; unpaired halves are one each.
  EXPECT_EQ(Utf16ToCodePage(kCodePageWestern, u"x\U0001D11Ey"), "x?y");
  EXPECT_EQ(Utf16ToCodePage(kCodePageUtf8, u"x\U0001D11Ey"), "x\xF0\x9D\x84\x9Ey");
  const char16_t lone[] = {u'a', 0xD800, u'b', 0xDC00, 0};
  EXPECT_EQ(Utf16ToCodePage(kCodePageUtf8, lone), "a?b?");
  EXPECT_EQ(Utf16ToCodePage(kCodePageKorean, lone), "a?b?");
  EXPECT_EQ(Utf16ToCodePage(kCodePageWestern, u""), "");
}

TEST(CodePage, UnknownCodePageCannotBeConverted) {
  EXPECT_EQ(Utf16ToCodePage(4242, u"abc"), std::nullopt);
}

TEST(CodePage, NarrowTextsToUtf8ForTheWindows) {
  EXPECT_EQ(CodePageToUtf8(kCodePageKorean, "\xC7\xD1"), "\xED\x95\x9C");
  EXPECT_EQ(CodePageToUtf8(kCodePageWestern, "caf\xE9"), "caf\xC3\xA9");
  EXPECT_EQ(CodePageToUtf8(kCodePageUtf8, "ok\xFFz"), "ok\xEF\xBF\xBDz");
  EXPECT_EQ(CodePageToUtf8(kCodePageJapanese, "\x82"), "\xEF\xBF\xBD");  // a lead byte cut short
}

}  // namespace
}  // namespace platform
