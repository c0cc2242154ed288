// The upgrade journal as the dialog keeps it: a note before the first erase
// frame leaves, the number a recovery takes from it, what detection says of
// a silent firmware that a note explains, and the note's end once the
// device is whole again.

#include <algorithm>
#include <chrono>

#include "bootloader/firmware_image.h"
#include "device/serial_number.h"
#include "i18n/language_table.h"
#include "i18n/notices.h"
#include "platform/shell_word.h"
#include "platform/utc_time.h"
#include "resources/dialog_ids.h"
#include "wizard/upgrade_dialog.h"

namespace wizard {

using namespace resources;

namespace {

std::string RecoveryCommand(const std::string& portName, const JournalNote& note) {
  return "quorrel-upgrade --recovery --port " + platform::ShellWord(portName) + " --image " + platform::ShellWord(note.imagePath);
}

// Endings that leave the device as the run found it: nothing reached the
// loader, or nothing was erased.
bool LeavesDeviceUntouched(UpgradeOutcome outcome) {
  return outcome == UpgradeOutcome::LinkNotOpened || outcome == UpgradeOutcome::StoppedUntouched;
}

}  // namespace

std::vector<FoundNote> UpgradeDialog::JournalNotesFound() const {
  std::lock_guard<std::mutex> guard(m_journalMutex);
  return m_journalFound;
}

void UpgradeDialog::RememberFound(const FoundNote& found) {
  std::lock_guard<std::mutex> guard(m_journalMutex);
  const bool known = std::any_of(m_journalFound.begin(), m_journalFound.end(), [&](const FoundNote& seen) {
    return seen.fileName == found.fileName && seen.note.time == found.note.time;
  });
  if (!known) m_journalFound.push_back(found);
}

std::vector<FoundNote> UpgradeDialog::FindJournalNotes(const std::string& portName) {
  std::vector<FoundNote> notes = TheJournal().NotesFor(DeviceOfPort(portName));
  for (const FoundNote& found : notes) RememberFound(found);
  return notes;
}

// A firmware that does not answer may be a device an earlier run left in
// its loader: the note of that run says so, with its number and the way out.
std::string UpgradeDialog::SilentFirmwareMessage(const std::string& portName) {
  const std::optional<FoundNote> latest = LatestUsableNote(FindJournalNotes(portName));
  if (!latest) return Text(i18n::prjProDlg5);
  const JournalNote& note = latest->note;
  return i18n::FillIn(Advice(i18n::LastRunInLoaderWindow, i18n::LastRunInLoaderTerminal),
                      {{"port", portName},
                       {"time", note.time},
                       {"serial", note.serialNumber},
                       {"command", RecoveryCommand(portName, note)}});
}

void UpgradeDialog::LookUpRecoveryNote(const std::string& portName) {
  std::optional<FoundNote> latest = LatestUsableNote(FindJournalNotes(portName));
  std::lock_guard<std::mutex> guard(m_serialMutex);
  m_recoveryNote = std::move(latest);
}

void UpgradeDialog::SayWhereTheNumberCameFrom(const std::string& serialNumber) {
  if (SourceOf(serialNumber) != SerialSource::Journal) return;
  JournalNote note;
  {
    std::lock_guard<std::mutex> guard(m_serialMutex);
    note = m_recoveryNote->note;
  }
  AppendWithBlank(i18n::FillIn(Text(i18n::JournalSerialUsed),
                               {{"serial", serialNumber}, {"port", note.port}, {"time", note.time}}));
}

SerialSource UpgradeDialog::SourceOf(const std::string& serialNumber) const {
  if (m_serialNumberRead && *m_serialNumberRead == serialNumber) return SerialSource::Read;
  if (m_context.recoverySerialNumber && *m_context.recoverySerialNumber == serialNumber) return SerialSource::Option;
  {
    std::lock_guard<std::mutex> guard(m_serialMutex);
    if (m_recoveryNote && m_recoveryNote->note.serialNumber == serialNumber) return SerialSource::Journal;
  }
  return serialNumber == device::PlaceholderSerialNumber ? SerialSource::Placeholder : SerialSource::Read;
}

JournalNote UpgradeDialog::NoteOfThisRun(const std::string& portName) const {
  JournalNote note = DeviceOfPort(portName);
  note.serialNumber = SerialNumber();
  note.serialSource = SourceOf(note.serialNumber);
  if (!m_recoveryMode) {
    note.model = m_window.GetControlText(kIdKindLabel);
  } else if (note.serialSource == SerialSource::Journal) {
    std::lock_guard<std::mutex> guard(m_serialMutex);
    note.model = m_recoveryNote->note.model;
  }
  note.imagePath = m_imagePath;
  if (m_image) {
    note.imageSize = static_cast<std::int64_t>(m_image->fileBytes);
    note.imageSha256 = m_image->sha256;
  }
  note.time = platform::UtcTimestamp(std::chrono::system_clock::now());
  return note;
}

// Written before anything reaches the loader. Once the flash is erased, the
// device's serial number lives only in this process: without the note a kill
// or a power cut would lose it, so a note that cannot be written stops the
// upgrade while the device is still untouched.
UpgradeDialog::PhaseResult UpgradeDialog::WriteJournal(const std::string& portName) {
  const Journal journal = TheJournal();
  const JournalNote note = NoteOfThisRun(portName);
  const std::string fileName = NoteFileName(note);
  m_journalReplaced = journal.Read(fileName);
  if (m_journalReplaced) RememberFound(FoundNote{journal.Folder(), fileName, *m_journalReplaced});
  const platform::Result<bool> written = journal.Write(fileName, note);
  if (!written.ok()) {
    return EndJournalNotWritten(journal.Folder().empty() ? "the user's state folder is not known" : written.detail);
  }
  m_journalFile = fileName;
  return PhaseResult::Continue;
}

UpgradeDialog::PhaseResult UpgradeDialog::EndJournalNotWritten(const std::string& reason) {
  return EndSaying(i18n::FillIn(Text(i18n::JournalNotWritten), {{"error", reason}}), UpgradeOutcome::JournalNotWritten);
}

// The number is on the device and confirmed: the device is whole, and so the
// note of this run goes, with the note whose number was written back.
void UpgradeDialog::ForgetJournal() {
  const Journal journal = TheJournal();
  if (m_journalFile) journal.Remove(*m_journalFile);
  std::optional<FoundNote> used;
  {
    std::lock_guard<std::mutex> guard(m_serialMutex);
    used = m_recoveryNote;
  }
  if (used && used->fileName != m_journalFile && SourceOf(SerialNumber()) == SerialSource::Journal) {
    journal.Remove(used->fileName);
  }
  m_journalFile.reset();
  m_journalReplaced.reset();
}

// A failed run keeps its note while the device may lack its firmware or its
// number, marked as a run that ended and said so. A run that never touched
// the device leaves the journal as it found it.
void UpgradeDialog::SettleJournal(UpgradeOutcome outcome) {
  if (!m_journalFile) return;
  const Journal journal = TheJournal();
  if (LeavesDeviceUntouched(outcome)) {
    if (m_journalReplaced) {
      journal.Write(*m_journalFile, *m_journalReplaced);
    } else {
      journal.Remove(*m_journalFile);
    }
  } else if (const std::optional<JournalNote> note = journal.Read(*m_journalFile)) {
    journal.MarkRun(FoundNote{journal.Folder(), *m_journalFile, *note}, RunState::Ended);
  }
  m_journalFile.reset();
  m_journalReplaced.reset();
}

}  // namespace wizard
