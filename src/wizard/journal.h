#pragma once
// The upgrade journal: a small note written before the first erase frame
// leaves, holding what a later run needs when this one never ends (a kill, a
// crash, a power cut): which device, the serial number it goes back with,
// the image. The note goes once the device ends whole; while the device may
// be left in its loader it stays, so that the next run on that device can
// write the number back and say what became of the run before.
//
// Notes live in the user's state folder, one file per device and serial
// number, so a fixture that sees one interface after another keeps the note
// of each one that was left in its loader.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/result.h"

namespace wizard {

// How the number in a note was come by.
enum class SerialSource { Read, Option, Journal, Placeholder };

// What became of the run that wrote a note.
enum class RunState {
  Running,      // as written before the erase: found so later, the run never ended
  Ended,        // it ended and said how, leaving the device in its loader
  Interrupted,  // it never ended, and a later run has written its record
};

struct JournalNote {
  // Which device: the port as the user gave it, what it resolved to (links
  // followed), and the USB adapter's serial number where it is known.
  std::string port;
  std::string device;
  std::optional<std::string> adapterSerial;

  std::string model;         // as the interface answered; empty in recovery
  std::string serialNumber;  // the number the run writes back
  SerialSource serialSource = SerialSource::Read;
  std::string imagePath;
  std::int64_t imageSize = 0;
  std::string imageSha256;
  std::string time;  // UTC, ISO 8601 to the millisecond, when it was written
  RunState run = RunState::Running;

  friend bool operator==(const JournalNote&, const JournalNote&) = default;
};

// The note as a few "key=value" lines under a heading line. Bytes that
// would break a line are written as \xHH, so any path survives.
std::string FormatJournalNote(const JournalNote& note);
// The note a text holds; nothing when it is not one (no heading, a required
// key missing or repeated, a value that does not read).
std::optional<JournalNote> ParseJournalNote(std::string_view text);

// The device part of a note for a port as the user gave it.
JournalNote DeviceOfPort(const std::string& port);
// Two notes are of one device when their adapters' serial numbers are equal,
// or, where either is not known, when they resolved to the same device.
bool SameDevice(const JournalNote& a, const JournalNote& b);
// The file a note is kept in: one per device and serial number.
std::string NoteFileName(const JournalNote& note);

// A note as it was found in a folder.
struct FoundNote {
  std::string folder;
  std::string fileName;
  JournalNote note;
};

// The newest note whose number may be written back as it stands (exactly a
// serial number, as --serial must be: every character reaches the device).
std::optional<FoundNote> LatestUsableNote(const std::vector<FoundNote>& notes);

class Journal {
 public:
  // `folder` ends with '/'; empty when no folder is known, and every write fails.
  explicit Journal(std::string folder) : folder_(std::move(folder)) {}

  const std::string& Folder() const { return folder_; }
  // The notes of the device `device` names, newest first.
  std::vector<FoundNote> NotesFor(const JournalNote& device) const;
  // The note kept under `fileName`, if that file holds one.
  std::optional<JournalNote> Read(const std::string& fileName) const;
  // Atomically and synced; the reason when it could not be written.
  platform::Result<bool> Write(const std::string& fileName, const JournalNote& note) const;
  bool Remove(const std::string& fileName) const;
  // Sets the state of the run a found note tells of, if its file still holds
  // that note.
  bool MarkRun(const FoundNote& found, RunState state) const;

 private:
  std::string folder_;
};

}  // namespace wizard
