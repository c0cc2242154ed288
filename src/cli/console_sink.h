#pragma once
// Where the terminal's window sends what a window would show: the status
// list, message boxes, the kind and serial-number fields and the programming
// progress. One run writes them to the console (ConsoleOutput); a gang run
// gives each device its own row (GangBoard).

#include <cstdint>
#include <string>

namespace cli {

class ConsoleSink {
 public:
  virtual ~ConsoleSink() = default;
  virtual void StatusLine(const std::string& line) = 0;
  virtual void Message(const std::string& line) = 0;
  // A message of the terminal's own (not a message box of the dialog's).
  virtual void Complaint(const std::string& text) = 0;
  virtual void InterfaceKind(const std::string& kind) = 0;
  virtual void SerialNumber(const std::string& serial) = 0;
  // The image's bytes programmed so far of `total`: (0, total) starts the
  // bar, (0, 0) takes it away.
  virtual void Programmed(std::int64_t sent, std::int64_t total) = 0;
  // The dialog has ended.
  virtual void Finish() = 0;
};

}  // namespace cli
