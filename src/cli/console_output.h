#pragma once
// The terminal front end's two streams: standard output carries the status
// list and nothing else; standard error carries messages, the interface kind
// and serial number, and (on a terminal) a progress bar redrawn in place.

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>

#include "cli/progress_meter.h"

namespace cli {

class ConsoleOutput {
 public:
  ConsoleOutput(std::FILE* out, std::FILE* err, bool errIsTerminal);

  void StatusLine(const std::string& line);
  void Message(const std::string& line);
  // The image's bytes programmed so far of `total`: (0, total) starts the bar
  // and its clock, (0, 0) takes it away.
  void Programmed(std::int64_t sent, std::int64_t total);
  // Takes the bar off the terminal (before the program ends).
  void Finish();

 private:
  void ClearBar();
  void DrawBar();

  std::mutex mutex_;
  std::FILE* out_;
  std::FILE* err_;
  bool errIsTerminal_;
  bool barShown_ = false;
  ProgressSample sample_;
  std::int64_t startMicros_ = 0;  // when the first block was sent
  std::int64_t lastDrawMicros_ = 0;
};

}  // namespace cli
