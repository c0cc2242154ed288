#include "cli/record_file.h"

#include "platform/append_file.h"

namespace cli {
namespace {

using platform::LockResult;

AppendResult Failure(const std::string& what, const std::string& detail) { return {false, what + ": " + detail}; }

using OpenedRecords = platform::Result<std::unique_ptr<platform::AppendFile>>;

// Why the file did not open, in a few words.
std::string OpenFailure(const OpenedRecords& opened) {
  return opened.error == platform::Error::NotRegularFile ? "it is not a regular file" : opened.detail;
}

// The lock at once when it is free; else the bounded wait, said first.
AppendResult LockRecords(platform::AppendFile& file, const std::string& path, const RecordWait& wait) {
  LockResult locked = file.Lock(0);
  if (locked.outcome == LockResult::Outcome::Held) {
    if (wait.waiting) wait.waiting();
    locked = file.Lock(wait.boundMs, wait.stopped);
  }
  switch (locked.outcome) {
    case LockResult::Outcome::Locked: return {true, {}};
    case LockResult::Outcome::Held:
      return {false, "another process has held the lock on " + path + " for " +
                         std::to_string(wait.boundMs / 1000) + " seconds"};
    case LockResult::Outcome::Stopped: return {false, "the wait for the lock on " + path + " was stopped"};
    case LockResult::Outcome::Failed: break;
  }
  return Failure("cannot lock " + path, locked.detail);
}

}  // namespace

AppendResult AppendRecordLine(const std::string& path, const std::string& line, const RecordWait& wait) {
  const OpenedRecords opened = platform::AppendFile::Open(path);
  if (!opened.ok()) return Failure("cannot open " + path, OpenFailure(opened));
  platform::AppendFile& file = *opened.value;
  if (AppendResult locked = LockRecords(file, path, wait); !locked.ok) return locked;
  const std::optional<char> last = file.LastByte();
  const std::string text = !last || *last == '\n' ? line : "\n" + line;
  if (const auto written = file.Append(text); !written.ok()) return Failure("cannot write to " + path, written.detail);
  if (const auto synced = file.Sync(); !synced.ok()) return Failure("cannot sync " + path, synced.detail);
  return {true, {}};
}

AppendResult CheckRecordFile(const std::string& path) {
  const OpenedRecords opened = platform::AppendFile::Open(path);
  if (!opened.ok()) return {false, OpenFailure(opened)};
  // A file made here is there after a crash too. A sync that fails now is
  // no reason to refuse: each record's own append syncs and says so.
  static_cast<void>(opened.value->Sync());
  return {true, {}};
}

}  // namespace cli
