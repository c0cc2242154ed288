#pragma once
// Appends run records to a file that several runs (and several processes)
// share. Each record is one line, written whole under an exclusive lock and
// synced before the call returns, so a crash or a kill afterwards loses
// nothing, and a reader never sees two records on one line.

#include <string>

namespace cli {

struct AppendResult {
  bool ok = false;
  std::string reason;  // what went wrong, for the user; empty when ok
};

// `line` ends in a line feed. A file whose last line was cut off (a machine
// that lost power mid-write) gets a line feed first, so the new record
// starts a line of its own.
AppendResult AppendRecordLine(const std::string& path, const std::string& line);

}  // namespace cli
