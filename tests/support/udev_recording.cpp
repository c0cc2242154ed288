#include "support/udev_recording.h"

#include <fstream>
#include <iterator>
#include <map>
#include <optional>

namespace platform {
namespace {

constexpr std::string_view kDevFolder = "/dev/";

// The record being read, and whether it is a tty.
struct Pending {
  PortRecord record;
  std::string subsystem;
  std::string driver;  // the device's own driver, for the ttys below it
};

struct Reading {
  std::vector<PortRecord> ttys;
  std::map<std::string, std::string> drivers;  // device path -> driver
};

std::string UnderDev(std::string_view name) {
  if (name.starts_with('/')) return std::string(name);
  return std::string(kDevFolder) + std::string(name);
}

void Finish(std::optional<Pending>& pending, Reading& reading) {
  if (pending && !pending->record.devPath.empty()) {
    if (!pending->driver.empty() && pending->subsystem != kSerialCoreBus) reading.drivers[pending->record.devPath] = pending->driver;
    if (pending->subsystem == "tty") reading.ttys.push_back(std::move(pending->record));
  }
  pending.reset();
}

// The driver of the nearest device above the tty that has one, passing over
// the serial core's own devices, as the live source does.
std::string AncestorDriver(const std::string& devPath, const std::map<std::string, std::string>& drivers) {
  std::string path = devPath;
  for (std::size_t slash = path.rfind('/'); slash != std::string::npos && slash > 0; slash = path.rfind('/')) {
    path.resize(slash);
    const auto found = drivers.find(path);
    if (found != drivers.end()) return found->second;
  }
  return {};
}

void TakeLine(Pending& pending, char tag, std::string_view value) {
  PortRecord& record = pending.record;
  switch (tag) {
    case 'P': record.devPath = std::string(value); break;
    case 'N': record.devNode = UnderDev(value); break;
    case 'S': record.links.push_back(UnderDev(value)); break;
    case 'U': pending.subsystem = std::string(value); break;
    case 'E': {
      const std::size_t equals = value.find('=');
      if (equals == std::string_view::npos || equals == 0) break;
      const std::string key(value.substr(0, equals));
      const std::string text(value.substr(equals + 1));
      if (key == "SUBSYSTEM") pending.subsystem = text;
      if (key == "DEVNAME") record.devNode = UnderDev(text);
      if (key == "DRIVER") pending.driver = text;
      record.properties[key] = text;
      break;
    }
    default: break;
  }
}

}  // namespace

std::vector<PortRecord> ParseUdevRecording(std::string_view text) {
  Reading reading;
  std::optional<Pending> pending;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (line.empty()) {
      Finish(pending, reading);
      continue;
    }
    // "X: value": one tag letter, a colon and a space.
    if (line.size() < 3 || line[1] != ':' || line[2] != ' ') continue;
    if (!pending) pending.emplace();
    TakeLine(*pending, line[0], line.substr(3));
  }
  Finish(pending, reading);
  for (PortRecord& tty : reading.ttys) tty.parentDriver = AncestorDriver(tty.devPath, reading.drivers);
  return std::move(reading.ttys);
}

bool RecordedPortSource::Records(std::vector<PortRecord>& records) {
  std::ifstream file(path_, std::ios::binary);
  if (!file) return false;
  const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::vector<PortRecord> parsed = ParseUdevRecording(text);
  records.insert(records.end(), std::make_move_iterator(parsed.begin()), std::make_move_iterator(parsed.end()));
  return true;
}

}  // namespace platform
