#include "gui/window_text.h"

namespace gui {

QString FromCodePage(platform::CodePage codePage, std::string_view text) {
  return QString::fromStdString(platform::CodePageToUtf8(codePage, text));
}

std::string ToCodePage(platform::CodePage codePage, const QString& text) {
  const std::u16string_view utf16(reinterpret_cast<const char16_t*>(text.utf16()),
                                  static_cast<std::size_t>(text.size()));
  return platform::Utf16ToCodePage(codePage, utf16).value_or(std::string());
}

}  // namespace gui
