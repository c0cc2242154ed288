#pragma once
// One record of one device upgrade, as a production line keeps it: which
// firmware went into which serial number, when, and how it ended. Written as
// one JSON object on one line (JSON Lines), appended to the --report file.

#include <cstdint>
#include <optional>
#include <string>

namespace cli {

struct RunRecord {
  std::string startTime;  // UTC, ISO 8601 to the millisecond
  std::string endTime;    // empty (null) when not known: a run that was interrupted
  std::string host;
  std::string programVersion;

  std::string port;                         // as the user gave it
  std::string device;                       // what it resolved to
  std::optional<std::string> adapterSerial;  // the USB adapter's serial number, where known

  std::optional<std::string> model;
  std::optional<std::string> serialRead;
  std::optional<std::string> serialWritten;
  std::optional<std::uint16_t> loaderVersion;
  bool patchLoaded = false;

  std::optional<std::string> imagePath;
  std::optional<std::int64_t> imageSize;
  std::optional<std::string> imageSha256;

  std::string outcome;  // a stable word: "succeeded", "erase-failed", ...
  std::optional<int> exitStatus = 0;  // null for a run that was interrupted
  std::int64_t bytesProgrammed = 0;
  std::string verify;  // "passed", "failed" or "not-run"
  std::optional<double> durationSeconds = 0;  // null for a run that was interrupted
};

// The record as one line of JSON, ending in a line feed. Text that is not
// valid UTF-8 keeps every byte, as \u00XX escapes of the bytes that break it.
std::string FormatRunRecord(const RunRecord& record);

// A string as a JSON string literal, quotes included.
std::string JsonString(const std::string& text);

}  // namespace cli
