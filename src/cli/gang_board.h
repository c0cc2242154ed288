#pragma once
// What a gang run shows while many interfaces are upgraded at once. On a
// terminal: one live line per device (port, model, serial number, phase and
// progress), redrawn in place. Elsewhere (a log, a pipe): every status line
// and message as it comes, prefixed with its device's port.

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "i18n/language_table.h"

namespace cli {

struct GangRow {
  std::string port;
  std::string model;
  std::string serial;
  std::string phase;  // the latest status line, or the ending
  std::int64_t low = 0, high = 0, position = 0;
};

// One row as a line of at most `width` columns (bytes; texts are shown as
// the language file gives them), the port in a column `portWidth` wide.
std::string FormatGangRow(const GangRow& row, std::size_t width, std::size_t portWidth = 14);

struct GangResult {
  std::string port;
  std::string serial;
  std::string outcome;
  int exitStatus = 0;
  double seconds = 0;
};

// The table printed when every device has ended.
std::string FormatGangSummary(const std::vector<GangResult>& results);

class GangBoard {
 public:
  // `liveLines`: `out` is a terminal `width` columns wide. `texts`: the
  // run's language (null: the built-in English).
  GangBoard(std::FILE* out, std::FILE* err, bool liveLines, std::size_t width, std::vector<std::string> ports,
            const i18n::LanguageTable* texts = nullptr);

  void Model(std::size_t row, const std::string& model);
  void Serial(std::size_t row, const std::string& serial);
  void Status(std::size_t row, const std::string& line);
  void Message(std::size_t row, const std::string& line);
  void ProgressRange(std::size_t row, std::int64_t low, std::int64_t high);
  void Progress(std::size_t row, std::int64_t position);
  // Draws the rows as they stand last (live lines only).
  void Finish();

 private:
  void Redraw(bool force);
  // A failure of standard output is noted on standard error.
  void Write(std::FILE* stream, const std::string& text);

  std::mutex mutex_;
  std::FILE* out_;
  std::FILE* err_;
  bool live_;
  const i18n::LanguageTable* texts_;
  std::size_t width_;
  std::vector<GangRow> rows_;
  std::vector<bool> showsMessage_;  // a row's phase is a message, not a status line
  std::size_t portWidth_ = 0;
  bool drawn_ = false;
  std::int64_t lastDrawMicros_ = 0;
};

}  // namespace cli
