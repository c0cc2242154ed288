#pragma once
// One run of the terminal front end in this process, with what it wrote to
// standard output and standard error captured.

#include <cstdio>
#include <string>

#include "cli/console_session.h"
#include "support/stream_text.h"

namespace cli::testing {

struct CapturedRun {
  int code = 0;
  std::string out;
  std::string err;
};

inline CapturedRun RunCaptured(const Options& options, bool errIsTerminal = false,
                               const wizard::StopRequest* stop = nullptr, std::size_t columns = 0) {
  CapturedRun run;
  run.code = testing_support::CaptureStreams(
      [&](std::FILE* out, std::FILE* err) {
        return RunConsoleUpgrade(options, ConsoleStreams{out, err, errIsTerminal, columns}, stop);
      },
      run.out, run.err);
  return run;
}

}  // namespace cli::testing
