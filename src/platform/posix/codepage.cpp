// Code pages through glibc's iconv. Conversions go one run of convertible
// characters at a time, so that each character a code page lacks becomes
// exactly one default character.

#include "platform/codepage.h"

#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace platform {
namespace {

constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";  // U+FFFD

// The iconv names of a code page, tried in order.
std::vector<const char*> IconvNames(CodePage codePage) {
  switch (codePage) {
    case kCodePageWestern: return {"CP1252"};
    case kCodePageJapanese: return {"CP932", "SHIFT_JIS"};
    case kCodePageSimplifiedChinese: return {"CP936", "GBK"};
    case kCodePageKorean: return {"CP949", "UHC", "EUC-KR"};
    case kCodePageTraditionalChinese: return {"CP950", "BIG5"};
    case kCodePageUtf8: return {"UTF-8"};
    default: return {};
  }
}

// One iconv descriptor, closed on every path.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (Ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool Ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Converts as much of [in, in + size) as it can; returns the bytes taken.
  // `stoppedOnBadInput` tells whether it stopped at a sequence it cannot take.
  std::size_t Convert(const char* in, std::size_t size, std::string& out, bool& stoppedOnBadInput) {
    stoppedOnBadInput = false;
    char* inPtr = const_cast<char*>(in);
    std::size_t inLeft = size;
    std::array<char, 256> buffer{};
    while (inLeft > 0) {
      char* outPtr = buffer.data();
      std::size_t outLeft = buffer.size();
      const std::size_t rc = iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft);
      out.append(buffer.data(), buffer.size() - outLeft);
      if (rc != static_cast<std::size_t>(-1)) continue;
      if (errno == E2BIG) continue;
      stoppedOnBadInput = true;  // EILSEQ or EINVAL
      break;
    }
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
    return size - inLeft;
  }

 private:
  iconv_t cd_;
};

// Opening a descriptor costs far more than a short conversion, so each
// thread keeps the ones it has opened (a descriptor serves one thread only).
Converter* OpenConverter(CodePage codePage, bool toCodePage) {
  thread_local std::map<std::pair<CodePage, bool>, std::unique_ptr<Converter>> cache;
  auto& slot = cache[{codePage, toCodePage}];
  if (slot) return slot.get();
  for (const char* name : IconvNames(codePage)) {
    auto converter = toCodePage ? std::make_unique<Converter>(name, "UTF-16LE")
                                : std::make_unique<Converter>("UTF-8", name);
    if (converter->Ok()) {
      slot = std::move(converter);
      return slot.get();
    }
  }
  return nullptr;
}

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Units of the character starting at `i`: 2 for a surrogate pair, 1 for
// anything else; 0 for an unpaired surrogate, which no code page holds.
std::size_t CharacterUnits(std::u16string_view text, std::size_t i) {
  if (IsHighSurrogate(text[i])) {
    return (i + 1 < text.size() && IsLowSurrogate(text[i + 1])) ? 2 : 0;
  }
  return IsLowSurrogate(text[i]) ? 0 : 1;
}

std::string LittleEndianBytes(std::u16string_view units) {
  std::string bytes;
  bytes.reserve(units.size() * 2);
  for (char16_t unit : units) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  return bytes;
}

// Converts a run of whole characters; those the code page lacks become the
// default character.
void ConvertRun(Converter& converter, CodePage codePage, std::u16string_view run, std::string& out) {
  const std::string bytes = LittleEndianBytes(run);
  std::size_t done = 0;
  while (done < bytes.size()) {
    bool bad = false;
    done += converter.Convert(bytes.data() + done, bytes.size() - done, out, bad);
    if (!bad) break;
    out += DefaultCharacter(codePage);
    const std::size_t unit = done / 2;
    done += 2 * std::max<std::size_t>(1, CharacterUnits(run, unit));
  }
}

}  // namespace

CodePage SystemCodePage() {
  // A locale object of our own: the process-wide locale stays untouched.
  locale_t locale = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(nullptr));
  if (locale == static_cast<locale_t>(nullptr)) return kCodePageUtf8;
  const CodePage codePage = CodePageFromCodeset(nl_langinfo_l(CODESET, locale));
  freelocale(locale);
  return codePage;
}

bool IsLeadByte(CodePage codePage, unsigned char byte) {
  switch (codePage) {
    case kCodePageJapanese: return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
    case kCodePageSimplifiedChinese:
    case kCodePageKorean:
    case kCodePageTraditionalChinese: return byte >= 0x81 && byte <= 0xFE;
    default: return false;
  }
}

std::string_view DefaultCharacter(CodePage /*codePage*/) { return "?"; }

std::optional<std::string> Utf16ToCodePage(CodePage codePage, std::u16string_view text) {
  Converter* converter = OpenConverter(codePage, true);
  if (!converter) return std::nullopt;
  std::string out;
  std::size_t runStart = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t units = CharacterUnits(text, i);
    if (units > 0) {
      i += units;
      continue;
    }
    ConvertRun(*converter, codePage, text.substr(runStart, i - runStart), out);
    out += DefaultCharacter(codePage);  // an unpaired surrogate
    runStart = ++i;
  }
  ConvertRun(*converter, codePage, text.substr(runStart), out);
  return out;
}

std::string CodePageToUtf8(CodePage codePage, std::string_view text) {
  Converter* converter = OpenConverter(codePage, false);
  if (!converter) converter = OpenConverter(kCodePageUtf8, false);
  if (!converter) return std::string(text);
  std::string out;
  std::size_t done = 0;
  while (done < text.size()) {
    bool bad = false;
    done += converter->Convert(text.data() + done, text.size() - done, out, bad);
    if (!bad) break;
    out += kReplacementUtf8;
    ++done;
  }
  return out;
}

}  // namespace platform
