// Code pages through the system's own conversions: the ANSI code page,
// its lead bytes and its default character.

#include <windows.h>

#include <vector>

#include "platform/codepage.h"

namespace platform {
namespace {

// The system converts code pages it has installed; a number it does not
// know is no code page at all.
bool Known(CodePage codePage) { return IsValidCodePage(codePage) != FALSE; }

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// The text for the system's conversion. A character beyond the 16-bit range
// is one character: no ANSI code page has it, and the system would give its
// two halves a default character each, so it becomes one '?' here. An
// unpaired half, which no code page holds either, becomes '?' too (the
// system would give UTF-8 its replacement character instead).
std::wstring Wide(std::u16string_view text, CodePage codePage) {
  std::wstring out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    const bool pair = IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(text[i + 1]);
    if (pair && codePage == kCodePageUtf8) {
      out.push_back(static_cast<wchar_t>(unit));
      out.push_back(static_cast<wchar_t>(text[++i]));
    } else if (pair || IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
      out.push_back(L'?');
      i += pair ? 1 : 0;
    } else {
      out.push_back(static_cast<wchar_t>(unit));
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

// Appends the characters of `bytes`; false (and nothing appended) when they
// do not decode in the code page.
bool Decode(CodePage codePage, std::string_view bytes, std::wstring& out) {
  const int size = static_cast<int>(bytes.size());
  const DWORD flags = codePage == kCodePageUtf8 ? 0 : MB_ERR_INVALID_CHARS;
  const int needed = MultiByteToWideChar(codePage, flags, bytes.data(), size, nullptr, 0);
  if (needed <= 0) return false;
  const std::size_t start = out.size();
  out.resize(start + static_cast<std::size_t>(needed));
  MultiByteToWideChar(codePage, flags, bytes.data(), size, out.data() + start, needed);
  return true;
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
  return Narrow(codePage, Wide(text, codePage));
}

// Each character of the code page on its own: one that does not decode
// becomes U+FFFD for its first byte, and the next byte starts afresh (the
// system would give the code page's own default character instead).
std::string CodePageToUtf8(CodePage codePage, std::string_view text) {
  if (!Known(codePage)) codePage = kCodePageUtf8;
  std::wstring wide;
  wide.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    const auto byte = static_cast<unsigned char>(text[pos]);
    std::size_t length = IsLeadByte(codePage, byte) && pos + 1 < text.size() ? 2 : 1;
    if (codePage == kCodePageUtf8) length = text.size() - pos;  // UTF-8 marks bad bytes itself
    if (!Decode(codePage, text.substr(pos, length), wide)) {
      wide.push_back(0xFFFD);
      length = 1;
    }
    pos += length;
  }
  return Narrow(CP_UTF8, wide);
}

}  // namespace platform
