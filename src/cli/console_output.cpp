#include "cli/console_output.h"

#include "cli/console_texts.h"
#include "cli/console_write.h"
#include "platform/clock.h"

namespace cli {
namespace {
// Redraws at most this often, so a fast run does not flood the terminal.
constexpr std::int64_t kRedrawMicros = 100'000;
}  // namespace

ConsoleOutput::ConsoleOutput(std::FILE* out, std::FILE* err, bool errIsTerminal, const i18n::LanguageTable* texts)
    : out_(out), err_(err), errIsTerminal_(errIsTerminal), texts_(texts) {}

void ConsoleOutput::StatusLine(const std::string& line) {
  std::lock_guard<std::mutex> guard(mutex_);
  ClearBar();
  WriteConsoleText(out_, line + "\n", err_);
  if (sample_.high > sample_.low) DrawBar();
}

void ConsoleOutput::Message(const std::string& line) {
  std::lock_guard<std::mutex> guard(mutex_);
  ClearBar();
  WriteConsoleText(err_, line + "\n", nullptr);
}

void ConsoleOutput::Complaint(const std::string& text) { Message(ProgramMessage(text)); }

void ConsoleOutput::InterfaceKind(const std::string& kind) { Message(InterfaceKindLine(texts_, kind)); }

void ConsoleOutput::SerialNumber(const std::string& serial) { Message(SerialNumberLine(texts_, serial)); }

void ConsoleOutput::Programmed(std::int64_t sent, std::int64_t total) {
  std::lock_guard<std::mutex> guard(mutex_);
  const std::int64_t now = platform::CurrentClock()->Now();
  if (total <= 0) {
    ClearBar();
    sample_ = ProgressSample{};
    return;
  }
  // The rate runs from the start of the run, so the first block already
  // shows the line's real speed.
  if (sent == 0) startMicros_ = now;
  sample_.low = 0;
  sample_.high = total;
  sample_.position = sent;
  sample_.elapsedMicros = now - startMicros_;
  if (!errIsTerminal_) return;
  if (now - lastDrawMicros_ < kRedrawMicros && sent > 0 && sent < total) return;
  lastDrawMicros_ = now;
  DrawBar();
}

void ConsoleOutput::Finish() {
  std::lock_guard<std::mutex> guard(mutex_);
  ClearBar();
}

void ConsoleOutput::ClearBar() {
  if (!barShown_) return;
  std::fputs("\r\033[K", err_);
  std::fflush(err_);
  barShown_ = false;
}

void ConsoleOutput::DrawBar() {
  if (!errIsTerminal_) return;
  std::fprintf(err_, "\r\033[K%s", FormatProgressLine(sample_).c_str());
  std::fflush(err_);
  barShown_ = true;
}

}  // namespace cli
