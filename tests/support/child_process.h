#pragma once
// A program the tests start: its standard output comes back through a pipe,
// line by line; every wait is bounded, and the destructor ends the program if
// it is still running.

#include <sys/types.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace nettest {

class ChildProcess {
 public:
  // argv[0] is the program's path. Null, with the reason, when it cannot start.
  static std::unique_ptr<ChildProcess> Start(const std::vector<std::string>& argv, std::string* error);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // The next line of output without its line feed; nullopt at the end of the
  // output or when none comes within the time.
  std::optional<std::string> ReadLine(int timeoutMs);
  // Every line read so far, for failure messages.
  const std::string& Transcript() const { return transcript_; }
  // The exit code once the program has ended (128 + signal when a signal
  // ended it); nullopt when it is still running after the time.
  std::optional<int> Wait(int timeoutMs);
  void Signal(int signal);
  // The reader goes away, as `| head` does: the program's next write to its
  // standard output finds no reader.
  void CloseOutput();

 private:
  ChildProcess(pid_t pid, int output) : pid_(pid), output_(output) {}

  pid_t pid_;
  int output_;
  std::string pending_;
  std::string transcript_;
  std::optional<int> exitCode_;
};

}  // namespace nettest
