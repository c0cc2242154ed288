#pragma once
// A recorded device database, as `udevadm info --export-db` prints it: a
// support case's machine replayed, and the tests' stand-in for this one's.

#include <string>
#include <string_view>
#include <vector>

#include "platform/port_discovery.h"

namespace platform {

// The tty records of a recording. Lines it does not know are skipped; a
// record without a device path is dropped.
std::vector<PortRecord> ParseUdevRecording(std::string_view text);

// A PortSource over a recording file, read anew on every call (a test swaps
// the file to plug and pull adapters).
class RecordedPortSource final : public PortSource {
 public:
  explicit RecordedPortSource(std::string path) : path_(std::move(path)) {}
  bool Records(std::vector<PortRecord>& records) override;

 private:
  std::string path_;
};

}  // namespace platform
