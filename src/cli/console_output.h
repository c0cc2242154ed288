#pragma once
// The terminal front end's two streams: standard output carries the status
// list and nothing else; standard error carries messages, the interface kind
// and serial number, and (on a terminal) a progress bar redrawn in place.

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>

#include "cli/console_sink.h"
#include "cli/progress_meter.h"
#include "i18n/language_table.h"

namespace cli {

class ConsoleOutput final : public ConsoleSink {
 public:
  // `texts`: the run's language (null: the built-in English).
  ConsoleOutput(std::FILE* out, std::FILE* err, bool errIsTerminal, const i18n::LanguageTable* texts = nullptr);

  void StatusLine(const std::string& line) override;
  void Message(const std::string& line) override;
  void Complaint(const std::string& text) override;
  void InterfaceKind(const std::string& kind) override;
  void SerialNumber(const std::string& serial) override;
  // The bar's clock starts with the first block.
  void Programmed(std::int64_t sent, std::int64_t total) override;
  // Takes the bar off the terminal (before the program ends).
  void Finish() override;

 private:
  void ClearBar();
  void DrawBar();

  std::mutex mutex_;
  std::FILE* out_;
  std::FILE* err_;
  bool errIsTerminal_;
  const i18n::LanguageTable* texts_;
  bool barShown_ = false;
  ProgressSample sample_;
  std::int64_t startMicros_ = 0;  // when the first block was sent
  std::int64_t lastDrawMicros_ = 0;
};

}  // namespace cli
