// Code pages through the system's own conversions: the ANSI code page,
// its lead bytes and its default character.

#include <windows.h>

#include <vector>

#include "platform/codepage.h"

namespace platform {
namespace {

constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";  // U+FFFD

// The system converts code pages it has installed; a number it does not
// know is no code page at all.
bool Known(CodePage codePage) { return IsValidCodePage(codePage) != FALSE; }

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// The text for the system's conversion. An unpaired surrogate, which no
// code page holds, becomes '?' here: the system would give UTF-8 its
// replacement character instead of the default character.
std::wstring Wide(std::u16string_view text) {
  std::wstring out(text.begin(), text.end());
  for (std::size_t i = 0; i < out.size(); ++i) {
    const char16_t unit = text[i];
    if (IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      ++i;
    } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
      out[i] = L'?';
    }
  }
  return out;
}

std::string Narrow(UINT codePage, const std::wstring& text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int needed = WideCharToMultiByte(codePage, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return {};
  std::string out(static_cast<std::size_t>(needed), '\0');
  WideCharToMultiByte(codePage, 0, text.data(), size, out.data(), needed, nullptr, nullptr);
  return out;
}

}  // namespace

CodePage SystemCodePage() { return GetACP(); }

bool IsLeadByte(CodePage codePage, unsigned char byte) {
  return codePage != kCodePageUtf8 && Known(codePage) && IsDBCSLeadByteEx(codePage, byte) != FALSE;
}

// The ANSI code pages all have '?' for theirs (CPINFO's DefaultChar).
std::string_view DefaultCharacter(CodePage /*codePage*/) { return "?"; }

std::optional<std::string> Utf16ToCodePage(CodePage codePage, std::u16string_view text) {
  if (!Known(codePage)) return std::nullopt;
  // No flags: each character the code page lacks becomes its default
  // character (or its best fit where the code page has one).
  return Narrow(codePage, Wide(text));
}

std::string CodePageToUtf8(CodePage codePage, std::string_view text) {
  if (text.empty()) return {};
  if (!Known(codePage)) codePage = kCodePageUtf8;
  const int size = static_cast<int>(text.size());
  const int needed = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
  if (needed <= 0) return std::string(kReplacementUtf8);
  std::wstring wide(static_cast<std::size_t>(needed), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), size, wide.data(), needed);
  return Narrow(CP_UTF8, wide);
}

}  // namespace platform
