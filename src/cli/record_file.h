#pragma once
// Appends run records to a file that several runs (and several processes)
// share. Each record is one line, written whole under an exclusive lock and
// synced before the call returns, so a crash or a kill afterwards loses
// nothing, and a reader never sees two records on one line.

#include <cstdint>
#include <functional>
#include <string>

namespace cli {

// How long a record waits for another process's lock on the file: a run that
// ends must never hang on a stuck writer.
inline constexpr std::uint32_t kRecordLockWaitMs = 5000;

struct RecordWait {
  std::uint32_t boundMs = kRecordLockWaitMs;
  std::function<bool()> stopped;  // ends the wait early
  std::function<void()> waiting;  // told once, when another process holds the lock
};

struct AppendResult {
  bool ok = false;
  std::string reason;  // what went wrong, for the user; empty when ok
};

// `line` ends in a line feed. A file whose last line was cut off (a machine
// that lost power mid-write) gets a line feed first, so the new record
// starts a line of its own.
AppendResult AppendRecordLine(const std::string& path, const std::string& line, const RecordWait& wait = {});

// Whether records can be appended to `path`: it is a regular file, or one can
// be made there, and this user may write it. A new file is made empty. The
// reason says why not, without the path.
AppendResult CheckRecordFile(const std::string& path);

}  // namespace cli
