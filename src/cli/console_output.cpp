#include "cli/console_output.h"

#include "platform/clock.h"

namespace cli {
namespace {
// Redraws at most this often, so a fast run does not flood the terminal.
constexpr std::int64_t kRedrawMicros = 100'000;
}  // namespace

ConsoleOutput::ConsoleOutput(std::FILE* out, std::FILE* err, bool errIsTerminal)
    : out_(out), err_(err), errIsTerminal_(errIsTerminal) {}

void ConsoleOutput::StatusLine(const std::string& line) {
  std::lock_guard<std::mutex> guard(mutex_);
  ClearBar();
  std::fprintf(out_, "%s\n", line.c_str());
  std::fflush(out_);
  if (sample_.high > sample_.low) DrawBar();
}

void ConsoleOutput::Message(const std::string& line) {
  std::lock_guard<std::mutex> guard(mutex_);
  ClearBar();
  std::fprintf(err_, "%s\n", line.c_str());
  std::fflush(err_);
}

void ConsoleOutput::SetProgressRange(std::int64_t low, std::int64_t high) {
  std::lock_guard<std::mutex> guard(mutex_);
  sample_.low = low;
  sample_.high = high;
  sample_.position = low;
  startMicros_ = platform::CurrentClock().Now();
}

void ConsoleOutput::SetProgress(std::int64_t position) {
  std::lock_guard<std::mutex> guard(mutex_);
  const std::int64_t now = platform::CurrentClock().Now();
  // A bar that starts again from its low end starts a new rate.
  if (position <= sample_.low || position < sample_.position) startMicros_ = now;
  sample_.position = position;
  sample_.elapsedMicros = now - startMicros_;
  if (!errIsTerminal_ || sample_.high <= sample_.low) return;
  if (now - lastDrawMicros_ < kRedrawMicros && position < sample_.high) return;
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
