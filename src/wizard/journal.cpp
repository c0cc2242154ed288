#include "wizard/journal.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <map>
#include <span>

#include "bootloader/sha256.h"
#include "device/serial_number.h"
#include "platform/durable_file.h"
#include "platform/port_discovery.h"
#include "platform/port_names.h"
#include "platform/regular_file.h"

namespace wizard {
namespace {

constexpr std::string_view kHeading = "quorrel-upgrade journal 1";
constexpr std::string_view kSuffix = ".note";
// A note is a few hundred bytes; anything much larger is no note of ours.
constexpr std::size_t kLargestNote = 16 * 1024;
// File names stay well inside every file system's limit; a longer key is
// cut and told apart by a digest of the whole.
constexpr std::size_t kLongestFileName = 160;
constexpr std::size_t kKeptOfLongName = 120;

// The words a note uses for its enumerations, both ways.
template <typename Value, std::size_t Size>
using WordTable = std::array<std::pair<Value, std::string_view>, Size>;

constexpr WordTable<SerialSource, 4> kSourceWords = {{
    {SerialSource::Read, "read"},
    {SerialSource::Option, "option"},
    {SerialSource::Journal, "journal"},
    {SerialSource::Placeholder, "placeholder"},
}};

constexpr WordTable<RunState, 3> kRunWords = {{
    {RunState::Running, "running"},
    {RunState::Ended, "ended"},
    {RunState::Interrupted, "interrupted"},
}};

template <typename Value, std::size_t Size>
std::string_view WordOf(const WordTable<Value, Size>& table, Value value) {
  for (const auto& [known, word] : table) {
    if (known == value) return word;
  }
  return table.front().second;
}

template <typename Value, std::size_t Size>
std::optional<Value> ValueOf(const WordTable<Value, Size>& table, std::string_view word) {
  for (const auto& [value, known] : table) {
    if (known == word) return value;
  }
  return std::nullopt;
}

char HexDigit(unsigned value) { return "0123456789abcdef"[value & 0xF]; }

// A value on one line: the backslash and every control byte as \xHH.
std::string EscapedValue(std::string_view text) {
  std::string out;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F || c == '\\') {
      out += "\\x";
      out += HexDigit(byte >> 4);
      out += HexDigit(byte);
    } else {
      out += c;
    }
  }
  return out;
}

std::optional<std::string> UnescapedValue(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    unsigned value = 0;
    if (i + 3 >= text.size() || text[i + 1] != 'x') return std::nullopt;
    const auto [end, error] = std::from_chars(text.data() + i + 2, text.data() + i + 4, value, 16);
    if (error != std::errc() || end != text.data() + i + 4) return std::nullopt;
    out += static_cast<char>(value);
    i += 3;
  }
  return out;
}

// Letters, digits, '.', '-' and '_' stand for themselves in a file name,
// anything else as %HH: two keys never share a name.
std::string FileNamePart(std::string_view text) {
  std::string out;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                       c == '-' || c == '_';
    if (plain) {
      out += c;
    } else {
      out += '%';
      out += HexDigit(byte >> 4);
      out += HexDigit(byte);
    }
  }
  return out;
}

using Fields = std::map<std::string, std::string, std::less<>>;

// The "key=value" lines under the heading; nothing when a line has no key
// or a key comes twice.
std::optional<Fields> ReadFields(std::string_view text) {
  const std::size_t firstEnd = text.find('\n');
  if (firstEnd == std::string_view::npos || text.substr(0, firstEnd) != kHeading) return std::nullopt;
  Fields fields;
  for (std::size_t pos = firstEnd + 1; pos < text.size();) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    if (line.empty()) continue;
    const std::size_t equals = line.find('=');
    if (equals == 0 || equals == std::string_view::npos) return std::nullopt;
    const auto value = UnescapedValue(line.substr(equals + 1));
    if (!value || !fields.emplace(std::string(line.substr(0, equals)), *value).second) return std::nullopt;
  }
  return fields;
}

std::optional<std::int64_t> ReadSize(std::string_view text) {
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 0) return std::nullopt;
  return value;
}

}  // namespace

std::string FormatJournalNote(const JournalNote& note) {
  std::string text = std::string(kHeading) + "\n";
  const auto line = [&](std::string_view key, std::string_view value) {
    text += std::string(key) + "=" + EscapedValue(value) + "\n";
  };
  line("port", note.port);
  line("device", note.device);
  if (note.adapterSerial) line("adapter_serial", *note.adapterSerial);
  line("model", note.model);
  line("serial", note.serialNumber);
  line("serial_source", WordOf(kSourceWords, note.serialSource));
  line("image", note.imagePath);
  line("image_size", std::to_string(note.imageSize));
  line("image_sha256", note.imageSha256);
  line("time", note.time);
  line("run", WordOf(kRunWords, note.run));
  return text;
}

std::optional<JournalNote> ParseJournalNote(std::string_view text) {
  const std::optional<Fields> fields = ReadFields(text);
  if (!fields) return std::nullopt;
  for (const char* required : {"port", "device", "serial", "serial_source", "time"}) {
    if (!fields->contains(required)) return std::nullopt;
  }
  const auto field = [&](const char* key) {
    auto found = fields->find(key);
    return found == fields->end() ? std::string() : found->second;
  };
  JournalNote note;
  note.port = field("port");
  note.device = field("device");
  if (fields->contains("adapter_serial")) note.adapterSerial = field("adapter_serial");
  note.model = field("model");
  note.serialNumber = field("serial");
  const auto source = ValueOf(kSourceWords, field("serial_source"));
  const auto size = fields->contains("image_size") ? ReadSize(field("image_size")) : std::optional<std::int64_t>(0);
  const auto run = fields->contains("run") ? ValueOf(kRunWords, field("run")) : std::optional(RunState::Running);
  if (!source || !size || !run) return std::nullopt;
  note.serialSource = *source;
  note.imagePath = field("image");
  note.imageSize = *size;
  note.imageSha256 = field("image_sha256");
  note.time = field("time");
  note.run = *run;
  return note;
}

JournalNote DeviceOfPort(const std::string& port) {
  JournalNote note;
  note.port = port;
  note.device = platform::DeviceNodeOf(platform::ResolvePortName(port));
  note.adapterSerial = platform::AdapterSerialOf(note.device);
  return note;
}

bool SameDevice(const JournalNote& a, const JournalNote& b) {
  if (a.adapterSerial && b.adapterSerial) return *a.adapterSerial == *b.adapterSerial;
  return a.device == b.device;
}

std::string NoteFileName(const JournalNote& note) {
  std::string key;
  if (note.adapterSerial) {
    key = "usb-" + *note.adapterSerial;
  } else if (note.device.starts_with("/dev/")) {
    key = "dev-" + note.device.substr(5);
  } else {
    key = "port-" + note.device;
  }
  std::string name = FileNamePart(key) + "+" + FileNamePart(note.serialNumber);
  if (name.size() + kSuffix.size() > kLongestFileName) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(name.data());
    name = name.substr(0, kKeptOfLongName) + "-" + bootloader::Sha256Hex(std::span(bytes, name.size())).substr(0, 16);
  }
  return name + std::string(kSuffix);
}

std::optional<FoundNote> LatestUsableNote(const std::vector<FoundNote>& notes) {
  for (const FoundNote& found : notes) {
    if (device::IsExactSerialNumber(found.note.serialNumber)) return found;
  }
  return std::nullopt;
}

std::vector<FoundNote> Journal::NotesFor(const JournalNote& device) const {
  std::vector<FoundNote> found;
  if (folder_.empty()) return found;
  for (const std::string& name : platform::ListFiles(folder_, std::string(kSuffix))) {
    std::optional<JournalNote> note = Read(name);
    if (note && SameDevice(*note, device)) found.push_back(FoundNote{folder_, name, std::move(*note)});
  }
  // ISO 8601 times in UTC sort as text.
  std::stable_sort(found.begin(), found.end(),
                   [](const FoundNote& a, const FoundNote& b) { return a.note.time > b.note.time; });
  return found;
}

std::optional<JournalNote> Journal::Read(const std::string& fileName) const {
  if (folder_.empty()) return std::nullopt;
  const platform::Result<std::string> text = platform::ReadRegularFile(folder_ + fileName, kLargestNote);
  if (!text.ok()) return std::nullopt;
  return ParseJournalNote(text.value);
}

platform::Result<bool> Journal::Write(const std::string& fileName, const JournalNote& note) const {
  return platform::WriteFileDurably(folder_, fileName, FormatJournalNote(note));
}

bool Journal::Remove(const std::string& fileName) const {
  return !folder_.empty() && platform::RemoveFileDurably(folder_, fileName).ok();
}

bool Journal::MarkRun(const FoundNote& found, RunState state) const {
  std::optional<JournalNote> stored = Read(found.fileName);
  if (!stored || !(*stored == found.note)) return false;
  stored->run = state;
  return Write(found.fileName, *stored).ok();
}

}  // namespace wizard
