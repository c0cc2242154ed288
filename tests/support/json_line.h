#pragma once
// Reads back one line of the run records: a flat JSON object whose values are
// strings, numbers, true, false or null. Anything else, or anything after the
// object, is no record.

#include <cstdint>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace testing_support {

using JsonValue = std::variant<std::nullptr_t, bool, double, std::string>;
using JsonObject = std::map<std::string, JsonValue>;

class JsonLineReader {
 public:
  explicit JsonLineReader(std::string_view text) : text_(text) {}

  std::optional<JsonObject> Object() {
    JsonObject object;
    if (!Take('{')) return std::nullopt;
    if (!Take('}')) {
      do {
        auto key = String();
        if (!key || !Take(':')) return std::nullopt;
        auto value = Value();
        if (!value) return std::nullopt;
        object[*key] = *value;
      } while (Take(','));
      if (!Take('}')) return std::nullopt;
    }
    SkipBlanks();
    if (pos_ != text_.size()) return std::nullopt;
    return object;
  }

 private:
  void SkipBlanks() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\n')) ++pos_;
  }
  bool Take(char c) {
    SkipBlanks();
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }
  bool TakeWord(std::string_view word) {
    if (text_.substr(pos_, word.size()) != word) return false;
    pos_ += word.size();
    return true;
  }
  std::optional<JsonValue> Value() {
    SkipBlanks();
    if (pos_ >= text_.size()) return std::nullopt;
    if (text_[pos_] == '"') {
      auto s = String();
      return s ? std::optional<JsonValue>(*s) : std::nullopt;
    }
    if (TakeWord("null")) return JsonValue(nullptr);
    if (TakeWord("true")) return JsonValue(true);
    if (TakeWord("false")) return JsonValue(false);
    const std::size_t start = pos_;
    while (pos_ < text_.size() && std::string_view("+-.0123456789eE").find(text_[pos_]) != std::string_view::npos) ++pos_;
    if (pos_ == start) return std::nullopt;
    return JsonValue(std::stod(std::string(text_.substr(start, pos_ - start))));
  }
  std::optional<std::string> String() {
    if (!Take('"')) return std::nullopt;
    std::string out;
    while (pos_ < text_.size() && text_[pos_] != '"') {
      char c = text_[pos_++];
      if (static_cast<unsigned char>(c) < 0x20) return std::nullopt;
      if (c != '\\') {
        out += c;
        continue;
      }
      if (pos_ >= text_.size()) return std::nullopt;
      c = text_[pos_++];
      if (c == 'u') {
        if (pos_ + 4 > text_.size()) return std::nullopt;
        const unsigned code = static_cast<unsigned>(std::stoul(std::string(text_.substr(pos_, 4)), nullptr, 16));
        pos_ += 4;
        AppendUtf8(out, code);
      } else if (c == 'n') {
        out += '\n';
      } else if (c == 't') {
        out += '\t';
      } else if (c == '"' || c == '\\' || c == '/') {
        out += c;
      } else {
        return std::nullopt;
      }
    }
    if (!Take('"')) return std::nullopt;
    return out;
  }
  static void AppendUtf8(std::string& out, unsigned code) {
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (code >> 12));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

inline std::optional<JsonObject> ParseJsonLine(std::string_view line) { return JsonLineReader(line).Object(); }

// A record file read back line by line: the records, and the lines that are none.
struct JsonLines {
  std::vector<JsonObject> records;
  std::vector<std::string> refused;
};

inline JsonLines ReadJsonLines(const std::string& path) {
  JsonLines read;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) {
    if (auto record = ParseJsonLine(line)) {
      read.records.push_back(*record);
    } else {
      read.refused.push_back(line);
    }
  }
  return read;
}

}  // namespace testing_support
