#include "i18n/language_file.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "platform/regular_file.h"

namespace i18n {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";


// Bytes taken by the character that starts at `pos`: two for a lead byte
// with a byte after it, else one.
std::size_t CharacterLength(std::string_view text, std::size_t pos, platform::CodePage codePage) {
  const auto byte = static_cast<unsigned char>(text[pos]);
  return (platform::IsLeadByte(codePage, byte) && pos + 1 < text.size()) ? 2 : 1;
}

// From `pos`, the position of the first single character found in `stops`,
// or text.size().
std::size_t FindStop(std::string_view text, std::size_t pos, std::string_view stops,
                     platform::CodePage codePage) {
  while (pos < text.size()) {
    const std::size_t length = CharacterLength(text, pos, codePage);
    if (length == 1 && stops.find(text[pos]) != std::string_view::npos) return pos;
    pos += length;
  }
  return text.size();
}

}  // namespace

std::optional<std::string> ReadLanguageFile(const std::string& path) {
  // Language files have no length limit of their own.
  platform::Result<std::string> read = platform::ReadRegularFile(path, std::numeric_limits<std::size_t>::max());
  if (read.ok()) return std::move(read.value);
  if (read.error != platform::Error::ReadFailed) return std::nullopt;
  // Keep the whole lines read so far: a cut line could give a cut text.
  std::string& bytes = read.value;
  const std::size_t lastBreak = bytes.rfind('\n');
  bytes.resize(lastBreak == std::string::npos ? 0 : lastBreak + 1);
  return std::move(bytes);
}

std::string BuildWorkingText(std::string_view fileBytes) {
  std::string working;
  working.reserve(fileBytes.size() + fileBytes.size() / 8 + 2);
  bool firstLine = true;
  std::size_t pos = 0;
  while (pos < fileBytes.size()) {
    std::size_t end = fileBytes.find('\n', pos);
    const std::size_t next = (end == std::string_view::npos) ? fileBytes.size() : end + 1;
    if (end == std::string_view::npos) end = fileBytes.size();
    std::string_view line = fileBytes.substr(pos, end - pos);
    if (firstLine && line.starts_with(kByteOrderMark)) line.remove_prefix(kByteOrderMark.size());
    firstLine = false;
    working.append(line);
    working.append("\r\n");
    pos = next;
  }
  return working;
}

std::vector<std::string_view> SplitLines(std::string_view workingText, platform::CodePage codePage) {
  std::vector<std::string_view> lines;
  std::size_t pos = 0;
  while (pos < workingText.size()) {
    const std::size_t end = FindStop(workingText, pos, "\r\n", codePage);
    if (end > pos) lines.push_back(workingText.substr(pos, end - pos));
    pos = end + 1;
  }
  return lines;
}

EntryLine SplitEntryLine(std::string_view line, platform::CodePage codePage) {
  EntryLine entry;
  const std::size_t keyStart = std::min(line.find_first_not_of("=\""), line.size());
  const std::size_t keyEnd = FindStop(line, keyStart, "=\"", codePage);
  entry.key = line.substr(keyStart, keyEnd - keyStart);
  if (keyEnd >= line.size()) return entry;  // nothing after the key: no text

  std::size_t textStart = keyEnd + 1;
  while (textStart < line.size() && line[textStart] == '"') ++textStart;
  const std::size_t textEnd = FindStop(line, textStart, "\"", codePage);
  entry.text = line.substr(textStart, textEnd - textStart);
  return entry;
}

}  // namespace i18n
