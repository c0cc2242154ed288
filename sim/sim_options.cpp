#include "sim/sim_options.h"

#include <charconv>
#include <set>

namespace sim {
namespace {

constexpr std::size_t kMaxSerialLength = 64;
constexpr std::size_t kMaxNameLength = 100;

bool Fail(std::string* error, std::string text) {
  if (error) *error = std::move(text);
  return false;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Undoes the %HH escapes of a value.
std::optional<std::string> Unescape(std::string_view raw) {
  std::string out;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] != '%') {
      out += raw[i];
      continue;
    }
    if (raw.size() - i < 3) return std::nullopt;
    const int high = HexDigit(raw[i + 1]);
    const int low = HexDigit(raw[i + 2]);
    if (high < 0 || low < 0) return std::nullopt;
    out += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return out;
}

std::optional<std::uint32_t> Decimal(std::string_view text) {
  if (text.empty() || text.size() > 9) return std::nullopt;
  std::uint32_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::optional<bool> Flag(std::string_view text) {
  if (text == "0") return false;
  if (text == "1") return true;
  return std::nullopt;
}

std::optional<Hardware> HardwareFromText(std::string_view text) {
  if (text == "Apex" || text == "Quorrel Apex") return Hardware::Apex;
  if (text == "Tern" || text == "Quorrel Tern") return Hardware::Tern;
  if (text == "TernII" || text == "Quorrel Tern II Memory") return Hardware::TernIIMemory;
  return std::nullopt;
}

constexpr std::string_view kKeys[] = {"model", "name",  "serial", "loader",  "paced",
                                     "delay", "lead",  "trail",  "blank",   "boot",
                                     "txqueue", "fault"};

bool IsKey(std::string_view key) {
  for (const std::string_view known : kKeys) {
    if (key == known) return true;
  }
  return false;
}

struct NamedFault {
  std::string_view name;
  FaultKind kind;
  std::uint8_t command;
};

constexpr NamedFault kFaultNames[] = {
    {"no-reply", FaultKind::NoReply, 0},
    {"second-line", FaultKind::SecondLine, 0},
    {"empty-line", FaultKind::EmptyLine, 0},
    {"long-line", FaultKind::LongLine, 0},
    {"bad-serial", FaultKind::BadSerial, 0},
    {"no-sync", FaultKind::NoSync, 0},
    {"password-nak", FaultKind::Nak, 0x10},
    {"write-nak", FaultKind::Nak, 0x12},
    {"read-nak", FaultKind::Nak, 0x14},
    {"erase-nak", FaultKind::Nak, 0x18},
    {"jump-nak", FaultKind::Nak, 0x1A},
    {"password-fail", FaultKind::Fail, 0x10},
    {"write-fail", FaultKind::Fail, 0x12},
    {"read-fail", FaultKind::Fail, 0x14},
    {"erase-fail", FaultKind::Fail, 0x18},
    {"jump-fail", FaultKind::Fail, 0x1A},
    {"bad-checksum", FaultKind::BadChecksum, 0},
    {"unequal-length", FaultKind::UnequalLength, 0},
    {"oversize-frame", FaultKind::OversizeFrame, 0},
    {"early-nak", FaultKind::EarlyNak, 0},
    {"dead", FaultKind::Dead, 0},
};

// "@N", "@N+" or "@N-M" after a fault's name.
bool ParseOccurrences(std::string_view text, Fault& fault) {
  if (text.empty()) return true;
  if (text.front() != '@') return false;
  text.remove_prefix(1);
  std::string_view firstText = text;
  std::string_view lastText;
  bool open = false;
  if (const auto dash = text.find('-'); dash != std::string_view::npos) {
    firstText = text.substr(0, dash);
    lastText = text.substr(dash + 1);
  } else if (!text.empty() && text.back() == '+') {
    firstText = text.substr(0, text.size() - 1);
    open = true;
  }
  const auto first = Decimal(firstText);
  if (!first || *first == 0) return false;
  fault.first = *first;
  fault.last = open ? UINT32_MAX : *first;
  if (!lastText.empty()) {
    const auto last = Decimal(lastText);
    if (!last || *last < *first) return false;
    fault.last = *last;
  }
  return true;
}

std::optional<Fault> ParseFault(std::string_view text) {
  const auto at = text.find('@');
  const std::string_view name = text.substr(0, at);
  for (const auto& named : kFaultNames) {
    if (named.name != name) continue;
    Fault fault{named.kind, named.command};
    if (at != std::string_view::npos && !ParseOccurrences(text.substr(at), fault)) return std::nullopt;
    // The line goes dead once, after a number of bytes that must be given.
    if (fault.kind == FaultKind::Dead && (at == std::string_view::npos || fault.first != fault.last))
      return std::nullopt;
    return fault;
  }
  return std::nullopt;
}

bool ApplyPair(std::string_view key, const std::string& value, SimOptions& options, bool& nameGiven,
               std::string* error) {
  const std::string bad = "the sim option \"" + std::string(key) + "\" has a bad value";
  if (key == "model") {
    const auto hardware = HardwareFromText(value);
    if (!hardware) return Fail(error, bad + " (Apex, Tern or TernII)");
    options.hardware = *hardware;
    if (!nameGiven) options.model = std::string(ModelName(*hardware));
  } else if (key == "name") {
    if (value.size() > kMaxNameLength) return Fail(error, bad + " (too long)");
    options.model = value;
    nameGiven = true;
  } else if (key == "serial") {
    if (value.size() > kMaxSerialLength || value.find_first_of(std::string_view("{}\0", 3)) != std::string::npos)
      return Fail(error, bad + " (at most 64 characters, no braces)");
    options.serialNumber = value;
  } else if (key == "loader") {
    if (value.size() != 4) return Fail(error, bad + " (four hex digits)");
    std::uint16_t version = 0;
    for (const char c : value) {
      const int digit = HexDigit(c);
      if (digit < 0) return Fail(error, bad + " (four hex digits)");
      version = static_cast<std::uint16_t>(version * 16 + digit);
    }
    options.loaderVersion = version;
  } else if (key == "paced" || key == "blank") {
    const auto flag = Flag(value);
    if (!flag) return Fail(error, bad + " (0 or 1)");
    (key == "paced" ? options.paced : options.blank) = *flag;
  } else if (key == "delay") {
    const auto ms = Decimal(value);
    if (!ms || *ms > 60'000) return Fail(error, bad + " (milliseconds, at most 60000)");
    options.replyDelayMs = *ms;
  } else if (key == "boot") {
    const auto ms = Decimal(value);
    if (!ms || *ms > 10'000) return Fail(error, bad + " (milliseconds, at most 10000)");
    options.bootMs = *ms;
  } else if (key == "txqueue") {
    const auto bytes = Decimal(value);
    if (!bytes || *bytes > 65'536) return Fail(error, bad + " (bytes, at most 65536)");
    options.transmitQueue = *bytes;
  } else if (key == "lead") {
    if (value.size() != 1) return Fail(error, bad + " (one character)");
    options.replyLead = value[0];
  } else if (key == "trail") {
    if (value.size() != 2) return Fail(error, bad + " (two characters)");
    options.replyTrail = value;
  } else if (key == "fault") {
    const auto fault = ParseFault(value);
    if (!fault) return Fail(error, "the sim fault \"" + value + "\" is not known or has a bad count");
    options.faults.push_back(*fault);
  } else {
    return Fail(error, "the sim option \"" + std::string(key) + "\" is not known");
  }
  return true;
}

}  // namespace

std::span<const std::string_view> SimOptionKeys() { return kKeys; }

bool SimOptions::Has(FaultKind kind) const {
  for (const auto& fault : faults)
    if (fault.kind == kind) return true;
  return false;
}

std::string_view ModelName(Hardware hardware) {
  switch (hardware) {
    case Hardware::Apex: return "Quorrel Apex";
    case Hardware::Tern: return "Quorrel Tern";
    case Hardware::TernIIMemory: return "Quorrel Tern II Memory";
  }
  return "Quorrel Apex";
}

std::optional<SimOptions> ParseSimOptions(std::string_view text, std::string* error) {
  SimOptions options;
  bool nameGiven = false;
  std::set<std::string> seen;
  while (!text.empty()) {
    const auto comma = text.find(',');
    const std::string_view pair = text.substr(0, comma);
    text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    if (comma != std::string_view::npos && text.empty()) {
      Fail(error, "the sim options end with a comma");
      return std::nullopt;
    }
    const auto equals = pair.find('=');
    if (equals == std::string_view::npos || equals == 0) {
      Fail(error, "the sim option \"" + std::string(pair) + "\" is not of the form key=value");
      return std::nullopt;
    }
    const std::string key(pair.substr(0, equals));
    if (!IsKey(key)) {
      Fail(error, "the sim option \"" + key + "\" is not known");
      return std::nullopt;
    }
    const auto value = Unescape(pair.substr(equals + 1));
    if (!value) {
      Fail(error, "the sim option \"" + key + "\" has a bad %HH escape");
      return std::nullopt;
    }
    if (key != "fault" && !seen.insert(key).second) {
      Fail(error, "the sim option \"" + key + "\" is given twice");
      return std::nullopt;
    }
    if (!ApplyPair(key, *value, options, nameGiven, error)) return std::nullopt;
  }
  return options;
}

}  // namespace sim
