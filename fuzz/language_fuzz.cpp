// Any bytes as a language file's content, read under a UTF-8, a Japanese
// and a Korean table. Besides the sanitizers it checks what must hold for
// every input: a UTF-8 table holds valid UTF-8 without a double quote, and
// every text of any table converts back for the windows.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "i18n/language_table.h"

namespace {

bool IsValidUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto byte = static_cast<unsigned char>(text[i]);
    const std::size_t length = byte < 0x80 ? 1 : (byte >> 5) == 0x6 ? 2 : (byte >> 4) == 0xE ? 3
                                                 : (byte >> 3) == 0x1E ? 4 : 0;
    if (length == 0 || i + length > text.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    }
    i += length;
  }
  return true;
}

void Check(bool holds) {
  if (!holds) std::abort();
}

void ReadUnder(platform::CodePage codePage, std::string_view content) {
  i18n::LanguageTable table(codePage);
  table.LoadContent(content);
  for (int section = 0; section <= 4; ++section) {
    for (int index = -1; index <= 18; ++index) {
      const std::string text = table.GetText(static_cast<i18n::LanguageSection>(section), index);
      if (i18n::SectionCount(section) == 0 || index < 0 || index >= i18n::SectionCount(section)) {
        Check(text.empty());
      }
      if (codePage == platform::kCodePageUtf8) {
        Check(IsValidUtf8(text) && text.find('"') == std::string::npos);
      }
      Check(IsValidUtf8(platform::CodePageToUtf8(codePage, text)));
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view content(reinterpret_cast<const char*>(data), size);
  ReadUnder(platform::kCodePageUtf8, content);
  ReadUnder(platform::kCodePageJapanese, content);
  ReadUnder(platform::kCodePageKorean, content);
  return 0;
}
