#include "gui/win32/wide_text.h"

#include "gui/win32/dialog_template_bytes.h"

namespace gui::win32 {

std::wstring WideOf(platform::CodePage codePage, std::string_view text) {
  const std::u16string utf16 = Utf16Of(platform::CodePageToUtf8(codePage, text));
  return std::wstring(utf16.begin(), utf16.end());
}

std::string NarrowOf(platform::CodePage codePage, std::wstring_view text) {
  const std::u16string utf16(text.begin(), text.end());
  return platform::Utf16ToCodePage(codePage, utf16).value_or(std::string());
}

}  // namespace gui::win32
