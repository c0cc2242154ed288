// Code pages by the names a system's locale gives its character set.

#include <algorithm>
#include <cctype>
#include <string>

#include "platform/codepage.h"

namespace platform {
namespace {

std::string Upper(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return out;
}

}  // namespace

CodePage CodePageFromCodeset(std::string_view codeset) {
  const std::string name = Upper(codeset);
  if (name == "UTF-8" || name == "UTF8") return kCodePageUtf8;
  if (name == "ISO-8859-1" || name == "ISO8859-1" || name == "CP1252" || name == "WINDOWS-1252") {
    return kCodePageWestern;
  }
  if (name == "SHIFT_JIS" || name == "SJIS" || name == "CP932" || name == "SHIFT-JIS") {
    return kCodePageJapanese;
  }
  if (name == "GBK" || name == "GB2312" || name == "CP936") return kCodePageSimplifiedChinese;
  if (name == "EUC-KR" || name == "CP949" || name == "UHC") return kCodePageKorean;
  if (name == "BIG5" || name == "CP950" || name == "BIG5-HKSCS") return kCodePageTraditionalChinese;
  return kCodePageUtf8;
}

}  // namespace platform
