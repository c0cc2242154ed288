#include "i18n/language_table.h"

#include <algorithm>

#include "i18n/language_file.h"
#include "i18n/notices.h"
#include "i18n/utf8_decoder.h"
#include "platform/process.h"

namespace i18n {
namespace {

constexpr std::string_view kMarkerLine = ";!@Language@!UTF-8!";
constexpr std::uint16_t kFallbackLanguageId = 1033;

// Slot of (section, index), or -1 outside the table.
int SlotOf(int section, int index) {
  if (index < 0 || index >= SectionCount(section)) return -1;
  int slot = index;
  for (int s = 1; s < section; ++s) slot += SectionCount(s);
  return slot;
}

// baseFolder + "Lang/<id>.txt"; a folder or file that differs only in letter
// case stands in for a missing one, as in a tree copied from a case-blind disk.
std::string LanguageFilePath(const std::string& baseFolder, std::uint16_t languageId) {
  const std::string folder = platform::FindEntryPath(baseFolder, "Lang");
  return platform::FindEntryPath(folder, std::to_string(languageId) + ".txt");
}

// A closing quote taken into a double-byte pair ends up at the text's end,
// with at most one byte after it.
void TrimClosingQuote(std::string& text) {
  const std::size_t size = text.size();
  if (size >= 2 && text[size - 2] == '"') {
    text.resize(size - 2);
  } else if (size >= 1 && text[size - 1] == '"') {
    text.resize(size - 1);
  }
}

}  // namespace

int SectionCount(int section) {
  switch (section) {
    case static_cast<int>(LanguageSection::MainDialog): return kMainDialogCount;
    case static_cast<int>(LanguageSection::MainProcess): return kMainProcessCount;
    case static_cast<int>(LanguageSection::Message): return kMessageCount;
    case static_cast<int>(LanguageSection::Notice): return kNoticeCount;
    default: return 0;
  }
}

LanguageTable::LanguageTable(platform::CodePage codePage) : codePage_(codePage) {}

LanguageSource LanguageTable::Load(const std::string& baseFolder, std::uint16_t languageId) {
  LanguageSource source{LanguageFilePath(baseFolder, languageId), false};
  auto bytes = ReadLanguageFile(source.path);
  if (!bytes) {
    const std::string fallback = LanguageFilePath(baseFolder, kFallbackLanguageId);
    bytes = ReadLanguageFile(fallback);
    if (bytes) source.path = fallback;
  }
  if (!bytes) return source;
  source.opened = true;
  LoadContent(*bytes);
  return source;
}

int LanguageTable::TextCount() const {
  const auto holdsText = [](const std::string& text) { return !text.empty(); };
  return static_cast<int>(std::count_if(slots_.begin(), slots_.end(), holdsText));
}

void LanguageTable::LoadContent(std::string_view fileBytes) {
  const std::string working = BuildWorkingText(fileBytes);
  const std::vector<std::string_view> lines = SplitLines(working, codePage_);
  if (lines.empty() || lines.front() != kMarkerLine) return;

  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::string_view line = lines[i];
    if (line.front() == ';') continue;
    const EntryLine entry = SplitEntryLine(line, codePage_);
    if (entry.key.empty() || entry.text.empty()) return;  // the end of the entries
    const int section = ParseHexField(entry.key.substr(std::min<std::size_t>(4, entry.key.size()), 2));
    const int index = ParseHexField(entry.key.substr(std::min<std::size_t>(6, entry.key.size()), 2));
    if (SlotOf(section, index) >= 0) StoreEntry(section, index, entry.text);
  }
}

std::string LanguageTable::GetText(LanguageSection section, int index) const {
  const int slot = SlotOf(static_cast<int>(section), index);
  if (slot < 0) return std::string();
  const std::string& text = slots_[static_cast<std::size_t>(slot)];
  if (text.empty() && section == LanguageSection::Notice) return std::string(BuiltInNotice(index));
  return text;
}

std::string LanguageTable::GetText(Entry entry) const { return GetText(entry.section, entry.index); }

int LanguageTable::ParseHexField(std::string_view field) {
  int value = 0;
  for (char c : field.substr(0, 2)) {
    int digit = -1;
    if (c >= '0' && c <= '9') digit = c - '0';
    if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    if (digit < 0) return -1;
    value = value * 16 + digit;
  }
  return value;
}

std::optional<std::string> LanguageTable::DecodeEntryText(std::string_view utf8) const {
  const auto decoded = DecodeUtf8(utf8);
  if (!decoded) return std::nullopt;
  std::string text;
  for (std::size_t i = 0; i < decoded->runs.size(); ++i) {
    if (i > 0) text += platform::DefaultCharacter(codePage_);
    const auto run = platform::Utf16ToCodePage(codePage_, decoded->runs[i]);
    if (!run) return std::string();  // the conversion failed: an empty text
    text += *run;
  }
  TrimClosingQuote(text);
  return text;
}

void LanguageTable::StoreEntry(int section, int index, std::string_view text) {
  const int slot = SlotOf(section, index);
  if (slot < 0) return;
  if (auto decoded = DecodeEntryText(text)) slots_[static_cast<std::size_t>(slot)] = std::move(*decoded);
}

}  // namespace i18n
