#pragma once
// Narrow texts shown in windows are held in the system's code page, as the
// language files are decoded into it. This is the one place that knows what
// a code page is: its number, its lead bytes and its conversions.

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Code pages by their customary numbers: 1252 Western, 932 Japanese,
// 936 Simplified Chinese, 949 Korean, 950 Traditional Chinese, 65001 UTF-8.
using CodePage = unsigned;
inline constexpr CodePage kCodePageWestern = 1252;
inline constexpr CodePage kCodePageJapanese = 932;
inline constexpr CodePage kCodePageSimplifiedChinese = 936;
inline constexpr CodePage kCodePageKorean = 949;
inline constexpr CodePage kCodePageTraditionalChinese = 950;
inline constexpr CodePage kCodePageUtf8 = 65001;

// The code page of the process's locale (its LC_CTYPE codeset). A codeset
// this table does not know (plain ASCII of the "C" locale included) is taken
// as UTF-8, which can hold every text.
CodePage SystemCodePage();
// The mapping used by SystemCodePage, for a codeset name such as "EUC-KR".
CodePage CodePageFromCodeset(std::string_view codeset);

// True when `byte` starts a double-byte character in `codePage`. Single-byte
// code pages and UTF-8 have no lead bytes.
bool IsLeadByte(CodePage codePage, unsigned char byte);

// The code page's default character: what a character it lacks becomes.
std::string_view DefaultCharacter(CodePage codePage);

// UTF-16 to the code page. Every character the code page lacks, and every
// unpaired surrogate, becomes one default character. nullopt: the code page
// cannot be converted to at all.
std::optional<std::string> Utf16ToCodePage(CodePage codePage, std::u16string_view text);

// A narrow text of the code page to UTF-8 for the window hosts. A byte that
// does not decode becomes U+FFFD; nothing else is lost.
std::string CodePageToUtf8(CodePage codePage, std::string_view text);

}  // namespace platform
