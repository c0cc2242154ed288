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
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  CapturedRun run;
  run.code = RunConsoleUpgrade(options, ConsoleStreams{out, err, errIsTerminal, columns}, stop);
  run.out = testing_support::StreamText(out);
  run.err = testing_support::StreamText(err);
  std::fclose(out);
  std::fclose(err);
  return run;
}

}  // namespace cli::testing
