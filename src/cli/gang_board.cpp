#include "cli/gang_board.h"

#include <algorithm>

#include "cli/console_texts.h"
#include "cli/console_write.h"
#include "platform/clock.h"

namespace cli {
namespace {

// Redraws at most this often, so tens of devices do not flood the terminal.
constexpr std::int64_t kRedrawMicros = 200'000;
constexpr std::size_t kModelColumn = 23, kSerialColumn = 12;
// Port names differ at their end as often as at their start; a very long one
// (a by-id path) is cut rather than the row.
constexpr std::size_t kMinPortColumn = 8, kMaxPortColumn = 40;

std::string Column(const std::string& text, std::size_t width) {
  std::string cell = text.substr(0, width);
  cell.resize(width + 1, ' ');
  return cell;
}

std::string ProgressCell(const GangRow& row) {
  if (row.high <= row.low) return {};
  const std::int64_t done = std::clamp(row.position, row.low, row.high) - row.low;
  const int percent = static_cast<int>(done * 100 / (row.high - row.low));
  constexpr int kBar = 10;
  const int filled = percent * kBar / 100;
  // Appended in place: prepending a literal to a temporary string makes the
  // optimiser warn of an overlap that cannot happen.
  std::string cell = "[";
  cell.append(static_cast<std::size_t>(filled), '#').append(static_cast<std::size_t>(kBar - filled), '.');
  return cell + "] " + std::to_string(percent) + "% ";
}

}  // namespace

std::string FormatGangRow(const GangRow& row, std::size_t width, std::size_t portWidth) {
  std::string line = Column(row.port, portWidth) + Column(row.model, kModelColumn) +
                     Column(row.serial, kSerialColumn) + ProgressCell(row) + row.phase;
  if (line.size() > width) line.resize(width);
  return line;
}

std::string FormatGangSummary(const std::vector<GangResult>& results) {
  std::size_t portWidth = 4, outcomeWidth = 7;
  for (const auto& r : results) {
    portWidth = std::max(portWidth, r.port.size());
    outcomeWidth = std::max(outcomeWidth, r.outcome.size());
  }
  const auto row = [&](const std::string& port, const std::string& serial, const std::string& outcome,
                       const std::string& time) {
    return Column(port, portWidth + 1) + Column(serial, kSerialColumn) + Column(outcome, outcomeWidth + 1) + time + "\n";
  };
  std::string table = row("Port", "Serial", "Outcome", "Time");
  int failed = 0;
  for (const auto& r : results) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f s", r.seconds);
    table += row(r.port, r.serial.empty() ? "-" : r.serial, r.outcome, seconds);
    if (r.exitStatus != 0) ++failed;
  }
  table += std::to_string(results.size() - static_cast<std::size_t>(failed)) + " of " + std::to_string(results.size()) +
           " interfaces upgraded\n";
  return table;
}

GangBoard::GangBoard(std::FILE* out, std::FILE* err, bool liveLines, std::size_t width,
                     std::vector<std::string> ports, const i18n::LanguageTable* texts)
    : out_(out), err_(err), live_(liveLines), texts_(texts), width_(width) {
  portWidth_ = kMinPortColumn;
  for (auto& port : ports) {
    portWidth_ = std::clamp(port.size(), portWidth_, kMaxPortColumn);
    rows_.push_back(GangRow{std::move(port), {}, {}, {}, 0, 0, 0});
  }
  showsMessage_.assign(rows_.size(), false);
}

void GangBoard::Model(std::size_t row, const std::string& model) {
  std::lock_guard<std::mutex> guard(mutex_);
  rows_.at(row).model = model;
  if (!live_) Write(err_, "[" + rows_[row].port + "] " + InterfaceKindLine(texts_, model) + "\n");
  Redraw(false);
}

void GangBoard::Serial(std::size_t row, const std::string& serial) {
  std::lock_guard<std::mutex> guard(mutex_);
  rows_.at(row).serial = serial;
  if (!live_) Write(err_, "[" + rows_[row].port + "] " + SerialNumberLine(texts_, serial) + "\n");
  Redraw(false);
}

void GangBoard::Status(std::size_t row, const std::string& line) {
  std::lock_guard<std::mutex> guard(mutex_);
  GangRow& r = rows_.at(row);
  if (!line.empty()) {
    r.phase = line;
    showsMessage_[row] = false;
  }
  // The window's blank spacing lines would only repeat the port here.
  if (!live_ && !line.empty()) Write(out_, "[" + r.port + "] " + line + "\n");
  Redraw(false);
}

void GangBoard::Message(std::size_t row, const std::string& line) {
  std::lock_guard<std::mutex> guard(mutex_);
  GangRow& r = rows_.at(row);
  if (live_) {
    // The first message after a status line says why; what follows it
    // (the dialog's own box) says less.
    if (!showsMessage_[row]) r.phase = line;
    showsMessage_[row] = true;
  } else {
    Write(err_, "[" + r.port + "] " + line + "\n");
  }
  Redraw(false);
}

void GangBoard::ProgressRange(std::size_t row, std::int64_t low, std::int64_t high) {
  std::lock_guard<std::mutex> guard(mutex_);
  GangRow& r = rows_.at(row);
  r.low = low;
  r.high = high;
  r.position = low;
  Redraw(false);
}

void GangBoard::Progress(std::size_t row, std::int64_t position) {
  std::lock_guard<std::mutex> guard(mutex_);
  rows_.at(row).position = position;
  Redraw(false);
}

void GangBoard::Finish() {
  std::lock_guard<std::mutex> guard(mutex_);
  Redraw(true);
}

void GangBoard::Redraw(bool force) {
  if (!live_) return;
  const std::int64_t now = platform::CurrentClock()->Now();
  if (!force && drawn_ && now - lastDrawMicros_ < kRedrawMicros) return;
  lastDrawMicros_ = now;
  // Back to the first row, then every row again in place.
  std::string text = drawn_ ? "\033[" + std::to_string(rows_.size()) + "A" : std::string();
  for (const GangRow& row : rows_) text += "\r\033[K" + FormatGangRow(row, width_, portWidth_) + "\n";
  Write(out_, text);
  drawn_ = true;
}

void GangBoard::Write(std::FILE* stream, const std::string& text) {
  WriteConsoleText(stream, text, stream == err_ ? nullptr : err_);
}

}  // namespace cli
