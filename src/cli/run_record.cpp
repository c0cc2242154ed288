#include "cli/run_record.h"

#include <cstdio>

namespace cli {
namespace {

struct LeadByte {
  std::size_t length;           // of the whole sequence; 0: no lead byte
  unsigned char low, high;      // range of the second byte
};

LeadByte ClassifyLead(unsigned char lead) {
  if (lead < 0x80) return {1, 0, 0};
  if (lead >= 0xC2 && lead <= 0xDF) return {2, 0x80, 0xBF};
  if (lead == 0xE0) return {3, 0xA0, 0xBF};  // no overlong forms
  if (lead == 0xED) return {3, 0x80, 0x9F};  // no surrogates
  if (lead >= 0xE1 && lead <= 0xEF) return {3, 0x80, 0xBF};
  if (lead == 0xF0) return {4, 0x90, 0xBF};
  if (lead == 0xF4) return {4, 0x80, 0x8F};  // nothing past U+10FFFF
  if (lead >= 0xF1 && lead <= 0xF3) return {4, 0x80, 0xBF};
  return {0, 0, 0};
}

// Length of the valid UTF-8 sequence that starts at text[i], or 0.
std::size_t Utf8SequenceLength(const std::string& text, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const LeadByte lead = ClassifyLead(byte(i));
  if (lead.length <= 1) return lead.length;
  if (i + lead.length > text.size()) return 0;
  if (byte(i + 1) < lead.low || byte(i + 1) > lead.high) return 0;
  for (std::size_t k = 2; k < lead.length; ++k) {
    if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) return 0;
  }
  return lead.length;
}

void AppendEscaped(std::string& out, unsigned char c) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
  out += buffer;
}

class JsonObject {
 public:
  void Field(const char* name, const std::string& value) { Raw(name, JsonString(value)); }
  void Field(const char* name, const std::optional<std::string>& value) {
    Raw(name, value ? JsonString(*value) : "null");
  }
  void Field(const char* name, std::int64_t value) { Raw(name, std::to_string(value)); }
  void Field(const char* name, const std::optional<std::int64_t>& value) {
    Raw(name, value ? std::to_string(*value) : "null");
  }
  void Field(const char* name, bool value) { Raw(name, value ? "true" : "false"); }
  void Field(const char* name, const std::optional<double>& value) {
    char buffer[32];
    if (value) std::snprintf(buffer, sizeof buffer, "%.3f", *value);
    Raw(name, value ? buffer : "null");
  }
  std::string Line() const { return text_ + "}\n"; }

 private:
  void Raw(const char* name, const std::string& json) {
    text_ += text_.size() == 1 ? "" : ",";
    text_ += JsonString(name) + ":" + json;
  }
  std::string text_ = "{";
};

// Loader versions are read as four hexadecimal digits ("0110").
std::optional<std::string> LoaderVersionText(std::optional<std::uint16_t> version) {
  if (!version) return std::nullopt;
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "%04X", static_cast<unsigned>(*version));
  return std::string(buffer);
}

}  // namespace

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    const std::size_t length = Utf8SequenceLength(text, i);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c == 0x7F || length == 0) {
      AppendEscaped(out, c);
    } else {
      out.append(text, i, length);
      i += length;
      continue;
    }
    ++i;
  }
  return out + "\"";
}

std::string FormatRunRecord(const RunRecord& r) {
  JsonObject json;
  json.Field("start", r.startTime);
  json.Field("end", r.endTime.empty() ? std::nullopt : std::optional<std::string>(r.endTime));
  json.Field("host", r.host);
  json.Field("version", r.programVersion);
  json.Field("port", r.port);
  json.Field("device", r.device);
  json.Field("adapter_serial", r.adapterSerial);
  json.Field("model", r.model);
  json.Field("serial_read", r.serialRead);
  json.Field("serial_written", r.serialWritten);
  json.Field("loader_version", LoaderVersionText(r.loaderVersion));
  json.Field("patch_loaded", r.patchLoaded);
  json.Field("image", r.imagePath);
  json.Field("image_size", r.imageSize);
  json.Field("image_sha256", r.imageSha256);
  json.Field("outcome", r.outcome);
  json.Field("exit_status", r.exitStatus ? std::optional<std::int64_t>(*r.exitStatus) : std::nullopt);
  json.Field("bytes_programmed", r.bytesProgrammed);
  json.Field("verify", r.verify);
  json.Field("duration_s", r.durationSeconds);
  return json.Line();
}

}  // namespace cli
